#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::cli {
namespace {

using standin::testing::ReadBytes;
using standin::testing::ScratchFolder;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  // The tool's date text follows the regional settings and the time zone it inherits.
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    setenv("LC_ALL", "C", 1);
  }

  CliRun Cli(const std::string& arguments) {
    const auto out = scratch / "out.txt";
    const auto err = scratch / "err.txt";
    const std::string command =
        std::string(MAILSHIFT_CLI) + " " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return CliRun{WEXITSTATUS(status), ReadBytes(out), ReadBytes(err)};
  }

  std::string Store(const std::string& fixture) {
    const auto store = scratch / "mail.nsf";
    standin::BuildStoreFromText(fixture, store);
    return "'" + store.string() + "'";
  }

  ScratchFolder scratch;
};

constexpr const char* kFixture = R"json({
  "title": "Mail - Ann Lee",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2"]},
    {"name": "($Sent)", "folder": true, "documents": ["m3"]},
    {"name": "Projects\\2008", "folder": true, "documents": ["m3"]},
    {"name": "Projects", "folder": true, "documents": []},
    {"name": "($All)", "folder": false, "documents": ["m1", "m2", "m3"]}
  ],
  "documents": [
    {"id": "m1", "size": 1536, "items": [
      {"name": "From", "text": ["Bob Ray/Org"]},
      {"name": "Subject", "text": ["  Hello  "]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00+00:00"]}]},
    {"id": "m2", "size": 512, "items": [{"name": "Subject", "text": ["No sender"]}]},
    {"id": "m3", "size": 4096, "items": [
      {"name": "SendTo", "text": ["Cy Orr/Org"]},
      {"name": "Subject", "text": ["Budget"]}]}
  ]
})json";

TEST_F(CliTest, ScanPrintsTheTitleTheTreeAndTheMessage) {
  const CliRun run = Cli("scan " + Store(kFixture));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Mail - Ann Lee\n"
            "[x] Notes Email Database\n"
            "  [x] Inbox (2)\n"
            "  [x] Drafts (0)\n"
            "  [x] Sent (1)\n"
            "  [x] Follow Up (0)\n"
            "  [x] Junk Mail (0)\n"
            "  [x] Trash (0)\n"
            "  [x] Folders\n"
            "    [x] Projects (0)\n"
            "      [x] 2008 (1)\n"
            "Notes Database Scan Completed Successfully\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, ScanOfUnreadableDataSaysWhyOnStandardError) {
  standin::testing::WriteBytes(scratch / "other.nsf", std::string(4096, '\x1A'));
  const CliRun run = Cli("scan '" + (scratch / "other.nsf").string() + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  // The reader's reason, not a guess that the file is encrypted.
  EXPECT_EQ(run.err, (scratch / "other.nsf").string() + ": not a mail store\n");

  // A Notes database is named as one, with where it can be read.
  standin::testing::WriteBytes(scratch / "notes.nsf",
                               std::string("\x1A\0\0\x04\0\0", 6) + std::string(8192, 'n'));
  const CliRun notesDatabase = Cli("scan '" + (scratch / "notes.nsf").string() + "'");
  EXPECT_EQ(notesDatabase.exitCode, 1);
  EXPECT_EQ(notesDatabase.err, (scratch / "notes.nsf").string() +
                                   ": this is a Notes database; on Linux this program reads only mail "
                                   "stores made with its store tool (mailshift-store); a Notes database is "
                                   "read through the Notes client on Windows\n");

  const CliRun missing = Cli("scan ''");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Please select a Notes database and click Start Scan to proceed.\n");
}

TEST_F(CliTest, ListPrintsThePreviewRowsOfAFolder) {
  const std::string store = Store(kFixture);
  const CliRun inbox = Cli("list " + store + " Inbox");
  EXPECT_EQ(inbox.exitCode, 0) << inbox.err;
  EXPECT_EQ(inbox.out,
            "Bob Ray/Org\tHello\t2 KB\t11/05/2008 14:30:00\n"
            "\tNo sender\t0 KB\t\n");

  const CliRun user = Cli("list " + store + " 'Projects\\2008'");
  EXPECT_EQ(user.out, "Cy Orr/Org\tBudget\t4 KB\t\n");

  const CliRun root = Cli("list " + store + " ''");
  EXPECT_EQ(root.exitCode, 0);
  EXPECT_EQ(root.out, "");

  // The scan shows "Drafts (0)" for a database without a ($Drafts) view; its list is empty.
  const CliRun drafts = Cli("list " + store + " Drafts");
  EXPECT_EQ(drafts.exitCode, 0) << drafts.err;
  EXPECT_EQ(drafts.out, "");
  EXPECT_EQ(drafts.err, "");
}

TEST_F(CliTest, ListSaysWhyItCannotListAndEndsWithOne) {
  const std::string store = Store(kFixture);
  const CliRun unknown = Cli("list " + store + " Nowhere");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find(": no folder \"Nowhere\"\n"), std::string::npos) << unknown.err;

  standin::testing::WriteBytes(scratch / "cut.nsf", ReadBytes(scratch / "mail.nsf").substr(0, 3000));
  mkfifo((scratch / "fifo.nsf").c_str(), 0600);
  for (const std::string& database : {(scratch / "missing.nsf").string(), scratch.path().string(),
                                      (scratch / "cut.nsf").string(), (scratch / "fifo.nsf").string()}) {
    const CliRun run = Cli("list '" + database + "' Inbox");
    EXPECT_EQ(run.exitCode, 1) << database;
    EXPECT_EQ(run.out, "") << database;
    EXPECT_EQ(run.err.rfind(database + ": ", 0), 0u) << run.err;
  }
}

TEST_F(CliTest, TextFromTheStoreNeverReachesTheTerminalRaw) {
  const std::string store = Store(R"json({
    "title": "Evil\u001b]0;owned\u0007 title",
    "views": [
      {"name": "($Inbox)", "folder": true, "documents": ["m1"]},
      {"name": "Clear\u001b[2J\u009bscreen", "folder": true, "documents": ["m1"]}
    ],
    "documents": [
      {"id": "m1", "items": [{"name": "Subject", "text": ["Hi\u001b[31m red\r\nforged"]}]}
    ]
  })json");
  const CliRun scan = Cli("scan " + store);
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  const CliRun list = Cli("list " + store + " Inbox");
  EXPECT_EQ(list.exitCode, 0) << list.err;
  for (const std::string& output : {scan.out, list.out}) {
    EXPECT_EQ(output.find('\x1b'), std::string::npos) << output;
    EXPECT_EQ(output.find('\a'), std::string::npos) << output;
    EXPECT_EQ(output.find('\r'), std::string::npos) << output;
    EXPECT_EQ(output.find("\xC2\x9B"), std::string::npos) << output;
  }
  EXPECT_NE(scan.out.find("Evil\xEF\xBF\xBD]0;owned\xEF\xBF\xBD title\n"), std::string::npos) << scan.out;
  EXPECT_NE(list.out.find("Hi\xEF\xBF\xBD[31m red"), std::string::npos) << list.out;
}

