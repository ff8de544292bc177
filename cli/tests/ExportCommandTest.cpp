#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::cli {
namespace {

namespace fs = std::filesystem;
using standin::testing::ReadBytes;
using standin::testing::ScratchFolder;
using standin::testing::WriteBytes;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Every file and folder below root, relative, sorted; folders end in "/".
std::vector<std::string> TreeBelow(const fs::path& root) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) relative += "/";
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// File names without the random number the writer puts before ".eml".
std::vector<std::string> WithoutNumbers(std::vector<std::string> entries) {
  for (auto& entry : entries) {
    const auto dot = entry.rfind(".eml");
    if (dot == std::string::npos) continue;
    auto digits = dot;
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(entry[digits - 1]))) --digits;
    entry = entry.substr(0, digits) + "N.eml";
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

class ExportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    setenv("LC_ALL", "C", 1);
    setenv("HOME", (scratch / "home").c_str(), 1);
    fs::create_directories(scratch / "home");
    fs::create_directories(destination);
    standin::BuildStoreFromText(kFixture, store);
  }

  CliRun Cli(const std::string& arguments) {
    const auto out = scratch / "out.txt";
    const auto err = scratch / "err.txt";
    const std::string command = std::string(MAILSHIFT_CLI) + " " + arguments + " >" + Quoted(out) + " 2>" +
                                Quoted(err) + " </dev/null";
    const int status = std::system(command.c_str());
    return CliRun{WEXITSTATUS(status), ReadBytes(out), ReadBytes(err)};
  }

  static constexpr const char* kFixture = R"json({
    "title": "Mail - Ann Lee",
    "views": [
      {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2"]},
      {"name": "($Sent)", "folder": true, "documents": ["m3"]},
      {"name": "($Drafts)", "folder": true, "documents": []},
      {"name": "($Trash)", "folder": true, "documents": []},
      {"name": "($Follow-Up)", "folder": true, "documents": ["m1"]},
      {"name": "($JunkMail)", "folder": true, "documents": []},
      {"name": "Projects\\2008", "folder": true, "documents": ["m3"]},
      {"name": "Projects", "folder": true, "documents": []},
      {"name": "($All)", "folder": false, "documents": ["m1", "m2", "m3"]}
    ],
    "documents": [
      {"id": "m1", "items": [
        {"name": "From", "text": ["Bob Ray/Org"]},
        {"name": "INetFrom", "text": ["bob@corp.example"]},
        {"name": "SendTo", "text": ["ann@corp.example"]},
        {"name": "Subject", "text": ["  Hello  "]},
        {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00+00:00"]},
        {"name": "Body", "richtext": "Hello there",
         "embedded": [{"name": "a.doc", "base64": "SGVsbG8="}]}]},
      {"id": "m2", "items": [{"name": "Subject", "text": ["Re: Q1/Q2 now?"]}]},
      {"id": "m3", "items": [
        {"name": "SendTo", "text": ["Cy Orr/Org"]},
        {"name": "Subject", "text": ["Budget"]}]}
    ]
  })json";

  ScratchFolder scratch;
  fs::path store = scratch / "mail.nsf";
  fs::path destination = scratch / "dest";
  fs::path root = destination / "Mail - Ann Lee";
};

