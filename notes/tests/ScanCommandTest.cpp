// The main window's scan and preview handlers over the core: what they show in the controls.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "notes/Scan.h"
#include "notes/tests/MainWindowFixture.h"

namespace mailshift::notes {
namespace {

using Behaviour = testing::MemoryNotesClient::ClassBehaviour;
using Lines = std::vector<std::string>;

class ScanCommandTest : public MainWindowFixture {
 protected:
  void ExpectOnlyMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    ASSERT_EQ(window.Messages.shown.size(), 1u);
    const auto& shown = window.Messages.shown.front();
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.title, title);
    EXPECT_EQ(shown.icon, icon);
    EXPECT_EQ(shown.buttons, MessageButtons::Ok);
  }
};

TEST_F(ScanCommandTest, DoesNothingWhileThePreviewTabIsShown) {
  window.NotesTab.selected = 2;
  EXPECT_FALSE(Scan().started);
  EXPECT_TRUE(client.createdClasses.empty());
  EXPECT_TRUE(window.Messages.shown.empty());
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(window.Wait.pauses.empty());
}

TEST_F(ScanCommandTest, AnEmptyPathBoxGivesTheGuidanceAndCreatesNoSession) {
  window.txtNotesDatabaseFile.SetCaption("");
  window.CmdBrowse.SetEnabled(false);
  EXPECT_FALSE(Scan().started);
  ExpectOnlyMessage("Please select a Notes database and click Start Scan to proceed.",
                    "Select Notes Database", MessageIcon::Information);
  EXPECT_TRUE(client.createdClasses.empty());
  EXPECT_EQ(window.NotesTab.selected, 1);
  EXPECT_TRUE(window.CmdBrowse.IsEnabled());
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(tree.nodes.empty());
}

TEST_F(ScanCommandTest, ACompletedScanFillsAndChecksTheTreeAndOpensThePreview) {
  db.AddView("($Inbox)", true, Documents(3));
  db.AddView("($Sent)", true, Documents(1));
  db.AddView("Zeta", true, Documents(1));

  const ScanOutcome outcome = Scan();
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.result.end, ScanEnd::Completed);
  EXPECT_EQ(tree.Outline(), (Lines{"[x] Notes Email Database", "  [x] Inbox (3)", "  [x] Drafts (0)",
                                   "  [x] Sent (1)", "  [x] Follow Up (0)", "  [x] Junk Mail (0)",
                                   "  [x] Trash (0)", "  [x] Folders", "    [x] Zeta (1)"}));
  EXPECT_EQ(*tree.Find("Folders\\Zeta")->parentKey, "Folders");
  EXPECT_EQ(tree.smallIconCalls, 1);
  EXPECT_EQ(values.InboxCount, 3);
  EXPECT_EQ(values.DraftsCount, 0);
  EXPECT_EQ(values.SentCount, 1);
  EXPECT_EQ(values.DatabaseTitle, "John Doe Mail");
  EXPECT_EQ(notes.SessionObj, outcome.result.session);

  ExpectOnlyMessage("Notes Database Scan Completed Successfully", "Scan Completed...",
                    MessageIcon::Information);
  EXPECT_TRUE(window.NotesToolBar.IsButtonEnabled(4));
  EXPECT_TRUE(window.NotesTab.IsTabEnabled(2));
  EXPECT_EQ(window.NotesTab.selected, 2);
  EXPECT_TRUE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(window.ImgReadingArrow.IsVisible());
  EXPECT_TRUE(window.ImgEmailsArrow.IsVisible());
  EXPECT_TRUE(window.ImgMailFolderArrow.IsVisible());
  EXPECT_EQ(window.LblFolderName.captions, (Lines{"", "Zeta", "Zeta (1 Emails)"}));
  EXPECT_EQ(window.Wait.pauses, (std::vector<int>{10, 10}));
}