// A folder is found as scan prints it or by its tag, in any letter case; a name that finds none
// lists the folders spelled nearly so, and one that finds several says which.
TEST_F(CliTest, FoldersAreNamedAsScanShowsThemOrByTagInAnyCase) {
  const std::string store = Store(R"json({
    "title": "Mail",
    "views": [
      {"name": "($Inbox)", "folder": true, "documents": ["m1"]},
      {"name": "($Follow-Up)", "folder": true, "documents": ["m2"]},
      {"name": "Projects\\2008\\Budget", "folder": true, "documents": ["m2"]},
      {"name": "Clients\\Budget", "folder": true, "documents": ["m1"]}
    ],
    "documents": [
      {"id": "m1", "items": [{"name": "Subject", "text": ["One"]}]},
      {"id": "m2", "items": [{"name": "Subject", "text": ["Two"]}]}
    ]
  })json");
  for (const char* name : {"Follow-Up", "'Follow Up'", "'follow up'", "FOLLOW-UP"}) {
    const CliRun run = Cli("list " + store + " " + name);
    EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
    EXPECT_EQ(run.out, "\tTwo\t0 KB\t\n") << name;
  }
  for (const char* name : {"inbox", "'projects\\2008\\budget'", "'Clients\\BUDGET'"}) {
    const CliRun run = Cli("list " + store + " " + name);
    EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
    EXPECT_NE(run.out, "") << name;
  }
  // "2008" holds only a folder: named, it lists nothing.
  EXPECT_EQ(Cli("list " + store + " 'Projects\\2008'").exitCode, 0);

  const CliRun close = Cli("list " + store + " Inbx");
  EXPECT_EQ(close.exitCode, 2);
  EXPECT_NE(close.err.find(": no folder \"Inbx\"; close ones: \"Inbox\"\n"), std::string::npos) << close.err;
  const CliRun twice = Cli("list " + store + " budget");
  EXPECT_EQ(twice.exitCode, 2);
  for (const char* part :
       {"\"budget\" names more than one folder:", " \"Projects\\2008\\Budget\"", " \"Clients\\Budget\""})
    EXPECT_NE(twice.err.find(part), std::string::npos) << twice.err;
}

TEST_F(CliTest, BadArgumentsExitWithTwo) {
  EXPECT_EQ(Cli("").exitCode, 2);
  EXPECT_EQ(Cli("scan").exitCode, 2);
  EXPECT_EQ(Cli("--help").exitCode, 0);
  // An unknown command is named, with the commands there are.
  const CliRun unknown = Cli("frobnicate x");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.err.rfind("mailshift-cli: unknown command \"frobnicate\"; the commands are scan, list, "
                              "export, batch, batch-report\n",
                              0),
            0u)
      << unknown.err;
}

}  // namespace
}  // namespace mailshift::cli