TEST_F(ExportCommandTest, ExportsWhatAFreshScanChecks) {
  const CliRun run = Cli("export " + Quoted(store) + " " + Quoted(destination));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Migration Completed Successfully !\n5 messages written, 0 not written.\n" +
                         root.string() + "/\nMail - Ann Lee\n");
  EXPECT_EQ(run.err, "");  // no progress line off a terminal
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Deleted Items/", "Drafts/", "Follow Up/", "Follow Up/HelloN.eml",
                                      "Inbox/", "Inbox/HelloN.eml", "Inbox/Re Q1Q2 nowN.eml", "Junk Mail/",
                                      "Projects-2008/", "Projects-2008/BudgetN.eml", "Projects/",
                                      "Sent Items/", "Sent Items/BudgetN.eml"}));

  // The log goes to Log.txt in the home folder.
  std::string log = ReadBytes(scratch / "home" / "Log.txt");
  for (int attachment = 0; attachment < 2; ++attachment) {
    const auto attachmentLine = log.find("\tAttachment : ATTACH[|/");
    ASSERT_NE(attachmentLine, std::string::npos) << log;
    const auto attachmentEnd = log.find("/a.doc]\r\n", attachmentLine);
    ASSERT_NE(attachmentEnd, std::string::npos) << log;
    log.replace(attachmentLine, attachmentEnd + 9 - attachmentLine, "\tAttachment : ATTACH[|.../a.doc]\r\n");
  }
  EXPECT_EQ(
      log,
      "Customer Folder : Projects\\2008\r\nCustomer Folder : Projects\r\n"
      "---------------- Starting User Folders ---------------\r\n"
      "Created : Folder[Projects]\r\nCreated : Folder[Projects\\2008]\r\n\tEmail Subject : "
      "SUBJECT[Budget]\r\n"
      "Saving Emails (Inbox)...\r\n\tEmail Subject : SUBJECT[Hello]\r\n\tAttachment : ATTACH[|.../a.doc]\r\n"
      "\tEmail Subject : SUBJECT[Re: Q1/Q2 now?]\r\nSaving Emails (Sent Items)...\r\n"
      "\tEmail Subject : SUBJECT[Budget]\r\nSaving Emails (Drafts)...\r\nSaving Emails (Follow Up)...\r\n"
      "\tEmail Subject : SUBJECT[Hello]\r\n\tAttachment : ATTACH[|.../a.doc]\r\nSaving Emails (Junk "
      "Mail)...\r\n"
      "Saving Emails (Deleted Items)...\r\nDone\r\n");

  std::string hello;
  for (const auto& entry : fs::directory_iterator(root / "Inbox")) {
    if (entry.path().filename().string().rfind("Hello", 0) == 0) hello = ReadBytes(entry.path());
  }
  EXPECT_NE(hello.find("Subject: Hello\r\n"), std::string::npos) << hello;
  EXPECT_NE(hello.find("From: Bob Ray/Org <bob@corp.example>\r\n"), std::string::npos) << hello;
  EXPECT_NE(hello.find("filename=\"a.doc\""), std::string::npos) << hello;
}

TEST_F(ExportCommandTest, TheNamesTableThreadsAndImportanceReachTheMessage) {
  standin::BuildStoreFromText(R"json({"title": "Mail - Ann Lee",
    "views": [{"name": "($Inbox)", "folder": true, "documents": ["r1"]}],
    "documents": [{"id": "r1", "unid": "85257C5A0052D8A3852573C10057E1B4", "items": [
      {"name": "From", "text": ["CN=Hal Okafor/OU=IT/O=Corvane"]},
      {"name": "SendTo", "text": ["CN=Cy Orr/O=Org"]},
      {"name": "Subject", "text": ["Re: Budget"]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00+00:00"]},
      {"name": "$MessageID", "text": ["<OF85257C5A.0052D8A3@corvane.example>"]},
      {"name": "$InReplyTo", "text": ["<budget.1@mail.example>"]},
      {"name": "$References", "text": ["<root.1@mail.example>", "<budget.1@mail.example>"]},
      {"name": "DeliveryPriority", "text": ["L"]},
      {"name": "Categories", "text": ["Budget"]},
      {"name": "Body", "richtext": "Agreed."}]}]})json",
                              store);
  WriteBytes(scratch / "names.csv",
             "Notes name,Internet address\nHal Okafor/IT/Corvane,hal@corvane.example\n");
  const CliRun run = Cli("export --plain-text --names " + Quoted(scratch / "names.csv") + " " +
                         Quoted(store) + " " + Quoted(destination));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::string reply;
  for (const auto& entry : fs::directory_iterator(root / "Inbox")) reply = ReadBytes(entry.path());
  for (const char* field :
       {"From: Hal Okafor/IT/Corvane <hal@corvane.example>\r\n",
        "To: Cy Orr/Org <Cy.Orr.Org@notes.mailshift.invalid>\r\n",
        "Message-ID: <OF85257C5A.0052D8A3@corvane.example>\r\n", "In-Reply-To: <budget.1@mail.example>\r\n",
        "References: <root.1@mail.example> <budget.1@mail.example>\r\n",
        "X-Notes-UNID: 85257C5A0052D8A3852573C10057E1B4\r\n", "Importance: low\r\n",
        "X-Priority: 5 (Lowest)\r\n", "Keywords: Budget\r\n", "Date: Wed, 05 Nov 2008 14:30:00 +0000\r\n",
        "Agreed."}) {
    EXPECT_NE(reply.find(field), std::string::npos) << field << " in\n" << reply;
  }

  WriteBytes(scratch / "bad.csv", "Hal Okafor/IT/Corvane;hal@corvane.example\n");
  const CliRun bad = Cli("export --names " + Quoted(scratch / "bad.csv") + " " + Quoted(store) + " " +
                         Quoted(scratch / "elsewhere"));
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("line 1"), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(scratch / "elsewhere" / "Mail - Ann Lee"));
}

