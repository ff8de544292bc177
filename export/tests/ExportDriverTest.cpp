#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <stdexcept>

#include "common/CodePage.h"
#include "common/DateText.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "export/ExportManifest.h"
#include "export/ExportPlan.h"
#include "export/SafeFiles.h"
#include "export/tests/RecordingExport.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using notes::testing::MemoryDatabase;
using notes::testing::MemoryDocument;
using notes::testing::MemoryEmbedded;
using notes::testing::MemoryMimeEntity;
using notes::testing::MemoryNotesClient;
using notes::testing::MemoryView;
using testing::ReadFile;
using testing::ScratchFolder;
using testing::TreeBelow;
using Behaviour = MemoryNotesClient::ClassBehaviour;

const std::string kDatabasePath = "/data/mail.nsf";
const std::vector<std::string> kEveryStandardTag{"Inbox",    "Drafts", "Sent",   "Follow-Up",
                                                 "JunkMail", "Trash",  "Folders"};

// The log's bytes for these lines.
std::string LogOf(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

MemoryEmbedded Attachment(const std::string& name, const std::string& bytes) {
  return MemoryEmbedded{name, notes::kFileAttachmentType, bytes, false};
}

class ExportDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* previous = std::getenv("TMPDIR");
    if (previous != nullptr) previousTemp_ = previous;
    setenv("TMPDIR", temp_.path().c_str(), 1);
    destination_ = scratch_.path() + "/dest";
    fs::create_directory(destination_);
    logPath_ = scratch_.path() + "/Log.txt";
    plan_.databasePath = kDatabasePath;
    plan_.destination = destination_;
    plan_.title = "Mail";
    client_.AddDatabase(kDatabasePath);
    for (const char* view : {"($Inbox)", "($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
      db().AddView(view, true);
    }
  }
  void TearDown() override {
    if (previousTemp_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", previousTemp_.c_str(), 1);
    }
  }

  MemoryDatabase& db() { return client_.database(kDatabasePath); }
  MemoryView& view(const std::string& name) {
    for (auto& candidate : db().views) {
      if (candidate.name == name) return candidate;
    }
    throw std::logic_error("no view " + name);
  }
  // Adds a user folder view.
  void Folder(const std::string& name) { db().AddView(name, true); }
  // Files a new document into a view.
  void File(const std::string& viewName, MemoryDocument document) {
    view(viewName).documents.push_back(db().AddDocument(std::move(document)));
  }
  void Mail(const std::string& viewName, const std::string& subject,
            std::vector<MemoryEmbedded> attachments = {}) {
    File(viewName, MemoryDocument()
                       .Text("Subject", {subject})
                       .Text("From", {"ann@corp.example"})
                       .Body("Body of " + subject, std::move(attachments)));
  }
  void Select(std::vector<std::string> tags) {
    tags.resize(tags.size() + 3);  // the launch leaves empty entries after the checked ones
    plan_.folders = std::move(tags);
  }

  ExportReport Run() {
    plan_.logPath = logPath_;
    message_.clear();
    const ExportReport report = Export(plan_, ExportServices{client_, writer_}, observer_);
    message_ = EndText(plan_, report);
    return report;
  }

  std::string Root() const { return destination_ + "/Mail/"; }
  std::string Log() const { return ReadFile(logPath_); }
  bool PrivateFoldersGone() const { return fs::is_empty(temp_.path()); }

  ScratchFolder scratch_;
  ScratchFolder temp_;
  std::string previousTemp_;
  std::string destination_;
  std::string logPath_;
  MemoryNotesClient client_;
  ExportPlan plan_;
  testing::RecordingObserver observer_;
  // The message that ends the last run.
  std::string message_;
  testing::RecordingWriter writer_;
};

TEST_F(ExportDriverTest, ExportsAUserFolderAndTheInbox) {
  Folder("Projects\\2008");
  Mail("Projects\\2008", "Budget", {Attachment("plan.xls", "cells")});
  Mail("($Inbox)", "Hello");
  Select({"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders", "Projects\\2008"});

  const ExportReport result = Run();

  ASSERT_EQ(writer_.calls.size(), 2u);
  const std::string attachments = writer_.calls[0].attachments;
  EXPECT_EQ(attachments.rfind("|" + temp_.path() + "/mailshift-", 0), 0u) << attachments;
  EXPECT_EQ(attachments.substr(attachments.size() - 11), "/1/plan.xls") << attachments;
  EXPECT_EQ(Log(), LogOf({"Customer Folder : Projects\\2008",
                          "---------------- Starting User Folders ---------------",
                          "Created : Folder[Projects\\2008]", "\tEmail Subject : SUBJECT[Budget]",
                          "\tAttachment : ATTACH[" + attachments + "]", "Saving Emails (Inbox)...",
                          "\tEmail Subject : SUBJECT[Hello]", "Saving Emails (Sent Items)...",
                          "Saving Emails (Drafts)...", "Saving Emails (Follow Up)...",
                          "Saving Emails (Junk Mail)...", "Saving Emails (Deleted Items)...", "Done"}));

  EXPECT_EQ(observer_.events,
            (std::vector<std::string>{
                "RunStarted", "SessionReady", "LookingForFolders", "Folder=Projects\\2008 -> Projects-2008",
                "Counted=1", "Document=Budget 0/1", "Handled=1/1 written", "Standard=Inbox -> Inbox",
                "Counted=1", "Document=Hello 0/1", "Handled=1/1 written", "Standard=Sent -> Sent Items",
                "Standard=Drafts -> Drafts", "Standard=Follow-Up -> Follow Up",
                "Standard=JunkMail -> Junk Mail", "Standard=Trash -> Deleted Items"}));
  EXPECT_EQ(message_, "Migration Completed Successfully !\r\n2 messages written, 0 not written.\r\n" +
                          Root() + "\r\nMail");

  const auto& budget = writer_.calls[0];
  EXPECT_EQ(budget.root, Root());
  EXPECT_EQ(budget.folder, "Projects-2008");
  EXPECT_EQ(budget.subject, "Budget");
  EXPECT_EQ(budget.from, "ann@corp.example");
  EXPECT_EQ(budget.body, "Body of Budget");
  EXPECT_EQ(budget.attachedFiles, (std::vector<std::pair<std::string, std::string>>{{"plan.xls", "cells"}}));
  EXPECT_EQ(writer_.calls[1].folder, "Inbox");
  EXPECT_EQ(writer_.calls[1].attachments, "");

  EXPECT_EQ(TreeBelow(destination_),
            (std::vector<std::string>{"Mail/", "Mail/Deleted Items/", "Mail/Drafts/", "Mail/Follow Up/",
                                      "Mail/Inbox/", "Mail/Inbox/Hello.2.txt", "Mail/Junk Mail/",
                                      "Mail/Projects-2008/", "Mail/Projects-2008/Budget.1.txt",
                                      "Mail/Sent Items/"}));
  EXPECT_EQ(result.end, ExportEnd::Completed);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.messages, 2);
  EXPECT_EQ(result.outputRoot, Root());
  EXPECT_EQ(result.logPath, logPath_);
  EXPECT_TRUE(PrivateFoldersGone());
  EXPECT_EQ(plan_.destination, destination_);
}

TEST_F(ExportDriverTest, NothingSelectedCreatesOnlyTheRoot) {
  Mail("($Inbox)", "Hello");
  Folder("Work");
  Select({});
  Run();
  EXPECT_EQ(Log(), LogOf({"---------------- Starting User Folders ---------------", "Done"}));
  EXPECT_EQ(TreeBelow(destination_), (std::vector<std::string>{"Mail/"}));
  EXPECT_EQ(message_, "Migration Completed Successfully !\r\n0 messages written, 0 not written.\r\n" +
                          Root() + "\r\nMail");
}

TEST_F(ExportDriverTest, LogsTheSessionLineOnlyForTheSecondClassName) {
  Select({});
  Run();
  EXPECT_EQ(Log(), LogOf({"---------------- Starting User Folders ---------------", "Done"}));
  for (const auto first : {Behaviour::Fails, Behaviour::YieldsNothing}) {
    client_.SetClassBehaviour(notes::kDominoSessionClass, first);
    Run();
    EXPECT_EQ(Log(),
              LogOf({"Lotus Notes Found", "---------------- Starting User Folders ---------------", "Done"}));
  }
}

TEST_F(ExportDriverTest, WithoutANotesSessionTellsTheUserAndCreatesNothing) {
  client_.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Fails);
  client_.SetClassBehaviour(notes::kNotesSessionClass, Behaviour::YieldsNothing);
  Mail("($Inbox)", "Hello");
  Select(kEveryStandardTag);

  const ExportReport result = Run();

  EXPECT_EQ(result.end, ExportEnd::NotesNotInstalled);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(message_,
            "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n\r\n"
            "If Lotus Notes is installed and configured properly and you still get this error message\r\n"
            "then make sure your Lotus Notes Client is configured as stand alone client (does not look for "
            "Domino).\r\n"
            "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n"
            "Please contact our technical team at support@corvane.example for further assistance.\r\n\r\n"
            "Make sure you logged in under same user account through which Notes is installed.");
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(fs::is_empty(destination_));
  EXPECT_EQ(observer_.events, std::vector<std::string>{"RunStarted"});
  EXPECT_TRUE(writer_.calls.empty());
}