TEST_F(ScanCommandTest, WithoutAnyNotesClassTheScanShowsNotInstalledAndLeavesTheTree) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Fails);
  client.SetClassBehaviour(kNotesSessionClass, Behaviour::Fails);
  EXPECT_EQ(Scan().result.end, ScanEnd::NotInstalled);
  ExpectOnlyMessage(NotInstalledText(), "Notes Not Installed/Configured", MessageIcon::Information);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_FALSE(notes.SessionObj);
}

TEST_F(ScanCommandTest, AnUnreadableDatabaseShowsNoDataWithTheFixedNodesUnchecked) {
  values.DatabaseTitle = "Previous";
  window.txtNotesDatabaseFile.SetCaption("C:\\Mail\\missing.nsf");
  EXPECT_EQ(Scan().result.end, ScanEnd::NoData);
  ExpectOnlyMessage("No Data Found in NSF file or NSF file is encrypted", "", MessageIcon::None);
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_FALSE(notes.SessionObj);
  EXPECT_EQ(values.DatabaseTitle, "");
  EXPECT_EQ(tree.nodes.size(), 8u);
  for (const auto& node : tree.nodes) EXPECT_EQ(node.checkState, 0) << node.key;
  EXPECT_FALSE(window.NotesToolBar.IsButtonEnabled(4));
}

TEST_F(ScanCommandTest, ANotesSessionFailingBeforeTheViewsShowsNotInstalledKeepingTheTreeSoFar) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  window.txtNotesDatabaseFile.SetCaption("C:\\Mail\\missing.nsf");
  EXPECT_EQ(Scan().result.end, ScanEnd::NotInstalled);
  ExpectOnlyMessage(NotInstalledText(), "Notes Not Installed/Configured", MessageIcon::Information);
  EXPECT_EQ(tree.nodes.size(), 8u);
  EXPECT_TRUE(window.ScanFrame.IsVisible());
  EXPECT_FALSE(window.NotesToolBar.IsButtonEnabled(4));
}

TEST_F(ScanCommandTest, ARefusedNodeIsSteppedOverWithItsChildren) {
  tree.refusedKeys = {"Folders"};
  db.AddView("Projects", true);
  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.result.end, ScanEnd::Completed);
  EXPECT_EQ(tree.nodes.size(), 7u);  // the user folder has no "Folders" node to go under
  EXPECT_EQ(outcome.result.skippedFailures, (Lines{"node refused: Folders", "no parent Folders"}));
}

TEST_F(ScanCommandTest, AClickOnANodeListsItsFolderWithTheMessageIcon) {
  db.AddView("($Inbox)", true, Documents(2));
  db.AddView("($Trash)", true);
  ASSERT_EQ(Scan().result.end, ScanEnd::Completed);
  window.Wait.pauses.clear();

  EXPECT_EQ(Click("Inbox").rows, 2u);
  EXPECT_EQ(window.MailList.rows, (Lines{"\t\t1 KB\t", "\t\t1 KB\t"}));
  EXPECT_EQ(window.MailList.icons, (std::map<std::pair<int, int>, int>{{{0, 0}, 56}, {{1, 0}, 56}}));
  EXPECT_EQ(window.Wait.doEventsCalls, 1);
  EXPECT_EQ(window.Wait.pauses, std::vector<int>{10});

  const PreviewOutcome empty = Click("Trash");
  EXPECT_TRUE(window.MailList.rows.empty());
  EXPECT_EQ(empty.failure, "");

  // Nothing selected does nothing.
  Click("Inbox");
  tree.selected.reset();
  MainWindowControls c = controls();
  ContactsTreeView_Click(c, notes);
  EXPECT_EQ(window.MailList.rows.size(), 2u);
  EXPECT_EQ(window.Wait.doEventsCalls, 3);

  // Without a session the list stays empty.
  notes.SessionObj.reset();
  EXPECT_EQ(Click("Inbox").failure, "no Notes session");
  EXPECT_TRUE(window.MailList.rows.empty());
}

}  // namespace
}  // namespace mailshift::notes