TEST_F(ExportCommandTest, ExportsOnlyTheFoldersAskedForIntoTheGivenLog) {
  const fs::path log = scratch / "run.log";
  const CliRun run = Cli("export " + Quoted(store) + " " + Quoted(destination) +
                         " --folder 'Projects\\2008' --folder Sent --log " + Quoted(log));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Projects-2008/", "Projects-2008/BudgetN.eml", "Sent Items/",
                                      "Sent Items/BudgetN.eml"}));
  EXPECT_EQ(ReadBytes(log),
            "Customer Folder : Projects\\2008\r\n---------------- Starting User Folders ---------------\r\n"
            "Created : Folder[Projects\\2008]\r\n\tEmail Subject : SUBJECT[Budget]\r\n"
            "Saving Emails (Sent Items)...\r\n\tEmail Subject : SUBJECT[Budget]\r\nDone\r\n");
  EXPECT_FALSE(fs::exists(scratch / "home" / "Log.txt"));
}

TEST_F(ExportCommandTest, AFolderAskedForBringsEveryFolderBelowIt) {
  const CliRun projects = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --folder Projects");
  EXPECT_EQ(projects.exitCode, 0) << projects.err;
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Projects-2008/", "Projects-2008/BudgetN.eml", "Projects/"}));

  fs::remove_all(destination);
  fs::create_directories(destination);
  const CliRun folders = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --folder Folders");
  EXPECT_EQ(folders.exitCode, 0) << folders.err;
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Projects-2008/", "Projects-2008/BudgetN.eml", "Projects/"}));

  // A subfolder asked for alone does not bring its parent.
  fs::remove_all(destination);
  fs::create_directories(destination);
  const CliRun sub =
      Cli("export " + Quoted(store) + " " + Quoted(destination) + " --folder 'Projects\\2008'");
  EXPECT_EQ(sub.exitCode, 0) << sub.err;
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Projects-2008/", "Projects-2008/BudgetN.eml"}));
}

TEST_F(ExportCommandTest, AMessageNotWrittenEndsWithOne) {
  fs::create_directories(root);
  WriteBytes(root / "Inbox", "a file where the folder belongs");
  const CliRun run = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --folder Inbox");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "Migration Completed with Errors !");
  EXPECT_NE(run.out.find("0 messages written, 2 not written."), std::string::npos) << run.out;
  const std::string log = ReadBytes(scratch / "home" / "Log.txt");
  EXPECT_NE(log.find("Saving Emails (Inbox)...\r\n\tNot exported : the folder Inbox cannot be made: "),
            std::string::npos)
      << log;
  EXPECT_EQ(ReadBytes(root / "Inbox"), "a file where the folder belongs");
}

TEST_F(ExportCommandTest, AnUnreadableDatabaseEndsWithOne) {
  WriteBytes(scratch / "broken.nsf", "not a mail store");
  const CliRun run = Cli("export " + Quoted(scratch / "broken.nsf") + " " + Quoted(destination));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err, "");
  EXPECT_TRUE(fs::is_empty(destination));
}

TEST_F(ExportCommandTest, BadArgumentsEndWithTwo) {
  EXPECT_EQ(Cli("export").exitCode, 2);
  EXPECT_EQ(Cli("export " + Quoted(store)).exitCode, 2);
  EXPECT_EQ(Cli("export " + Quoted(store) + " ''").exitCode, 2);
  EXPECT_EQ(Cli("export " + Quoted(store) + " " + Quoted(destination) + " --log").exitCode, 2);
  const CliRun unknown = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --folder Nowhere");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("Nowhere"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(destination));
}