TEST_F(ExportDriverTest, ADatabaseThatCannotBeOpenedOrReadIsAConversionError) {
  Select(kEveryStandardTag);
  plan_.databasePath = "/data/elsewhere.nsf";
  client_.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::YieldsNothing);
  ExportReport result = Run();
  EXPECT_EQ(result.end, ExportEnd::ConversionError);
  EXPECT_NE(result.failure.find("elsewhere.nsf"), std::string::npos);
  EXPECT_EQ(message_, "Error occured during conversion...");
  EXPECT_EQ(Log(), LogOf({"Lotus Notes Found"}));
  EXPECT_EQ(observer_.events.back(), "SessionReady");
  EXPECT_EQ(TreeBelow(destination_), (std::vector<std::string>{"Mail/"}));

  plan_.databasePath = kDatabasePath;
  db().failViews = true;
  observer_.events.clear();
  result = Run();
  EXPECT_EQ(result.end, ExportEnd::ConversionError);
  EXPECT_EQ(observer_.events.back(), "LookingForFolders");
  EXPECT_EQ(Log(), LogOf({"Lotus Notes Found"}));
  EXPECT_TRUE(PrivateFoldersGone());
}

TEST_F(ExportDriverTest, APressAfterAFailureStartsAgainFromTheChosenDestination) {
  Mail("($Inbox)", "Hello");
  Select({"Inbox"});
  plan_.databasePath = "/data/elsewhere.nsf";
  EXPECT_EQ(Run().end, ExportEnd::ConversionError);
  plan_.databasePath = kDatabasePath;
  const ExportReport second = Run();
  EXPECT_EQ(second.outputRoot, Root());
  EXPECT_EQ(writer_.calls.at(0).root, Root());
  EXPECT_EQ(plan_.destination, destination_);
  EXPECT_EQ(TreeBelow(destination_),
            (std::vector<std::string>{"Mail/", "Mail/Inbox/", "Mail/Inbox/Hello.1.txt"}));
}

TEST_F(ExportDriverTest, TheRootIsTheSameWithOrWithoutATrailingSeparatorAndTitleSpaces) {
  Select({});
  for (const std::string& destination : {destination_, destination_ + "/"}) {
    plan_.destination = destination;
    EXPECT_EQ(Run().outputRoot, Root()) << "[" << destination << "]";
  }
  plan_.title = "  Mail  ";
  EXPECT_EQ(Run().outputRoot, Root());
}

TEST_F(ExportDriverTest, ADestinationWhoseNameEndsInASpaceIsThatFolder) {
  Select({"Inbox"});
  Mail("($Inbox)", "Hello");
  plan_.destination = destination_ + "/sp ";
  const ExportReport result = Run();
  EXPECT_EQ(result.outputRoot, destination_ + "/sp /Mail/");
  EXPECT_EQ(TreeBelow(destination_),
            (std::vector<std::string>{"sp /", "sp /Mail/", "sp /Mail/Inbox/", "sp /Mail/Inbox/Hello.1.txt"}));
}

TEST_F(ExportDriverTest, SelectsUserFoldersByTheirWholeTrimmedName) {
  for (const char* name : {"Pro", "Projects\\2008", " Work ", "Sent to customers"}) Folder(name);
  for (const char* name : {"Pro", "Projects\\2008", " Work ", "Sent to customers"})
    Mail(name, std::string("in ") + name);
  Mail("($Sent)", "sent mail");

  // A folder in first place counts; "Pro" does not come along with "Projects\2008".
  Select({"Projects\\2008", "Work", "Sent to customers"});
  Run();
  EXPECT_EQ(
      Log(),
      LogOf({"Customer Folder : Projects\\2008", "Customer Folder :  Work ",
             "Customer Folder : Sent to customers", "---------------- Starting User Folders ---------------",
             "Created : Folder[Projects\\2008]", "\tEmail Subject : SUBJECT[in Projects\\2008]",
             "Created : Folder[Sent to customers]", "\tEmail Subject : SUBJECT[in Sent to customers]",
             "Created : Folder[Work]", "\tEmail Subject : SUBJECT[in  Work]", "Done"}));
  EXPECT_EQ(TreeBelow(Root()),
            (std::vector<std::string>{"Projects-2008/", "Projects-2008/in Projects2008.1.txt",
                                      "Sent to customers/", "Sent to customers/in Sent to customers.2.txt",
                                      "Work/", "Work/in  Work.3.txt"}));
}

TEST_F(ExportDriverTest, SelectsStandardFoldersByTheirExactTag) {
  Mail("($Inbox)", "in");
  Mail("($Sent)", "sent");
  Mail("($Drafts)", "draft");
  Mail("($Trash)", "gone");
  Mail("($Follow-Up)", "follow");
  Mail("($JunkMail)", "junk");
  Select({"inbox", "Sent Items", "Follow-Up", "JunkMail", "Folders", "Trash"});
  Run();
  EXPECT_EQ(Log(), LogOf({"---------------- Starting User Folders ---------------",
                          "Saving Emails (Follow Up)...", "\tEmail Subject : SUBJECT[follow]",
                          "Saving Emails (Junk Mail)...", "\tEmail Subject : SUBJECT[junk]",
                          "Saving Emails (Deleted Items)...", "\tEmail Subject : SUBJECT[gone]", "Done"}));
  ASSERT_EQ(writer_.calls.size(), 3u);
  EXPECT_EQ(writer_.calls[0].folder, "Follow Up");
  EXPECT_EQ(writer_.calls[1].folder, "Junk Mail");
  EXPECT_EQ(writer_.calls[2].folder, "Deleted Items");
}

TEST_F(ExportDriverTest, ExportsEachFolderOnceInNameOrder) {
  for (const char* name : {"Zeta", "Alpha", "Zeta", "(Hidden)", "Beta"}) Folder(name);
  view("(Hidden)").folder = true;
  view("Beta").folder = false;
  Select({"Zeta", "Alpha", "(Hidden)", "Beta"});
  Run();
  EXPECT_EQ(Log(), LogOf({"Customer Folder : Zeta", "Customer Folder : Alpha", "Customer Folder : Zeta",
                          "---------------- Starting User Folders ---------------", "Created : Folder[Alpha]",
                          "Created : Folder[Zeta]", "Done"}));
  EXPECT_EQ(TreeBelow(Root()), (std::vector<std::string>{"Alpha/", "Zeta/"}));
}

TEST_F(ExportDriverTest, FindsAFolderWhoseNameHasSpacesAround) {
  Folder("Pro ");
  Mail("Pro ", "kept");
  Select({"Pro"});
  Run();
  ASSERT_EQ(writer_.calls.size(), 1u);
  EXPECT_EQ(writer_.calls[0].folder, "Pro");
  EXPECT_EQ(TreeBelow(Root()), (std::vector<std::string>{"Pro/", "Pro/kept.1.txt"}));
}

// Two folders whose names differ only by blanks around them are both exported; the second into
// an output folder of its own.
TEST_F(ExportDriverTest, FoldersWhoseNamesDifferOnlyByBlanksAreBothExported) {
  Folder("Travel");
  Folder(" Travel ");
  Mail("Travel", "flight");
  Mail(" Travel ", "hotel");
  Select({"Travel"});
  const ExportReport result = Run();
  EXPECT_EQ(result.messages, 2);
  EXPECT_EQ(TreeBelow(Root()), (std::vector<std::string>{"Travel (2)/", "Travel (2)/hotel.2.txt", "Travel/",
                                                         "Travel/flight.1.txt"}));
  EXPECT_NE(Log().find("Created : Folder[Travel (2)]\r\n"), std::string::npos) << Log();
}

TEST_F(ExportDriverTest, AnEmptyFolderKeepsThePreviousCountOnTheWindow) {
  Folder("Empty");
  Folder("Full");
  Mail("Full", "one");
  Mail("Full", "two");
  Select({"Empty", "Full", "Inbox"});
  Run();
  // An empty folder is not counted, so a window keeps showing the count before it.
  EXPECT_EQ(
      observer_.events,
      (std::vector<std::string>{"RunStarted", "SessionReady", "LookingForFolders", "Folder=Empty -> Empty",
                                "Folder=Full -> Full", "Counted=2", "Document=one 0/2", "Handled=1/2 written",
                                "Document=two 1/2", "Handled=2/2 written", "Standard=Inbox -> Inbox"}));
  EXPECT_TRUE(fs::is_directory(Root() + "Empty"));
  EXPECT_TRUE(fs::is_directory(Root() + "Inbox"));
}

TEST_F(ExportDriverTest, HandsOnTrimmedFieldsAndThePeopleOfTheDocument) {
  File("($Inbox)", MemoryDocument()
                       .Text("Subject", {"  Re: [x] done?  "})
                       .Text("From", {" Ann/Org "})
                       .Text("SendTo", {" Bob/Org "})
                       .Text("InetCopyTo", {" cc@corp.example "})
                       .Text("InetBlindCopyTo", {" bcc@corp.example "})
                       .Date("PostedDate", DateTime{1225895400, 0})
                       .Body("  text \r\n "));
  Select({"Inbox"});
  Run();
  ASSERT_EQ(writer_.calls.size(), 1u);
  const auto& call = writer_.calls[0];
  EXPECT_EQ(call.subject, "Re: [x] done?");
  EXPECT_EQ(call.from, "Ann/Org");
  EXPECT_EQ(call.to, "Bob/Org");
  EXPECT_EQ(call.cc, "cc@corp.example");
  EXPECT_EQ(call.bcc, "bcc@corp.example");
  EXPECT_EQ(call.date, Trim(call.date));
  EXPECT_FALSE(call.date.empty());
  EXPECT_EQ(call.body, "text \r\n");
  EXPECT_NE(Log().find("\tEmail Subject : SUBJECT[Re: [x] done?]\r\n"), std::string::npos);
  EXPECT_EQ(observer_.events.at(observer_.events.size() - 2), "Document=  Re: [x] done?   0/1");
}

