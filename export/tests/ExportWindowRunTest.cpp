// The export as the export window starts it: the run's events as the window's label texts, and
// its end as the closing message with its title and icon.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Messages.h"
#include "export/Destination.h"
#include "export/ExportDriver.h"
#include "export/tests/RecordingExport.h"
#include "notes/testing/MemoryNotes.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using Behaviour = notes::testing::MemoryNotesClient::ClassBehaviour;
using Lines = std::vector<std::string>;

const std::string kDatabasePath = "/data/mail.nsf";

class ExportWindowRunTest : public ::testing::Test {
 protected:
  ExportWindowRunTest() {
    setenv("TMPDIR", temp_.path().c_str(), 1);
    values_.DestinationRoot = scratch_.path() + "/dest";
    values_.DatabaseTitle = "Mail";
    auto& db = client_.AddDatabase(kDatabasePath);
    for (const char* view : {"($Inbox)", "($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
      db.AddView(view, true);
    }
    db.AddView("Projects\\2008", true);
    for (const char* subject : {"Budget", "Hello"}) {
      notes::testing::MemoryDocument document;
      document.Text("Subject", {subject});
      document.universalId = std::string(31, 'A') + std::to_string(db.documents.size());
      db.AddDocument(std::move(document));
    }
    db.views[6].documents = {0};
    db.views[0].documents = {1};
  }
  ~ExportWindowRunTest() override { unsetenv("TMPDIR"); }

  ExportResult Run() {
    return RunExport(ExportSetup{client_, state_, values_, [] { return kDatabasePath; }, writer_, window_,
                                 scratch_.path() + "/Log.txt"});
  }

  testing::ScratchFolder scratch_;
  testing::ScratchFolder temp_;
  notes::testing::MemoryNotesClient client_;
  notes::NotesState state_;
  ProgramValues values_;
  testing::RecordingWindow window_;
  testing::RecordingWriter writer_;
};

TEST_F(ExportWindowRunTest, TheLabelsFollowTheRunAndTheCompletionClosesIt) {
  values_.SelectedFolders = {"Inbox",    "Drafts", "Sent",    "Follow-Up",
                             "JunkMail", "Trash",  "Folders", "Projects\\2008"};
  const ExportResult result = Run();
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(window_.events, (Lines{"LblSaveHeader=Checking Configuration...",
                                   "LblProcessing=Processing...",
                                   "LblFound=",
                                   "LblCurrent=",
                                   "LblSubject=hidden",
                                   "LblSubject=shown",
                                   "LblSaveHeader=Saving Emails (Custom Folders)...",
                                   "LblSaveHeader=Saving Emails (Custom Folders)... [Projects\\2008]",
                                   "LblFound=1",
                                   "LblProcessing=Budget",
                                   "LblCurrent=0/1",
                                   "LblSaveHeader=Saving Emails (Inbox)...",
                                   "LblFound=1",
                                   "LblProcessing=Hello",
                                   "LblCurrent=0/1",
                                   "LblSaveHeader=Saving Emails (Sent Items)...",
                                   "LblSaveHeader=Saving Emails (Drafts)...",
                                   "LblSaveHeader=Saving Emails (Follow Up)...",
                                   "LblSaveHeader=Saving Emails (Junk Mail)...",
                                   "LblSaveHeader=Saving Emails (Deleted Items)..."}));
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].text, CompletionText(result));
  EXPECT_EQ(window_.messages[0].title, "Export to Outlook Express");
  EXPECT_EQ(window_.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(window_.progress_.size(), 2u);

  // A message that is not written turns the icon into a warning.
  writer_.refuse = {"Hello"};
  values_.SelectedFolders = {"Inbox"};
  values_.ExportEverythingAgain = true;
  Run();
  EXPECT_EQ(window_.messages.back().title, "Export to Outlook Express");
  EXPECT_EQ(window_.messages.back().icon, MessageIcon::Exclamation);
}

TEST_F(ExportWindowRunTest, AMessageWrittenBeforeShowsTheCountBeforeIt) {
  values_.SelectedFolders = {"Inbox"};
  ASSERT_TRUE(Run().Succeeded());
  window_.events.clear();
  EXPECT_EQ(Run().skipped, 1);
  EXPECT_EQ(std::vector<std::string>(window_.events.end() - 2, window_.events.end()),
            (Lines{"LblFound=1", "LblCurrent=0/1"}));
}

TEST_F(ExportWindowRunTest, ARunThatCannotStartSaysWhyUnderItsOwnTitle) {
  values_.SelectedFolders = {"Inbox"};
  client_.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Fails);
  client_.SetClassBehaviour(notes::kNotesSessionClass, Behaviour::Fails);
  EXPECT_EQ(Run().end, ExportEnd::NotesNotInstalled);
  EXPECT_EQ(window_.messages.back().text, NotInstalledText());
  EXPECT_EQ(window_.messages.back().title, "Notes Not Installed/Configured");
  EXPECT_EQ(window_.messages.back().icon, MessageIcon::Information);
  EXPECT_EQ(window_.events.back(), "LblSubject=hidden");

  client_.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Creates);
  client_.database(kDatabasePath).failViews = true;
  EXPECT_EQ(Run().end, ExportEnd::ConversionError);
  EXPECT_EQ(window_.messages.back().text, "Error occured during conversion...");
  EXPECT_EQ(window_.messages.back().title, "Error in Conversion");
  EXPECT_EQ(window_.messages.back().icon, MessageIcon::Information);

  const std::string file = scratch_.path() + "/file";
  std::ofstream(file) << "not a folder";
  values_.DestinationRoot = file;
  const ExportResult result = Run();
  EXPECT_EQ(result.end, ExportEnd::DestinationError);
  EXPECT_EQ(window_.messages.back().text, DestinationMessage(file, result.failure));
  EXPECT_EQ(window_.messages.back().title, "Error in Conversion");
  EXPECT_EQ(window_.messages.back().icon, MessageIcon::Exclamation);
}

TEST_F(ExportWindowRunTest, ReleasesTheSharedObjectsAndKeepsTheScanSession) {
  const auto scanSession = client_.CreateObject(notes::kDominoSessionClass);
  state_.SessionObj = scanSession;
  state_.DatabaseObj = scanSession->GetDatabase("", kDatabasePath);
  values_.SelectedFolders = {"Inbox"};
  Run();
  EXPECT_EQ(state_.SessionObj, scanSession);
  EXPECT_FALSE(state_.DatabaseObj);
  EXPECT_FALSE(state_.ViewObj);
  EXPECT_FALSE(state_.DocumentObj);
}

}  // namespace
}  // namespace mailshift::mail