TEST_F(ExportCommandTest, TheLogIsNeverTheDatabaseNorInsideTheOutput) {
  const std::string before = ReadBytes(store);
  CliRun run = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --log " + Quoted(store));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("the log cannot be the database"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(store), before);

  run = Cli("export " + Quoted(store) + " " + Quoted(destination) + " --log " +
            Quoted(root / "Inbox" / "x.log"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("the log cannot lie inside"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(destination));

  // Beside the output, in the destination, is a place of the user's choosing.
  run =
      Cli("export " + Quoted(store) + " " + Quoted(destination) + " --log " + Quoted(destination / "x.log"));
  EXPECT_EQ(run.exitCode, 0) << run.err;
}

// On a terminal, and only there, a progress line tells where the whole run is.
TEST_F(ExportCommandTest, OnATerminalTheProgressLineTellsTheWholeRun) {
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(MAILSHIFT_CLI, MAILSHIFT_CLI, "export", store.c_str(), destination.c_str(), nullptr);
    _exit(127);
  }
  std::string shown;
  char buffer[4096];
  for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<std::size_t>(got));
  close(terminal);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  // A folder's last message is always shown, counted in the whole run (the user folder goes first).
  EXPECT_NE(shown.find("\rProjects-2008: 1 of 5 messages (20%)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\rInbox: 3 of 5 messages (60%)"), std::string::npos) << shown;
  EXPECT_NE(shown.find(": 5 of 5 messages (100%)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Migration Completed Successfully !"), std::string::npos) << shown;
}

TEST_F(ExportCommandTest, FoldersMayBeNamedBeforeTheDatabaseAndTheDestinationInAnyCase) {
  const CliRun run = Cli("export --folder sent --folder INBOX " + Quoted(store) + " " + Quoted(destination));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(WithoutNumbers(TreeBelow(root)),
            (std::vector<std::string>{"Inbox/", "Inbox/HelloN.eml", "Inbox/Re Q1Q2 nowN.eml", "Sent Items/",
                                      "Sent Items/BudgetN.eml"}));
}