TEST_F(ExportDriverTest, SentItemsAndDraftsLogTheListTheWriterShortened) {
  for (const char* viewName : {"($Inbox)", "($Sent)", "($Drafts)", "($Trash)"}) {
    Mail(viewName, viewName, {Attachment("a.txt", "A"), Attachment("a.txt", "B")});
  }
  File("($Inbox)", MemoryDocument().Text("Subject", {"link only"}).Body("", {{"link", 1453, "", false}}));
  Select({"Inbox", "Sent", "Drafts", "Trash"});
  Run();

  ASSERT_EQ(writer_.calls.size(), 5u);
  std::vector<std::string> expected{"---------------- Starting User Folders ---------------"};
  const std::vector<std::string> headers{"Saving Emails (Inbox)...", "Saving Emails (Sent Items)...",
                                         "Saving Emails (Drafts)...", "Saving Emails (Deleted Items)..."};
  std::size_t call = 0;
  for (std::size_t folder = 0; folder < 4; ++folder) {
    expected.push_back(headers[folder]);
    const std::string list = writer_.calls[call].attachments;
    ASSERT_EQ(list.front(), '|');
    EXPECT_EQ(writer_.calls[call].attachedFiles,
              (std::vector<std::pair<std::string, std::string>>{{"a.txt", "A"}, {"a.txt", "B"}}));
    const bool shortened = folder == 1 || folder == 2;
    expected.push_back("\tEmail Subject : SUBJECT[" + writer_.calls[call].subject + "]");
    expected.push_back("\tAttachment : ATTACH[" + (shortened ? list.substr(1) : list) + "]");
    ++call;
    if (folder == 0) {
      EXPECT_EQ(writer_.calls[call].attachments, "");
      expected.push_back("\tEmail Subject : SUBJECT[link only]");
      expected.push_back("\tAttachment : ATTACH[]");
      ++call;
    }
  }
  expected.push_back("Done");
  EXPECT_EQ(Log(), LogOf(expected));
  EXPECT_TRUE(PrivateFoldersGone());
}

// A view whose count is below its entries loses none of them, and a count that disagrees is
// logged either way.
TEST_F(ExportDriverTest, WalksEveryFolderToItsLastDocumentWhateverItsViewCounts) {
  Folder("Short");
  Folder("Long");
  for (int i = 0; i < 2; ++i) Mail("Short", "s" + std::to_string(i));
  view("Short").count = 5;
  for (int i = 0; i < 3; ++i) Mail("Long", "l" + std::to_string(i));
  view("Long").count = 1;
  Select({"Short", "Long"});
  const ExportReport result = Run();
  EXPECT_EQ(result.messages, 5);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(Log(), LogOf({"Customer Folder : Short", "Customer Folder : Long",
                          "---------------- Starting User Folders ---------------", "Created : Folder[Long]",
                          "\tEmail Subject : SUBJECT[l0]", "\tEmail Subject : SUBJECT[l1]",
                          "\tEmail Subject : SUBJECT[l2]",
                          "\tCounted : Long holds 3 documents, its view counts 1", "Created : Folder[Short]",
                          "\tEmail Subject : SUBJECT[s0]", "\tEmail Subject : SUBJECT[s1]",
                          "\tCounted : Short holds 2 documents, its view counts 5", "Done"}));
  EXPECT_EQ(observer_.handled[2].handled, 3);
  EXPECT_EQ(observer_.handled[2].count, 3);  // the count shown grows with the documents found
  const std::vector<std::string> expectedTail{"Counted=5", "Document=s0 0/5", "Handled=1/5 written",
                                              "Document=s1 1/5", "Handled=2/5 written"};
  EXPECT_EQ(std::vector<std::string>(observer_.events.end() - 5, observer_.events.end()), expectedTail);
}

TEST_F(ExportDriverTest, CountsBeyondSixteenBitsWork) {
  writer_.writeFiles = false;
  const int documents = 32770;
  for (int i = 0; i < documents; ++i) File("($Inbox)", MemoryDocument().Text("Subject", {"m"}));
  Folder("Big");
  Mail("Big", "only one");
  view("Big").count = 100000;
  Select({"Big", "Inbox"});
  const ExportReport result = Run();
  EXPECT_EQ(result.messages, documents + 1);
  EXPECT_EQ(observer_.events.at(observer_.events.size() - 2), "Document=m 32769/32770");
  EXPECT_NE(std::find(observer_.events.begin(), observer_.events.end(), "Counted=32770"),
            observer_.events.end());
  EXPECT_EQ(observer_.handled.back().handled, 32770);
  EXPECT_NE(std::find(observer_.events.begin(), observer_.events.end(), "Counted=100000"),
            observer_.events.end());
}

TEST_F(ExportDriverTest, AnItemThatCannotBeReadIsWrittenWithoutAndReportedAsNotComplete) {
  MemoryDocument broken =
      MemoryDocument().Text("Subject", {"lost"}).Text("From", {"ann@corp.example"}).Body("text");
  broken.items[0].failRead = true;
  File("($Inbox)", broken);
  MemoryDocument undated = MemoryDocument().Text("Subject", {"undated"}).Text("PostedDate", {"x"});
  undated.items[1].failRead = true;
  File("($Inbox)", undated);
  Select({"Inbox"});
  const ExportReport result = Run();
  ASSERT_EQ(writer_.calls.size(), 2u);
  EXPECT_EQ(writer_.calls[0].subject, "");
  EXPECT_EQ(writer_.calls[0].from, "ann@corp.example");
  // Without a readable "PostedDate" the message takes the document's creation date.
  EXPECT_EQ(writer_.calls[1].date, DateText(undated.created));
  EXPECT_EQ(Log(),
            LogOf({"---------------- Starting User Folders ---------------", "Saving Emails (Inbox)...",
                   "\tEmail Subject : SUBJECT[]", "\tNot complete : the item Subject: GetItemValue failed",
                   "\tEmail Subject : SUBJECT[undated]",
                   "\tNot complete : the item PostedDate: GetItemValue failed", "Done"}));
  EXPECT_EQ(result.incomplete, 2);
  EXPECT_FALSE(result.Succeeded());
}

TEST_F(ExportDriverTest, AFailedExtractionIsLoggedAndReported) {
  Mail("($Inbox)", "Report",
       {MemoryEmbedded{"broken.bin", notes::kFileAttachmentType, "x", true}, Attachment("ok.txt", "ok")});
  Select({"Inbox"});
  const ExportReport result = Run();
  ASSERT_EQ(writer_.calls.size(), 1u);
  const std::string list = writer_.calls[0].attachments;
  EXPECT_EQ(writer_.calls[0].attachedFiles,
            (std::vector<std::pair<std::string, std::string>>{{"ok.txt", "ok"}}));
  // The file that is not there is not handed on: the writer would report it a second time.
  EXPECT_EQ(writer_.calls[0].handedFiles, (std::vector<std::string>{"ok.txt"}));
  EXPECT_EQ(Log(),
            LogOf({"---------------- Starting User Folders ---------------", "Saving Emails (Inbox)...",
                   "\tEmail Subject : SUBJECT[Report]", "\tAttachment : ATTACH[" + list + "]",
                   "\tNot extracted : broken.bin : ExtractFile failed", "Done"}));
  EXPECT_EQ(result.attachmentsNotExtracted, 1);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(message_,
            "Migration Completed with Errors !\r\n1 message written, 0 not written.\r\n"
            "1 attachment could not be extracted.\r\n"
            "The export log names each of them: " +
                logPath_ + "\r\n" + Root() + "\r\nMail");
  EXPECT_TRUE(PrivateFoldersGone());
}

TEST_F(ExportDriverTest, AMessageNotWrittenIsNeverReportedAsSuccess) {
  Mail("($Inbox)", "first");
  Mail("($Inbox)", "refused");
  Mail("($Inbox)", "breaks");
  writer_.refuse = {"refused"};
  writer_.throwFor = {"breaks"};
  Select({"Inbox"});
  const ExportReport result = Run();
  EXPECT_EQ(Log(),
            LogOf({"---------------- Starting User Folders ---------------", "Saving Emails (Inbox)...",
                   "\tEmail Subject : SUBJECT[first]", "\tEmail Subject : SUBJECT[refused]",
                   "\tNot complete : attaching \"x\": gone",
                   "\tNot written : Inbox, document 2 of 3 : disk full", "\tEmail Subject : SUBJECT[breaks]",
                   "\tNot written : Inbox, document 3 of 3 : the component broke down", "Done"}));
  EXPECT_EQ(result.messages, 3);
  EXPECT_EQ(result.notWritten, 2);
  EXPECT_EQ(message_,
            "Migration Completed with Errors !\r\n1 message written, 2 not written.\r\n"
            "The export log names each of them: " +
                logPath_ + "\r\n" + Root() + "\r\nMail");
  EXPECT_EQ(observer_.handled.size(), 3u);
  EXPECT_TRUE(observer_.handled[0].written);
  EXPECT_FALSE(observer_.handled[1].written);
}