TEST_F(ExportCommandTest, ADestinationThatCannotBeWrittenIsSaidOnceBeforeTheRun) {
  WriteBytes(scratch / "file", "not a folder");
  const CliRun run = Cli("export " + Quoted(store) + " " + Quoted(scratch / "file" / "below"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(
      run.err.rfind(
          "The destination folder cannot be written:\n" + (scratch / "file" / "below").string() + "\n", 0),
      0u)
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
  EXPECT_FALSE(fs::exists(scratch / "home" / "Log.txt"));
}

// Ctrl+C in the middle of a run: the message being written is finished, nothing is left half
// written, the private folders go, the log says so, and the exit code is 1.
TEST_F(ExportCommandTest, CtrlCStopsTheRunCleanly) {
  const fs::path big = scratch / "big.nsf";
  standin::WriteSampleStore(big, {6000, 4, 7});
  const fs::path temp = scratch / "tmp";
  fs::create_directories(temp);
  setenv("TMPDIR", temp.c_str(), 1);

  // exec, so that the signal reaches the tool itself rather than the shell
  const std::string command = "exec " + std::string(MAILSHIFT_CLI) + " export " + Quoted(big) + " " +
                              Quoted(destination) + " >" + Quoted(scratch / "out.txt") + " 2>" +
                              Quoted(scratch / "err.txt");
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);

  const auto messageFiles = [&] {
    std::vector<fs::path> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(destination, error); !error && it != fs::end(it);
         it.increment(error)) {
      if (it->path().extension() == ".eml") files.push_back(it->path());
    }
    return files;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (messageFiles().size() < 50 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(kill(child, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  unsetenv("TMPDIR");

  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string out = ReadBytes(scratch / "out.txt");
  EXPECT_EQ(out.rfind("Migration Stopped !\n", 0), 0u) << out;
  const std::string log = ReadBytes(scratch / "home" / "Log.txt");
  EXPECT_NE(log.find("\r\nStopped : the export was stopped before its end; "), std::string::npos) << log;
  EXPECT_EQ(log.find("Done\r\n"), std::string::npos);

  // Every message logged is there, whole, and nothing else is.
  std::size_t logged = 0;
  for (auto at = log.find("\tEmail Subject : "); at != std::string::npos;
       at = log.find("\tEmail Subject : ", at + 1))
    ++logged;
  const auto files = messageFiles();
  EXPECT_EQ(files.size(), logged);
  EXPECT_LT(files.size(), 6000u);
  for (const auto& file : files) {
    const std::string bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << file;
  }
  for (const auto& entry : fs::recursive_directory_iterator(destination)) {
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
  }
  EXPECT_TRUE(fs::is_empty(temp));
}

// Ctrl+C while a mailbox of very many folders is still being scanned ends the scan between two
// folders: the run says so, exports nothing, writes no log and ends with 1.
TEST_F(ExportCommandTest, CtrlCStopsTheScanBeforeAnythingIsExported) {
  nlohmann::json views = nlohmann::json::array();
  for (int i = 0; i < 100000; ++i)
    views.push_back({{"name", "Folder " + std::to_string(i)}, {"folder", true}, {"documents", {"m1"}}});
  const fs::path wide = scratch / "wide.nsf";
  standin::BuildStore({{"title", "Wide"},
                       {"views", views},
                       {"documents", {{{"id", "m1"}, {"items", {{{"name", "Subject"}, {"text", {"Hi"}}}}}}}}},
                      wide);

  const std::string command = "exec " + std::string(MAILSHIFT_CLI) + " export " + Quoted(wide) + " " +
                              Quoted(destination) + " >" + Quoted(scratch / "out.txt") + " 2>" +
                              Quoted(scratch / "err.txt");
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);

  // The scan has begun once the program holds the store open.
  const auto holdsTheStore = [&] {
    std::error_code error;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error);
         !error && it != fs::end(it); it.increment(error)) {
      std::error_code unreadable;
      if (fs::read_symlink(it->path(), unreadable) == wide) return true;
    }
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!holdsTheStore() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(kill(child, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);

  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadBytes(scratch / "out.txt"), "");
  EXPECT_EQ(ReadBytes(scratch / "err.txt"), "mailshift-cli: the scan was stopped\n");
  EXPECT_TRUE(fs::is_empty(destination));
  EXPECT_FALSE(fs::exists(scratch / "home" / "Log.txt"));
}

// A message with many attachments is written whole when the process may open only a few files
// at once: the attachments are not all held open until the message is written.
TEST_F(ExportCommandTest, ThreeHundredAttachmentsUnderALowOpenFileLimit) {
  nlohmann::json embedded = nlohmann::json::array();
  for (int i = 0; i < 300; ++i)
    embedded.push_back({{"name", "part" + std::to_string(i) + ".txt"}, {"base64", "SGVsbG8="}});
  const fs::path many = scratch / "many.nsf";
  standin::BuildStore({{"title", "Many"},
                       {"views", {{{"name", "($Inbox)"}, {"folder", true}, {"documents", {"m1"}}}}},
                       {"documents",
                        {{{"id", "m1"},
                          {"items",
                           {{{"name", "Subject"}, {"text", {"Attached"}}},
                            {{"name", "Body"}, {"richtext", "See the files"}, {"embedded", embedded}}}}}}}},
                      many);

  const std::string command = "ulimit -n 40 && exec " + std::string(MAILSHIFT_CLI) + " export " +
                              Quoted(many) + " " + Quoted(destination) + " >" + Quoted(scratch / "out.txt") +
                              " 2>" + Quoted(scratch / "err.txt") + " </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << ReadBytes(scratch / "err.txt")
                                    << ReadBytes(scratch / "home" / "Log.txt");

  std::vector<fs::path> messages;
  for (const auto& entry : fs::recursive_directory_iterator(destination / "Many"))
    if (entry.path().extension() == ".eml") messages.push_back(entry.path());
  ASSERT_EQ(messages.size(), 1u);
  const std::string message = ReadBytes(messages.front());
  for (int i = 0; i < 300; ++i) {
    const std::string disposition =
        "Content-Disposition: attachment;\r\n filename=\"part" + std::to_string(i) + ".txt\"\r\n";
    ASSERT_NE(message.find(disposition), std::string::npos) << "part" << i;
  }
  std::size_t bodies = 0;
  for (auto at = message.find("\r\nSGVsbG8=\r\n"); at != std::string::npos;
       at = message.find("\r\nSGVsbG8=\r\n", at + 1))
    ++bodies;
  EXPECT_EQ(bodies, 300u);
}

}  // namespace
}  // namespace mailshift::cli