TEST_F(ExportDriverTest, AMessageWrittenOnlyInPartIsLoggedAndReported) {
  Mail("($Inbox)", "fine");
  Mail("($Inbox)", "dateless");
  writer_.problemsFor["dateless"] = {"the date \"x\" could not be read", "attaching \"y\": no such file"};
  Select({"Inbox"});
  const ExportReport result = Run();
  EXPECT_EQ(Log(),
            LogOf({"---------------- Starting User Folders ---------------", "Saving Emails (Inbox)...",
                   "\tEmail Subject : SUBJECT[fine]", "\tEmail Subject : SUBJECT[dateless]",
                   "\tNot complete : the date \"x\" could not be read",
                   "\tNot complete : attaching \"y\": no such file", "Done"}));
  EXPECT_EQ(result.incomplete, 1);
  EXPECT_EQ(result.notWritten, 0);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(message_,
            "Migration Completed with Errors !\r\n2 messages written, 0 not written.\r\n"
            "1 of 2 messages could be written only in part.\r\n"
            "The export log names each of them: " +
                logPath_ + "\r\n" + Root() + "\r\nMail");
}

TEST_F(ExportDriverTest, AnEncryptedDocumentIsWrittenWithWhatCanBeReadAndCountedAsEncrypted) {
  MemoryDocument sealed =
      MemoryDocument().Text("Subject", {"sealed"}).Text("From", {"CN=Hal Okafor/O=Corvane"}).Body("x");
  sealed.encrypted = true;
  sealed.items.back().failRead = true;
  File("($Inbox)", sealed);
  MemoryDocument readable = MemoryDocument().Text("Subject", {"decrypted"}).Body("whole");
  readable.encrypted = true;  // the user's ID decrypts it: written whole
  File("($Inbox)", readable);
  plan_.names =
      std::make_shared<const NamesTable>(NamesTable::FromText("Hal Okafor/Corvane,hal@corvane.example\n"));
  Select({"Inbox"});
  const ExportReport result = Run();
  ASSERT_EQ(writer_.calls.size(), 2u);
  EXPECT_EQ(writer_.calls[0].from, "\"Hal Okafor/Corvane\" <hal@corvane.example>");
  EXPECT_EQ(writer_.calls[0].body, "");
  EXPECT_EQ(writer_.calls[1].body, "whole");
  EXPECT_EQ(Log(), LogOf({"---------------- Starting User Folders ---------------",
                          "Saving Emails (Inbox)...", "\tEmail Subject : SUBJECT[sealed]",
                          "\tEncrypted : the document is encrypted; not read: Body",
                          "\tEmail Subject : SUBJECT[decrypted]", "Done"}));
  // What the user's ID can read is all any run could write: the message is whole, and told.
  EXPECT_EQ(result.incomplete, 0);
  EXPECT_EQ(result.encrypted, 1);
  EXPECT_EQ(message_,
            "Migration Completed Successfully !\r\n2 messages written, 0 not written.\r\n"
            "1 message was encrypted and written with what could be read.\r\n" +
                Root() + "\r\nMail");
}

TEST_F(ExportDriverTest, EachFolderTakesTheDateItsPreviewShowsWhenThereIsNoPostedDate) {
  const DateTime revised{1225000000, 0};
  const DateTime delivered{1225100000, 0};
  File("($Drafts)", MemoryDocument()
                        .Text("Subject", {"draft"})
                        .Date("$Revisions", revised)
                        .Date("DeliveredDate", delivered));
  File("($JunkMail)", MemoryDocument()
                          .Text("Subject", {"junk"})
                          .Date("$Revisions", revised)
                          .Date("DeliveredDate", delivered));
  Select({"Drafts", "JunkMail"});
  Run();
  ASSERT_EQ(writer_.calls.size(), 2u);
  EXPECT_EQ(writer_.calls[0].date, DateText(revised));
  EXPECT_EQ(writer_.calls[1].date, DateText(delivered));
}

TEST_F(ExportDriverTest, AFolderThatCannotBeReadIsLoggedAndTheRunGoesOn) {
  db().views.erase(db().views.begin() + 5);  // no ($Trash): a mailbox without it has nothing in it
  Mail("($Sent)", "sent");
  view("($Drafts)").failCount = true;
  Mail("($Drafts)", "draft");
  Folder("Work");
  Mail("Work", "work");
  Select({"Work", "Sent", "Drafts", "Trash"});
  // The database opens for the walk of the views, then no more for "Work".
  client_.failingGetDatabaseCall = 2;
  const ExportReport result = Run();

  EXPECT_EQ(Log(), LogOf({"Customer Folder : Work", "---------------- Starting User Folders ---------------",
                          "Created : Folder[Work]", "\tNot exported : cannot open /data/mail.nsf",
                          "Saving Emails (Sent Items)...", "\tEmail Subject : SUBJECT[sent]",
                          "Saving Emails (Drafts)...",
                          "\tNot exported : the number of documents cannot be read: AllEntries.Count failed",
                          "Saving Emails (Deleted Items)...", "Done"}));
  EXPECT_EQ(result.foldersNotExported, 2);
  EXPECT_EQ(result.end, ExportEnd::Completed);
  EXPECT_NE(message_.find("2 folders could not be read completely."), std::string::npos);
}

TEST_F(ExportDriverTest, AViewWhoseNameCannotBeReadIsLoggedAndSkipped) {
  Folder("Broken");
  view("Broken").failName = true;
  Folder("Work");
  Select({"Work"});
  const ExportReport result = Run();
  EXPECT_EQ(Log(), LogOf({"\tNot exported : a view cannot be read: Name failed", "Customer Folder : Work",
                          "---------------- Starting User Folders ---------------", "Created : Folder[Work]",
                          "Done"}));
  EXPECT_TRUE(result.Succeeded());
}

TEST_F(ExportDriverTest, DatabaseTitleAndFolderNamesCannotLeaveTheDestination) {
  plan_.title = "../../escaped";
  for (const char* name : {"..", "a/b", "C:\\x"}) {
    Folder(name);
    Mail(name, std::string("in ") + name);
  }
  Select({"..", "a/b", "C:\\x"});
  const ExportReport result = Run();
  EXPECT_EQ(result.outputRoot, destination_ + "/..-..-escaped/");
  EXPECT_EQ(
      TreeBelow(destination_),
      (std::vector<std::string>{"..-..-escaped/", "..-..-escaped/C--x/", "..-..-escaped/C--x/in Cx.2.txt",
                                "..-..-escaped/__/", "..-..-escaped/__/in ...1.txt", "..-..-escaped/a-b/",
                                "..-..-escaped/a-b/in ab.3.txt"}));
  EXPECT_EQ(TreeBelow(scratch_.path()).size(), TreeBelow(destination_).size() + 2);  // dest/ and Log.txt

  for (const std::string title : {"", ".", " .. "}) {
    plan_.title = title;
    EXPECT_EQ(Run().outputRoot.substr(destination_.size()), title.empty() || title == "." ? "/_/" : "/__/");
  }
}

TEST_F(ExportDriverTest, WritesTheLogIntoTheOutputRootWhenItsPlaceIsClosed) {
  logPath_ = scratch_.path() + "/no such folder/Log.txt";
  client_.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Fails);
  Mail("($Inbox)", "Hello");
  Select({"Inbox"});
  const ExportReport result = Run();
  EXPECT_EQ(result.logPath, Root() + "Log.txt");
  EXPECT_TRUE(result.logComplete);
  EXPECT_EQ(ReadFile(Root() + "Log.txt"),
            LogOf({"Lotus Notes Found", "---------------- Starting User Folders ---------------",
                   "Saving Emails (Inbox)...", "\tEmail Subject : SUBJECT[Hello]", "Done"}));
  EXPECT_EQ(message_,
            "Migration Completed Successfully !\r\n1 message written, 0 not written.\r\nThe export log is " +
                Root() + "Log.txt (" + logPath_ + ": No such file or directory).\r\n" + Root() + "\r\nMail");
}

TEST_F(ExportDriverTest, SaysSoWhenTheLogCouldNotBeWrittenAnywhere) {
  logPath_ = "";
  fs::create_directories(Root() + "Log.txt");
  Select({});
  const ExportReport result = Run();
  EXPECT_EQ(result.logPath, "");
  EXPECT_FALSE(result.logComplete);
  EXPECT_EQ(result.end, ExportEnd::Completed);
  // Without its log a run is no success: the exit code and the icon say so too.
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(message_,
            "Migration Completed with Errors !\r\n0 messages written, 0 not written.\r\n"
            "The export log could not be written.\r\n" +
                Root() + "\r\nMail");
}

TEST_F(ExportDriverTest, WritesTheLogInTheSystemCodePage) {
  Mail("($Inbox)",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC");
  Select({"Inbox"});
  Run();
  EXPECT_NE(Log().find("\tEmail Subject : SUBJECT[" +
                       ToSystemCodePage("Gr\xC3\xBC\xC3\x9F"
                                        "e \xE2\x82\xAC") +
                       "]\r\n"),
            std::string::npos);
}

TEST_F(ExportDriverTest, ARunThatBreaksOffLeavesNoPrivateFilesBehind) {
  Mail("($Inbox)", "first", {Attachment("a.txt", "A")});
  Mail("($Inbox)", "second", {Attachment("b.txt", "B")});
  Select({"Inbox"});
  observer_.onEvent = [](const std::string& event) {
    if (event == "Document=second 1/2") throw std::runtime_error("window gone");
  };
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_TRUE(PrivateFoldersGone());
}

TEST_F(ExportDriverTest, AStoppedRunFinishesTheMessageItIsOnAndSaysWhatWasLeft) {
  Folder("Work");
  for (const char* subject : {"w1", "w2", "w3"}) Mail("Work", subject);
  for (const char* subject : {"i1", "i2"}) Mail("($Inbox)", subject);
  Mail("($Trash)", "t1");
  Select({"Work", "Inbox", "Trash"});
  observer_.stopAfter = 2;

  const ExportReport result = Run();

  EXPECT_EQ(writer_.calls.size(), 2u);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.left, 4);
  EXPECT_EQ(result.written(), 2);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(Log(),
            LogOf({"Customer Folder : Work", "---------------- Starting User Folders ---------------",
                   "Created : Folder[Work]", "\tEmail Subject : SUBJECT[w1]", "\tEmail Subject : SUBJECT[w2]",
                   "Stopped : the export was stopped before its end; 4 messages left"}));
  EXPECT_EQ(message_,
            "Migration Stopped !\r\n2 messages written, 0 not written, 4 left.\r\n"
            "The export log is " +
                logPath_ + "\r\n" + Root() + "\r\nMail");
  EXPECT_EQ(TreeBelow(Root()), (std::vector<std::string>{"Work/", "Work/w1.1.txt", "Work/w2.2.txt"}));
  EXPECT_TRUE(PrivateFoldersGone());
}

TEST_F(ExportDriverTest, ADestinationThatCannotBeWrittenEndsTheRunBeforeAnythingIsLogged) {
  const std::string file = scratch_.path() + "/file";
  std::ofstream(file) << "not a folder";
  Mail("($Inbox)", "Hello");
  Select({"Inbox"});
  for (const std::string& destination : {file, file + "/below", std::string("/proc/mailshift")}) {
    plan_.destination = destination;
    const ExportReport result = Run();
    EXPECT_EQ(result.end, ExportEnd::DestinationError) << destination;
    EXPECT_EQ(message_.rfind("The destination folder cannot be written:\r\n" + destination + "\r\n", 0), 0u)
        << message_;
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(writer_.calls.empty());
  }
  // Below a missing folder in a folder that takes no new entries, the message says what stops it.
  const std::string closed = "/sys";
  const std::string why = WritableFolderProblem(closed);
  if (why.empty()) GTEST_SKIP() << closed << " takes new entries here";
  plan_.destination = closed + "/mailshift-missing/destination";
  Run();
  EXPECT_EQ(message_, "The destination folder cannot be written:\r\n" + plan_.destination +
                          "\r\nit cannot be created (" + why + ")");
}

TEST_F(ExportDriverTest, LinksBelowTheDestinationAreNeverFollowed) {
  ScratchFolder elsewhere;
  Mail("($Inbox)", "Hello");
  Mail("($Sent)", "Sent one");
  Select({"Inbox", "Sent"});

  // The database's folder is a link: the run refuses it.
  fs::create_directory_symlink(elsewhere.path(), destination_ + "/Mail");
  ExportReport result = Run();
  EXPECT_EQ(result.end, ExportEnd::DestinationError);
  EXPECT_NE(message_.find("link"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));

  // A mail folder is a link: that folder is not exported, the others are.
  fs::remove(destination_ + "/Mail");
  fs::create_directory(destination_ + "/Mail");
  fs::create_directory_symlink(elsewhere.path(), destination_ + "/Mail/Inbox");
  result = Run();
  EXPECT_EQ(result.end, ExportEnd::Completed);
  EXPECT_EQ(result.notWritten, 1);
  EXPECT_EQ(result.foldersNotExported, 1);
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));
  EXPECT_EQ(Log(),
            LogOf({"---------------- Starting User Folders ---------------", "Saving Emails (Inbox)...",
                   "\tNot exported : the folder Inbox cannot be made: it is a link, which is not followed",
                   "Saving Emails (Sent Items)...", "\tEmail Subject : SUBJECT[Sent one]", "Done"}));
}

TEST_F(ExportDriverTest, TheLogIsNeverTheDatabaseALinkOrTheLogOfARunningExport) {
  ScratchFolder other;
  const std::string database = other.path() + "/mail.nsf";
  std::ofstream(database) << "the mailbox";
  plan_.databasePath = database;
  client_.AddDatabase(database);
  client_.database(database).AddView("($Inbox)", true);
  Select({"Inbox"});

  logPath_ = database;
  ExportReport result = Run();
  EXPECT_EQ(ReadFile(database), "the mailbox");
  EXPECT_EQ(result.logPath, Root() + "Log.txt");
  EXPECT_NE(message_.find("is the database being exported"), std::string::npos);

  const std::string target = other.path() + "/target.txt";
  std::ofstream(target) << "kept";
  logPath_ = other.path() + "/link.txt";
  fs::create_symlink(target, logPath_);
  result = Run();
  EXPECT_EQ(ReadFile(target), "kept");
  EXPECT_EQ(result.logPath, Root() + "Log.txt");

  // A pipe is refused at once instead of holding the run up until something reads it.
  logPath_ = other.path() + "/pipe.txt";
  ASSERT_EQ(mkfifo(logPath_.c_str(), 0600), 0);
  result = Run();
  EXPECT_EQ(result.logPath, Root() + "Log.txt");

  logPath_ = other.path() + "/busy.txt";
  ExportLog running(logPath_);
  running.WriteLine("the other run");
  result = Run();
  EXPECT_EQ(result.logPath, Root() + "Log.txt");
  EXPECT_NE(message_.find("the log of another export that is still running"), std::string::npos);
  EXPECT_EQ(ReadFile(logPath_), "the other run\r\n");
}

// A database replaced under its name during the run (a rebuild renamed over it) is not mixed
// into the export: the run ends and says why.
TEST_F(ExportDriverTest, ADatabaseReplacedDuringTheRunEndsIt) {
  ScratchFolder other;
  const std::string database = other.path() + "/mail.nsf";
  std::ofstream(database) << "the first";
  plan_.databasePath = database;
  client_.AddDatabase(database);
  for (const char* name : {"($Inbox)", "($Sent)", "($Drafts)"})
    client_.database(database).AddView(name, true);
  client_.database(database).views[0].documents.push_back(
      client_.database(database).AddDocument(MemoryDocument().Text("Subject", {"in"})));
  for (const char* subject : {"sent", "sent too", "draft", "draft too", "draft three"}) {
    client_.database(database).views[subject[0] == 's' ? 1 : 2].documents.push_back(
        client_.database(database).AddDocument(MemoryDocument().Text("Subject", {subject})));
  }
  Select({"Inbox", "Sent", "Drafts"});
  observer_.onEvent = [&](const std::string& event) {
    if (event != "Standard=Sent -> Sent Items") return;
    std::ofstream(database + ".new") << "the second";
    fs::rename(database + ".new", database);
  };
  const ExportReport result = Run();
  EXPECT_EQ(result.written(), 1);
  // What was never exported is counted as the database was when the run began.
  EXPECT_EQ(result.left, 5);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_NE(message_.find("The export was ended early: the database " + database +
                          " was replaced during the export; export it again to have it "
                          "as it is now."),
            std::string::npos)
      << message_;
}

TEST_F(ExportDriverTest, TheUnfinishedMessagesOfAKilledRunAreRemovedAndNoOthers) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  fs::create_directories(Root() + "Inbox");
  const std::string left = ".mailshift-" + std::to_string(gone) + "-3.part";
  const std::string running = ".mailshift-1-4.part";  // its process is there: another export at work
  for (const std::string& name :
       {left, running, std::string(".mailshift-x-1.part"), std::string("notes.part")}) {
    std::ofstream(Root() + "Inbox/" + name) << "half a message";
  }
  Mail("($Inbox)", "Hello");
  Select({"Inbox"});
  Run();
  EXPECT_FALSE(fs::exists(Root() + "Inbox/" + left));
  for (const char* kept : {".mailshift-1-4.part", ".mailshift-x-1.part", "notes.part"}) {
    EXPECT_TRUE(fs::exists(Root() + "Inbox/" + kept)) << kept;
  }
  EXPECT_NE(Log().find("\tRemoved : " + left + ", the unfinished message of an export that was ended\r\n"),
            std::string::npos)
      << Log();
}

class ExportDriverRerunTest : public ExportDriverTest {
 protected:
  // A message whose document has a universal id made from n.
  void MailWithId(const std::string& viewName, const std::string& subject, int n) {
    MemoryDocument document = MemoryDocument().Text("Subject", {subject});
    document.universalId = std::string(31, '0') + std::to_string(n % 10);
    document.universalId[0] = static_cast<char>('A' + n / 10);
    File(viewName, std::move(document));
  }
  std::string Manifest() const { return ReadFile(Root() + "Mailshift-Manifest.txt"); }
};

TEST_F(ExportDriverRerunTest, ASecondRunWritesOnlyWhatIsMissingAndSaysHowManyItSkipped) {
  Folder("Work");
  MailWithId("($Inbox)", "one", 1);
  MailWithId("($Inbox)", "two", 2);
  MailWithId("Work", "one", 1);  // the same document in another folder is another message
  Mail("($Inbox)", "no id");     // a document without an id is written every time
  Select({"Inbox", "Work"});
  ExportReport result = Run();
  EXPECT_EQ(result.written(), 4);
  EXPECT_EQ(writer_.calls.size(), 4u);
  const std::string manifest = Manifest();
  EXPECT_EQ(std::count(manifest.begin(), manifest.end(), '\n'), 4) << manifest;

  MailWithId("($Inbox)", "three", 3);  // arrived since
  result = Run();
  EXPECT_EQ(result.written(), 2);
  EXPECT_EQ(result.skipped, 3);
  EXPECT_TRUE(result.Succeeded());
  ASSERT_EQ(writer_.calls.size(), 6u);
  EXPECT_EQ(writer_.calls[4].subject, "no id");
  EXPECT_EQ(writer_.calls[5].subject, "three");
  EXPECT_EQ(Log(), LogOf({"Customer Folder : Work", "---------------- Starting User Folders ---------------",
                          "Created : Folder[Work]", "\tSkipped : 1 message written by an earlier export",
                          "Saving Emails (Inbox)...", "\tEmail Subject : SUBJECT[no id]",
                          "\tEmail Subject : SUBJECT[three]",
                          "\tSkipped : 2 messages written by an earlier export", "Done"}));
  EXPECT_EQ(message_.substr(0, message_.find("\r\n", 36)),
            "Migration Completed Successfully !\r\n2 messages written, 0 not written, 3 written before.");

  // Asked to write everything again, it does, and the record starts anew.
  plan_.everythingAgain = true;
  result = Run();
  EXPECT_EQ(result.written(), 5);
  EXPECT_EQ(result.skipped, 0);
  const std::string anew = Manifest();
  EXPECT_EQ(std::count(anew.begin(), anew.end(), '\n'), 5) << anew;
}

// A run killed right after its first message took its name must leave a manifest behind, or the
// next run would not look for that message and write it twice.
TEST_F(ExportDriverRerunTest, TheManifestIsThereBeforeTheFirstRecordedMessageIsWritten) {
  class LookingWriter : public EmailItemWriter {
   public:
    explicit LookingWriter(std::string manifest) : manifest_(std::move(manifest)) {}
    WriteOutcome CreateEmailItem(const std::string&, const std::string&, const EmailItem& fields) override {
      manifestAtWrite.push_back(fs::exists(manifest_));
      WriteOutcome outcome;
      outcome.written = true;
      outcome.path = "/nowhere/x" + fields.origin.universalId + ".eml";
      return outcome;
    }
    std::vector<bool> manifestAtWrite;

   private:
    std::string manifest_;
  };
  Mail("($Inbox)", "no id");
  MailWithId("($Inbox)", "first with an id", 1);
  Select({"Inbox"});
  LookingWriter looking(Root() + "Mailshift-Manifest.txt");
  plan_.logPath = logPath_;
  Export(plan_, ExportServices{client_, looking}, observer_);
  // Made at the start, and held locked while the run lasts.
  EXPECT_EQ(looking.manifestAtWrite, (std::vector<bool>{true, true}));
}

TEST_F(ExportDriverRerunTest, WithoutDocumentIdsOrWithoutItsRecordEveryMessageIsWrittenAsBefore) {
  Mail("($Inbox)", "plain");
  Select({"Inbox"});
  Run();
  EXPECT_FALSE(fs::exists(Root() + "Mailshift-Manifest.txt"));

  MailWithId("($Inbox)", "with id", 1);
  Run();
  fs::remove(Root() + "Mailshift-Manifest.txt");
  const ExportReport result = Run();
  EXPECT_EQ(result.written(), 2);
  EXPECT_EQ(result.skipped, 0);
}

// Every file directly in the output folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ExportDriverRerunTest, AMessageWrittenButNotRecordedIsWrittenAgainInItsPlace) {
  MailWithId("($Inbox)", "recorded", 1);
  MailWithId("($Inbox)", "written only", 2);
  MailWithId("($Inbox)", "not written", 3);
  Select({"Inbox"});
  fs::create_directories(Root() + "Inbox");
  std::ofstream(Root() + "Mailshift-Manifest.txt", std::ios::binary)
      << "Corvane Mailshift export manifest "
         "1\r\nInbox\tA0000000000000000000000000000001\trecorded1.eml\r\nInb";
  std::ofstream(Root() + "Inbox/recorded1.eml", std::ios::binary)
      << "X-Notes-UNID: A0000000000000000000000000000001\r\n\r\na message";
  // Killed after writing it: nothing tells whether every attachment made it into the file.
  std::ofstream(Root() + "Inbox/written only7.eml", std::ios::binary)
      << "Subject: written only\r\nX-Notes-UNID: A0000000000000000000000000000002\r\n\r\nbody\r\n";

  const ExportReport result = Run();

  ASSERT_EQ(writer_.calls.size(), 2u);
  EXPECT_EQ(writer_.calls[0].subject, "written only");
  EXPECT_EQ(writer_.calls[1].subject, "not written");
  EXPECT_EQ(result.skipped, 1);
  // The new file took the unrecorded one's name: the document is there once.
  EXPECT_EQ(FilesIn(Root() + "Inbox"),
            (std::vector<std::string>{"not written.2.txt", "recorded1.eml", "written only7.eml"}));
  EXPECT_NE(Log().find("\tWritten again : Inbox/written only7.eml : an earlier export ended before it could "
                       "record it\r\n"),
            std::string::npos)
      << Log();
  const std::string manifest = Manifest();
  EXPECT_NE(manifest.find("Inbox\tA0000000000000000000000000000002\twritten only7.eml\t"), std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find("\tA0000000000000000000000000000003\t"), std::string::npos) << manifest;

  const ExportReport again = Run();
  EXPECT_EQ(again.written(), 0);
  EXPECT_EQ(again.skipped, 3);
}

// A fallback that is logged and final (the universal id as Message-ID for a $MessageID that is
// none, the creation date, an encrypted body's readable part) leaves the message whole: recorded
// so, counted as written, and not written again by the next run.
TEST_F(ExportDriverRerunTest, AMessageWrittenWithFinalFallbacksIsWholeAndNotWrittenAgain) {
  MailWithId("($Inbox)", "fallback", 1);
  Select({"Inbox"});
  writer_.fallbacksFor["fallback"] = {
      "setting the message's own header fields: no message id in the Message-ID \"x\""};
  ExportReport result = Run();
  EXPECT_TRUE(result.Succeeded()) << message_;
  EXPECT_EQ(result.incomplete, 0);
  EXPECT_NE(
      Log().find("\tFallback : setting the message's own header fields: no message id in the Message-ID "
                 "\"x\"\r\n"),
      std::string::npos)
      << Log();
  result = Run();
  EXPECT_EQ(result.written(), 0);
  EXPECT_EQ(result.skipped, 1);
}

// A message written without some of its parts is recorded as such; the next run writes it again
// and puts the whole one in its place, so the document is there once, whole.
TEST_F(ExportDriverRerunTest, AMessageWrittenInPartIsWrittenAgainAndReplacedByTheWholeOne) {
  MailWithId("($Inbox)", "half", 1);
  MailWithId("($Inbox)", "fine", 2);
  Select({"Inbox"});
  writer_.problemsFor["half"] = {"attaching \"a.pdf\": no space left on device"};
  ExportReport result = Run();
  EXPECT_EQ(result.incomplete, 1);
  EXPECT_EQ(FilesIn(Root() + "Inbox"), (std::vector<std::string>{"fine.2.txt", "half.1.txt"}));
  EXPECT_NE(Manifest().find("\thalf.1.txt\t"), std::string::npos);

  writer_.problemsFor.clear();
  result = Run();
  EXPECT_TRUE(result.Succeeded()) << message_;
  EXPECT_EQ(result.written(), 1);
  EXPECT_EQ(result.skipped, 1);
  ASSERT_EQ(writer_.calls.size(), 3u);
  EXPECT_EQ(writer_.calls[2].subject, "half");
  // The whole message took the partial one's name in one step.
  EXPECT_EQ(FilesIn(Root() + "Inbox"), (std::vector<std::string>{"fine.2.txt", "half.1.txt"}));
  EXPECT_NE(
      Log().find("\tWritten again : Inbox/half.1.txt : an earlier export could write it only in part\r\n"),
      std::string::npos)
      << Log();

  result = Run();
  EXPECT_EQ(result.written(), 0);
  EXPECT_EQ(result.skipped, 2);
}

// An attachment that could not be extracted leaves the message in part as well.
TEST_F(ExportDriverRerunTest, AMessageWithoutAnAttachmentIsNotRecordedAsWhole) {
  MemoryDocument document =
      MemoryDocument()
          .Text("Subject", {"report"})
          .Body("text", {MemoryEmbedded{"lost.bin", notes::kFileAttachmentType, "x", true}});
  document.universalId = "A0000000000000000000000000000001";
  File("($Inbox)", std::move(document));
  Select({"Inbox"});
  Run();
  EXPECT_NE(Manifest().find("\tpart\r\n"), std::string::npos) << Manifest();
  const ExportReport result = Run();
  EXPECT_EQ(result.skipped, 0);
  EXPECT_EQ(writer_.calls.size(), 2u);
  EXPECT_EQ(FilesIn(Root() + "Inbox").size(), 1u);
}

TEST_F(ExportDriverRerunTest, AMessageFileMissingOrChangedSinceIsWrittenAgain) {
  Folder("Work");
  MailWithId("($Inbox)", "kept", 1);
  MailWithId("($Inbox)", "deleted", 2);
  MailWithId("($Inbox)", "changed", 3);
  MailWithId("Work", "kept", 1);
  Select({"Inbox", "Work"});
  Run();
  // User folders go first: the Work message was the first call.
  fs::remove(Root() + "Inbox/deleted.3.txt");
  std::ofstream(Root() + "Inbox/changed.4.txt", std::ios::app) << "more";

  ExportReport result = Run();
  EXPECT_EQ(result.written(), 2);
  EXPECT_EQ(result.skipped, 2);
  EXPECT_NE(
      Log().find(
          "\tWritten again : Inbox/deleted.3.txt : the file written by an earlier export is missing\r\n"),
      std::string::npos)
      << Log();
  EXPECT_NE(Log().find("\tWritten again : Inbox/changed.4.txt : the file written by an earlier export has "
                       "changed since\r\n"),
            std::string::npos);

  // A whole output folder deleted: all of it is written again.
  fs::remove_all(Root() + "Inbox");
  result = Run();
  EXPECT_EQ(result.written(), 3);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(FilesIn(Root() + "Inbox").size(), 3u);
}

TEST_F(ExportDriverRerunTest, ASecondRunIntoTheSamePlaceIsRefusedWhileTheFirstIsAtWork) {
  MailWithId("($Inbox)", "one", 1);
  Select({"Inbox"});
  fs::create_directories(Root());
  OpenedFolder root;
  ASSERT_EQ(root.Open(Root()), 0);
  ExportManifest running(root, false);
  const ExportReport result = Run();
  EXPECT_EQ(result.end, ExportEnd::DestinationError);
  EXPECT_TRUE(writer_.calls.empty());
  EXPECT_NE(message_.find("Another export is writing into " + Root() +
                          " at this moment. Start this export again when that "
                          "one has ended."),
            std::string::npos)
      << message_;
}

// A manifest that stops taking lines (a full disk) ends the run: what it would write next could
// not be told from what is missing by the next run.
TEST_F(ExportDriverRerunTest, AManifestThatCannotBeWrittenEndsTheRunWithAClearMessage) {
  writer_.fileExtension = ".eml";  // found by its header when it was written but not recorded
  for (int i = 0; i < 3; ++i) MailWithId("($Inbox)", "m" + std::to_string(i), i);
  Select({"Inbox"});
  const pid_t child = fork();
  if (child == 0) {
    // Files may not grow beyond the manifest's first line and a short message. The run itself
    // keeps the signal of a file grown past the limit from ending it without a word.
    const rlimit limit{80, 80};
    setrlimit(RLIMIT_FSIZE, &limit);
    const ExportReport result = Run();
    const std::string text = message_;
    const bool told =
        text.find("The export was ended early: the manifest " + Root() +
                  "Mailshift-Manifest.txt could not be written: File too large.") != std::string::npos;
    _exit(told && !result.Succeeded() && result.written() == 1 && result.left == 2 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Without the limit the run again completes, each message there once.
  const ExportReport again = Run();
  EXPECT_TRUE(again.Succeeded()) << message_;
  EXPECT_EQ(again.written() + again.skipped, 3);
  EXPECT_EQ(FilesIn(Root() + "Inbox").size(), 3u);
}

// A damaged database may file two documents of one id in a folder: both are messages, and a run
// that was ended after the first still writes the second when resumed.
TEST_F(ExportDriverRerunTest, TwoDocumentsOfOneIdInAFolderAreBothKeptAcrossARestart) {
  MailWithId("($Inbox)", "first", 1);
  MailWithId("($Inbox)", "second", 1);
  Select({"Inbox"});
  observer_.stopAfter = 1;
  ExportReport result = Run();
  EXPECT_EQ(result.written(), 1);
  observer_.stopAfter = -1;
  result = Run();
  EXPECT_EQ(result.written(), 1);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(writer_.calls.back().subject, "second");
  result = Run();
  EXPECT_EQ(result.written(), 0);
  EXPECT_EQ(result.skipped, 2);
  EXPECT_EQ(FilesIn(Root() + "Inbox").size(), 2u);
}

// A run ended between naming the second message of such an id and recording it: the next run
// finds the file by its header as that id's next message, and writes neither again.
TEST_F(ExportDriverRerunTest, TheSecondMessageOfOneIdWrittenButNotRecordedIsNotWrittenTwice) {
  MailWithId("($Inbox)", "first", 1);
  MailWithId("($Inbox)", "second", 1);
  Select({"Inbox"});
  fs::create_directories(Root() + "Inbox");
  std::ofstream(Root() + "Mailshift-Manifest.txt", std::ios::binary)
      << "Corvane Mailshift export manifest 1\r\nInbox\tA0000000000000000000000000000001\tfirst1.eml\r\n";
  std::ofstream(Root() + "Inbox/first1.eml", std::ios::binary)
      << "Subject: first\r\nX-Notes-UNID: A0000000000000000000000000000001\r\n\r\nbody\r\n";
  std::ofstream(Root() + "Inbox/second2.eml", std::ios::binary)
      << "Subject: second\r\nX-Notes-UNID: A0000000000000000000000000000001\r\n\r\nbody\r\n";

  const ExportReport result = Run();

  ASSERT_EQ(writer_.calls.size(), 1u);
  EXPECT_EQ(writer_.calls[0].subject, "second");
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(FilesIn(Root() + "Inbox"), (std::vector<std::string>{"first1.eml", "second2.eml"}));
  EXPECT_NE(Manifest().find("Inbox\tA0000000000000000000000000000001\tsecond2.eml\t"), std::string::npos)
      << Manifest();
}

// The manifest lies in the user's folder where anything can edit it: a line that names a path
// instead of a plain name must neither send a message outside the destination nor make a file
// elsewhere count as a written message.
TEST_F(ExportDriverRerunTest, AManifestLineNamingAPathIsIgnoredAndNothingLeavesTheDestination) {
  const std::string victim = scratch_.path() + "/victim/";
  fs::create_directories(victim);
  std::ofstream(victim + "precious.txt", std::ios::binary) << "precious";
  std::ofstream(victim + "hostname", std::ios::binary) << "host";
  MailWithId("($Inbox)", "replaced", 1);
  MailWithId("($Inbox)", "counted", 2);
  MailWithId("($Inbox)", "moved", 3);
  Select({"Inbox"});
  fs::create_directories(Root() + "Inbox");
  std::ofstream(Root() + "Inbox/stray.eml", std::ios::binary)
      << "Subject: moved\r\nX-Notes-UNID: A0000000000000000000000000000003\r\n\r\nbody\r\n";
  std::ofstream(Root() + "Mailshift-Manifest.txt", std::ios::binary)
      << "Corvane Mailshift export manifest 1\r\n"
      << "Inbox\tA0000000000000000000000000000001\t../../../victim/precious.txt\t8\tpart\r\n"
      << "Inbox\tA0000000000000000000000000000002\t" << victim << "hostname\t4\r\n"
      << "Inbox\tA0000000000000000000000000000003\t../../../victim/moved.eml\t5\tpart\r\n"
      << "..\tA0000000000000000000000000000004\tx.eml\t5\r\n"
      << "Inbox\tA0000000000000000000000000000005\tcon\x1B[2J.eml\t5\r\n";

  ExportReport result = Run();

  EXPECT_EQ(result.written(), 3);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_EQ(ReadFile(victim + "precious.txt"), "precious");
  EXPECT_EQ(FilesIn(victim), (std::vector<std::string>{"hostname", "precious.txt"}));
  // The unrecorded message found by its header is written again in its own place.
  EXPECT_EQ(FilesIn(Root() + "Inbox"),
            (std::vector<std::string>{"counted.2.txt", "replaced.1.txt", "stray.eml"}));
  EXPECT_NE(Log().find("\tIgnored : 5 lines of the manifest " + Root() +
                       "Mailshift-Manifest.txt naming no file an export could have made there\r\n"),
            std::string::npos)
      << Log();

  result = Run();
  EXPECT_EQ(result.written(), 0);
  EXPECT_EQ(result.skipped, 3);
  EXPECT_EQ(FilesIn(Root() + "Inbox").size(), 3u);
}

// Out of file handles, a folder whose files cannot be looked at cannot have its messages recorded
// either: the run ends with the reason rather than write messages the next run writes again.
TEST_F(ExportDriverRerunTest, NothingIsWrittenWithoutBeingRecordedWhenFileHandlesRunOut) {
  for (int i = 0; i < 3; ++i) MailWithId("($Inbox)", "m" + std::to_string(i), i);
  Select({"Inbox"});
  int fullRuns = 0;
  int endedRuns = 0;
  for (int spare = 0; spare < 12; ++spare) {
    fs::remove_all(destination_);
    fs::create_directory(destination_);
    const pid_t child = fork();
    if (child == 0) {
      const int lowestFree = dup(0);
      close(lowestFree);
      rlimit limit{};
      getrlimit(RLIMIT_NOFILE, &limit);
      const rlim_t before = limit.rlim_cur;
      limit.rlim_cur = static_cast<rlim_t>(lowestFree + spare);
      setrlimit(RLIMIT_NOFILE, &limit);
      const ExportReport result = Run();
      limit.rlim_cur = before;
      setrlimit(RLIMIT_NOFILE, &limit);
      // Every message file there is one the manifest names, or the run says it ended for that.
      const std::string manifest = fs::exists(Root() + "Mailshift-Manifest.txt") ? Manifest() : "";
      int unrecorded = 0;
      if (fs::is_directory(Root() + "Inbox")) {
        for (const std::string& name : FilesIn(Root() + "Inbox"))
          if (manifest.find("\t" + name + "\t") == std::string::npos) ++unrecorded;
      }
      const bool ended = message_.find("The export was ended early: the manifest " + Root() +
                                       "Mailshift-Manifest.txt cannot record the messages of Inbox: the "
                                       "folder cannot be opened: Too many open files") != std::string::npos;
      _exit(unrecorded != 0 ? 1 : result.written() == 3 && result.Succeeded() ? 10 : ended ? 11 : 12);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 1)
        << "messages written but not recorded with " << spare << " spare handles";
    if (WEXITSTATUS(status) == 10) ++fullRuns;
    if (WEXITSTATUS(status) == 11) ++endedRuns;
  }
  EXPECT_GT(fullRuns, 0);
  EXPECT_GT(endedRuns, 0);
}

// Random edits of a manifest a run wrote, and of its files, then a run: whatever the manifest
// says, nothing is written outside the destination and every document ends up in its folder
// exactly once. MAILSHIFT_MANIFEST_FUZZ_ROUNDS asks for a longer run (the sanitizer build's),
// MAILSHIFT_MANIFEST_FUZZ_SEED for other edits.
class ManifestEdits {
 public:
  ManifestEdits(std::uint32_t seed, std::string victim) : random_(seed), victim_(std::move(victim)) {}

  std::string Edit(const std::string& manifest) {
    std::vector<std::string> lines = LinesOf(manifest);
    const int edits = 1 + Below(3);
    for (int i = 0; i < edits && lines.size() > 1; ++i) {
      const std::size_t at = 1 + Below(static_cast<int>(lines.size()) - 1);
      switch (Below(9)) {
        case 0:
          lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
          break;
        case 1:
          lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]);
          break;
        case 2:
          std::swap(lines[at], lines[1 + Below(static_cast<int>(lines.size()) - 1)]);
          break;
        case 3:
          SetField(lines[at], Below(2) == 0 ? 0 : 2, Hostile());
          break;
        case 4:
          SetField(lines[at], 1, Field(lines[1 + Below(static_cast<int>(lines.size()) - 1)], 1));
          break;
        case 5:
          SetField(lines[at], 2, Field(lines[1 + Below(static_cast<int>(lines.size()) - 1)], 2));
          break;
        case 6:
          SetField(lines[at], 3, std::to_string(Below(400)));
          break;
        case 7:
          lines[at] += Below(2) == 0 ? "\tpart" : "\tpart\textra";
          break;
        default: {
          static const std::string kBytes("\t\r\n\0x/.A9", 9);
          if (!lines[at].empty())
            lines[at][Below(static_cast<int>(lines[at].size()))] =
                kBytes[Below(static_cast<int>(kBytes.size()))];
        }
      }
    }
    std::string edited;
    for (const std::string& line : lines) edited += line + "\r\n";
    if (Below(4) == 0) edited.resize(Below(static_cast<int>(edited.size())));  // cut off
    return edited;
  }
  int Below(int bound) { return bound <= 0 ? 0 : std::uniform_int_distribution<int>(0, bound - 1)(random_); }

 private:
  static std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  static std::vector<std::string> FieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
  }
  static std::string Field(const std::string& line, std::size_t index) {
    const auto fields = FieldsOf(line);
    return index < fields.size() ? fields[index] : std::string();
  }
  static void SetField(std::string& line, std::size_t index, const std::string& value) {
    auto fields = FieldsOf(line);
    if (index >= fields.size()) return;
    fields[index] = value;
    line.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? "" : "\t") + fields[i];
  }
  std::string Hostile() {
    const std::vector<std::string> values{"../../../victim/precious.txt",
                                          victim_ + "precious.txt",
                                          "..",
                                          "",
                                          ".",
                                          "Inbox/../..",
                                          "/etc/hostname",
                                          "CON.eml",
                                          std::string("x\x01y.eml"),
                                          "Work",
                                          "Inbox",
                                          "../Work"};
    return values[Below(static_cast<int>(values.size()))];
  }

  std::mt19937 random_;
  std::string victim_;
};

// The document ids in the headers of the folder's message files, and the names of its other files.
std::multiset<std::string> IdsIn(const std::string& folder, std::vector<std::string>& others) {
  std::multiset<std::string> ids;
  if (!fs::is_directory(folder)) return ids;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string content = ReadFile(entry.path().string());
    const auto at = content.find("X-Notes-UNID: ");
    if (entry.path().extension() != ".eml" || at == std::string::npos) {
      others.push_back(entry.path().filename().string());
      continue;
    }
    ids.insert(content.substr(at + 14, content.find('\n', at) - at - 14));
  }
  return ids;
}

TEST_F(ExportDriverRerunTest, AnEditedManifestNeverSendsAMessageOutsideNorLeavesTwoCopies) {
  writer_.fileExtension = ".eml";
  Folder("Work");
  std::multiset<std::string> inbox;
  std::multiset<std::string> work;
  for (int i = 1; i <= 8; ++i) MailWithId("($Inbox)", "in " + std::to_string(i), i);
  for (int i = 5; i <= 10; ++i) MailWithId("Work", "work " + std::to_string(i), i);  // some in both
  for (const std::size_t document : view("($Inbox)").documents)
    inbox.insert(db().documents[document].universalId);
  for (const std::size_t document : view("Work").documents) work.insert(db().documents[document].universalId);
  Select({"Inbox", "Work"});
  const std::string victim = scratch_.path() + "/victim/";
  fs::create_directories(victim);
  std::ofstream(victim + "precious.txt", std::ios::binary) << "precious";
  ASSERT_TRUE(Run().Succeeded()) << message_;
  const std::string written = Manifest();
  const auto outside = [&] {
    std::vector<std::string> entries;
    for (const std::string& entry : TreeBelow(scratch_.path()))
      if (!entry.starts_with("dest/") && entry != "Log.txt") entries.push_back(entry);
    return entries;
  };
  const std::vector<std::string> outsideBefore = outside();

  const char* roundsText = std::getenv("MAILSHIFT_MANIFEST_FUZZ_ROUNDS");
  const char* seedText = std::getenv("MAILSHIFT_MANIFEST_FUZZ_SEED");
  const int rounds = roundsText != nullptr ? std::atoi(roundsText) : 30;
  const auto seed =
      static_cast<std::uint32_t>(seedText != nullptr ? std::strtoul(seedText, nullptr, 10) : 27);
  ManifestEdits edits(seed, victim);
  for (int round = 0; round < rounds; ++round) {
    // Mostly the manifest as this run left it, at times the first run's again.
    const std::string before = edits.Below(4) == 0 ? written : Manifest();
    std::ofstream(Root() + "Mailshift-Manifest.txt", std::ios::binary | std::ios::trunc)
        << edits.Edit(before);
    if (edits.Below(4) == 0) {  // a message file renamed as well
      const std::vector<std::string> files = FilesIn(Root() + "Inbox");
      const std::string& name = files[static_cast<std::size_t>(edits.Below(static_cast<int>(files.size())))];
      if (name.ends_with(".eml")) fs::rename(Root() + "Inbox/" + name, Root() + "Inbox/renamed " + name);
    }
    const ExportReport result = Run();
    const std::string context =
        "round " + std::to_string(round) + ", seed " + std::to_string(seed) + "\n" + Log() + "\n" + message_;
    EXPECT_EQ(ReadFile(victim + "precious.txt"), "precious") << context;
    EXPECT_EQ(outside(), outsideBefore) << context;
    std::vector<std::string> others;
    EXPECT_EQ(IdsIn(Root() + "Inbox", others), inbox) << context;
    EXPECT_EQ(IdsIn(Root() + "Work", others), work) << context;
    EXPECT_TRUE(others.empty()) << context;
    EXPECT_TRUE(result.Succeeded()) << context;
    // What it recorded is true: a run after it writes nothing.
    EXPECT_EQ(Run().written(), 0) << context;
    if (::testing::Test::HasFailure()) break;
  }
}

// Every operation on a folder held open takes one name in it and nothing else.
TEST(OpenedFolderNames, APathGivenAsANameIsRefused) {
  testing::ScratchFolder scratch;
  fs::create_directories(scratch.path() + "/in");
  std::ofstream(scratch.path() + "/outside.txt", std::ios::binary) << "outside";
  std::ofstream(scratch.path() + "/in/inside.txt", std::ios::binary) << "inside";
  OpenedFolder folder;
  ASSERT_EQ(folder.Open(scratch.path() + "/in/"), 0);
  const std::string outside = scratch.path() + "/outside.txt";
  for (const std::string& name : {std::string("../outside.txt"), outside, std::string(".."), std::string()}) {
    int error = 0;
    EXPECT_EQ(folder.PlainFileSize(name), OpenedFolder::kNotAPlainFile) << name;
    EXPECT_EQ(folder.OpenPlainFileForReading(name, error), nullptr) << name;
    EXPECT_EQ(error, EINVAL) << name;
    EXPECT_EQ(folder.CreateNewFile(name, error), nullptr) << name;
    EXPECT_EQ(error, EINVAL) << name;
    EXPECT_EQ(folder.RenameReplacing("inside.txt", name), EINVAL) << name;
    EXPECT_EQ(folder.RenameNoReplace("inside.txt", name), EINVAL) << name;
    EXPECT_EQ(folder.RenameReplacing(name, "inside.txt"), EINVAL) << name;
    EXPECT_EQ(folder.Remove(name), EINVAL) << name;
  }
  EXPECT_EQ(ReadFile(outside), "outside");
  EXPECT_EQ(ReadFile(scratch.path() + "/in/inside.txt"), "inside");
}

}  // namespace
}  // namespace mailshift::mail

namespace mailshift::mail {
namespace {

// A document stored as MIME keeps its parts, unless the plain text is asked for: then the body is
// the body item's text alone, as the run has always read it.
TEST_F(ExportDriverTest, ThePlainTextOptionWritesTheBodyItemsTextAlone) {
  MemoryDocument document = MemoryDocument().Text("Subject", {"stored as MIME"}).Text("Body", {"the text"});
  document.mimeBody =
      MemoryMimeEntity{"text", "html", "Content-Type: text/html\r\n", "<p>the text</p>", {}, false};
  File("($Inbox)", std::move(document));
  Select({"Inbox"});
  Run();
  ASSERT_EQ(writer_.calls.size(), 1u);
  EXPECT_TRUE(writer_.calls[0].withBodyParts);

  plan_.plainText = true;
  plan_.everythingAgain = true;
  Run();
  ASSERT_EQ(writer_.calls.size(), 2u);
  EXPECT_FALSE(writer_.calls[1].withBodyParts);
  EXPECT_EQ(writer_.calls[1].body, "the text");
}

}  // namespace
}  // namespace mailshift::mail
