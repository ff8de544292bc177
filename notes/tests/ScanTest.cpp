#include <gtest/gtest.h>

#include "common/Messages.h"
#include "notes/Scan.h"
#include "notes/tests/MainWindowFixture.h"

namespace mailshift::notes {
namespace {

using Behaviour = testing::MemoryNotesClient::ClassBehaviour;
using Lines = std::vector<std::string>;

const Lines kEmptyMailbox = {
    "[x] Notes Email Database", "  [x] Inbox (0)",     "  [x] Drafts (0)", "  [x] Sent (0)",
    "  [x] Follow Up (0)",      "  [x] Junk Mail (0)", "  [x] Trash (0)",  "  [x] Folders",
};

const std::string kNotInstalled =
    "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n"
    "\r\n"
    "If Lotus Notes is installed and configured properly and you still get this error message\r\n"
    "then make sure your Lotus Notes Client is configured as stand alone client (does not look for "
    "Domino).\r\n"
    "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n"
    "Please contact our technical team at support@corvane.example for further assistance.\r\n"
    "\r\n"
    "Make sure you logged in under same user account through which Notes is installed.";

class ScanTest : public MainWindowFixture {
 protected:
  void ExpectOnlyMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    ASSERT_EQ(window.Messages.shown.size(), 1u);
    const auto& shown = window.Messages.shown.front();
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.title, title);
    EXPECT_EQ(shown.icon, icon);
    EXPECT_EQ(shown.buttons, MessageButtons::Ok);
  }

  const testing::MemoryView* ViewNamed(const std::string& name) {
    for (const auto& view : db.views) {
      if (view.name == name) return &view;
    }
    return nullptr;
  }

  const mailshift::testing::FakeTreeNode& Node(const std::string& key) {
    const auto* node = tree.Find(key);
    if (node == nullptr) throw std::runtime_error("no node " + key);
    return *node;
  }
};

TEST_F(ScanTest, DoesNothingWhileThePreviewTabIsShown) {
  window.NotesTab.selected = 2;
  EXPECT_EQ(Scan().end, ScanEnd::NotOnSelectFileTab);
  EXPECT_TRUE(client.createdClasses.empty());
  EXPECT_TRUE(window.Messages.shown.empty());
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(window.Wait.pauses.empty());
}

TEST_F(ScanTest, AnEmptyPathBoxGivesTheGuidanceAndCreatesNoSession) {
  window.txtNotesDatabaseFile.SetCaption("");
  window.CmdBrowse.SetEnabled(false);
  EXPECT_EQ(Scan().end, ScanEnd::NoDatabaseChosen);
  ExpectOnlyMessage("Please select a Notes database and click Start Scan to proceed.",
                    "Select Notes Database", MessageIcon::Information);
  EXPECT_TRUE(client.createdClasses.empty());
  EXPECT_EQ(window.NotesTab.selected, 1);
  EXPECT_TRUE(window.CmdBrowse.IsEnabled());
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(tree.nodes.empty());
}

TEST_F(ScanTest, AMailboxWithoutUserFoldersGivesTheFixedTreeAndTheSuccessMessage) {
  db.AddView("($Inbox)", true, Documents(3));
  db.AddView("($Sent)", true, Documents(1));
  db.AddView("($Trash)", true);
  db.AddView("($All)", false, Documents(4));

  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::Completed);
  EXPECT_TRUE(outcome.skippedFailures.empty());

  EXPECT_EQ(tree.Outline(),
            (Lines{"[x] Notes Email Database", "  [x] Inbox (3)", "  [x] Drafts (0)", "  [x] Sent (1)",
                   "  [x] Follow Up (0)", "  [x] Junk Mail (0)", "  [x] Trash (0)", "  [x] Folders"}));
  struct Expected {
    const char* key;
    int image;
    bool emphasis;
    const char* tag;
  };
  const Expected expected[] = {{"Lotus Notes Address Book", 0, true, ""},
                               {"Inbox", 67, true, "Inbox"},
                               {"Drafts", 65, false, "Drafts"},
                               {"Sent", 69, true, "Sent"},
                               {"Follow-Up", 71, false, "Follow-Up"},
                               {"JunkMail", 68, false, "JunkMail"},
                               {"Trash", 66, false, "Trash"},
                               {"Folders", 70, false, "Folders"}};
  ASSERT_EQ(tree.nodes.size(), std::size(expected));
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    const TreeNodeSpec& node = tree.nodes[i];
    EXPECT_EQ(node.key, expected[i].key);
    EXPECT_EQ(node.image, expected[i].image) << node.key;
    EXPECT_EQ(node.emphasis, expected[i].emphasis) << node.key;
    EXPECT_EQ(node.tag, expected[i].tag) << node.key;
    EXPECT_EQ(node.parentKey.has_value(), i != 0) << node.key;
    if (i != 0) {
      EXPECT_EQ(*node.parentKey, "Lotus Notes Address Book");
    }
  }
  EXPECT_EQ(tree.smallIconCalls, 1);
  EXPECT_EQ(tree.finishUpdateCalls, 2);  // after the fixed nodes and after checking every node

  EXPECT_EQ(values.InboxCount, 3);
  EXPECT_EQ(values.DraftsCount, 0);
  EXPECT_EQ(values.SentCount, 1);
  EXPECT_EQ(values.TrashCount, 0);
  EXPECT_EQ(values.DatabaseTitle, "John Doe Mail");

  ExpectOnlyMessage("Notes Database Scan Completed Successfully", "Scan Completed...",
                    MessageIcon::Information);
  EXPECT_TRUE(window.NotesToolBar.IsButtonEnabled(4));
  EXPECT_TRUE(window.NotesTab.IsTabEnabled(2));
  EXPECT_EQ(window.NotesTab.selected, 2);
  EXPECT_TRUE(window.ScanFrame.IsVisible());
  EXPECT_TRUE(window.ImgReadingArrow.IsVisible());
  EXPECT_TRUE(window.ImgEmailsArrow.IsVisible());
  EXPECT_TRUE(window.ImgMailFolderArrow.IsVisible());
  EXPECT_EQ(window.LblFolderName.captions, Lines{""});
  EXPECT_EQ(window.Wait.pauses, (std::vector<int>{10, 10}));
  EXPECT_EQ(client.createdClasses, Lines{"Domino.NotesSession"});
}

TEST_F(ScanTest, UserFoldersAreSortedNestedAndCaptionedAsTheyAreScanned) {
  db.AddView("A\\B\\C", true, Documents(1));
  db.AddView("A", true, Documents(2));
  db.AddView("X\\C", true);
  db.AddView("A\\B", true);
  db.AddView("Zeta", true, Documents(1));
  db.AddView("($Inbox)", true);

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  Lines expected = kEmptyMailbox;
  expected.insert(expected.end(), {"    [x] A (2)", "      [x] B (0)", "        [x] C (1)", "    [x] X",
                                   "      [x] C (0)", "    [x] Zeta (1)"});
  EXPECT_EQ(tree.Outline(), expected);

  EXPECT_EQ(Node("Folders\\A\\B\\C").tag, "A\\B\\C");
  EXPECT_EQ(*Node("Folders\\A\\B\\C").parentKey, "Folders\\A\\B");
  EXPECT_EQ(*Node("Folders\\A").parentKey, "Folders");
  EXPECT_EQ(Node("Folders\\X\\C").tag, "X\\C");
  EXPECT_TRUE(Node("Folders\\A").emphasis);
  EXPECT_FALSE(Node("Folders\\A\\B").emphasis);
  EXPECT_EQ(Node("Folders\\Zeta").image, 70);

  // The names in view order while collecting, then each folder with its count while adding.
  EXPECT_EQ(window.LblFolderName.captions,
            (Lines{"", "A\\B\\C", "A", "X\\C", "A\\B", "Zeta", "A (2 Emails)", "B (0 Emails)", "C (1 Emails)",
                   "C (0 Emails)", "Zeta (1 Emails)"}));
}

TEST_F(ScanTest, ASubfolderWhoseParentHasNoViewGetsAParentNodeThatExportsNothing) {
  db.AddView("P\\Q\\R", true, Documents(2));
  db.AddView("X\\Y", true);

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  Lines expected = kEmptyMailbox;
  expected.insert(expected.end(),
                  {"    [x] P", "      [x] Q", "        [x] R (2)", "    [x] X", "      [x] Y (0)"});
  EXPECT_EQ(tree.Outline(), expected);
  for (const char* key : {"Folders\\P", "Folders\\P\\Q", "Folders\\X"}) {
    EXPECT_EQ(Node(key).tag, "") << key;
    EXPECT_FALSE(Node(key).emphasis) << key;
    EXPECT_EQ(Node(key).image, 70) << key;
  }
  EXPECT_EQ(Node("Folders\\P\\Q\\R").tag, "P\\Q\\R");
}

TEST_F(ScanTest, UserFoldersNamedLikeFixedNodesStillAppearUnderFolders) {
  db.AddView("($Inbox)", true, Documents(1));
  db.AddView("Inbox", true, Documents(2));
  db.AddView("Folders", true);
  db.AddView("Inbox\\Old", true);
  db.AddView("Lotus Notes Address Book", true);

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  Lines expected = {
      "[x] Notes Email Database", "  [x] Inbox (1)",     "  [x] Drafts (0)",
      "  [x] Sent (0)",           "  [x] Follow Up (0)", "  [x] Junk Mail (0)",
      "  [x] Trash (0)",          "  [x] Folders",       "    [x] Folders (0)",
      "    [x] Inbox (2)",        "      [x] Old (0)",   "    [x] Lotus Notes Address Book (0)",
  };
  EXPECT_EQ(tree.Outline(), expected);
  EXPECT_EQ(Node("Folders\\Inbox").tag, "Inbox");
}

TEST_F(ScanTest, HiddenViewsAndPlainViewsAreNotUserFolders) {
  db.AddView("(Hidden)", true, Documents(1));
  db.AddView("($Rules)", true);
  db.AddView("All Documents", false, Documents(1));
  db.AddView("", true);
  db.AddView(" (Not hidden)", true);

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  Lines expected = kEmptyMailbox;
  expected.push_back("    [x]  (Not hidden) (0)");
  EXPECT_EQ(tree.Outline(), expected);
}

TEST_F(ScanTest, BlanksAroundANameStayInItsNodeButNotInItsCountOrTag) {
  db.AddView(" Projects ", true, Documents(3));
  db.AddView("Projects", false, Documents(2));  // the view the trimmed name reaches

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  const TreeNodeSpec& node = Node("Folders\\ Projects ");
  EXPECT_EQ(node.text, " Projects  (2)");
  EXPECT_EQ(node.tag, "Projects");
  EXPECT_EQ(window.LblFolderName.Caption(), " Projects  (2 Emails)");
}

TEST_F(ScanTest, RepeatedNamesGiveOneNodeAndNamesDifferingInCaseTwo) {
  db.AddView("Work", true, Documents(1));
  db.AddView("work", true);
  db.AddView("Work", true);
  db.AddView("Work\\2008", true);
  db.AddView("Work\\2008", true);

  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::Completed);
  EXPECT_TRUE(outcome.skippedFailures.empty());
  Lines expected = kEmptyMailbox;
  expected.insert(expected.end(), {"    [x] Work (1)", "      [x] 2008 (0)", "    [x] work (1)"});
  EXPECT_EQ(tree.Outline(), expected);
}

TEST_F(ScanTest, CountsBeyondSixteenBitsShowTheirTrueValue) {
  db.AddView("($Inbox)", true).count = 40000;
  db.AddView("Archive", true).count = 5000000000LL;

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  EXPECT_EQ(values.InboxCount, 40000);
  EXPECT_EQ(tree.Outline()[1], "  [x] Inbox (40000)");
  EXPECT_EQ(Node("Folders\\Archive").text, "Archive (5000000000)");
}

TEST_F(ScanTest, ARescanRebuildsTheTreeFromEmpty) {
  db.AddView("($Inbox)", true, Documents(2));
  db.AddView("Old", true);
  db.AddView("Projects", true);
  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  for (auto& node : tree.nodes) node.checkState = 0;  // the user unchecks everything

  db.title = "Renamed";
  db.views.erase(db.views.begin() + 1);  // "Old" is gone
  db.views[0].documents.pop_back();
  window.NotesTab.selected = 1;
  EXPECT_EQ(Scan().end, ScanEnd::Completed);

  Lines expected = kEmptyMailbox;
  expected[1] = "  [x] Inbox (1)";
  expected.push_back("    [x] Projects (0)");
  EXPECT_EQ(tree.Outline(), expected);
  EXPECT_EQ(values.DatabaseTitle, "Renamed");
  EXPECT_EQ(values.InboxCount, 1);
  EXPECT_EQ(client.createdClasses.size(), 2u);  // a new session for each scan
}

TEST_F(ScanTest, WithoutAnyNotesClassTheScanShowsNotInstalled) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Fails);
  client.SetClassBehaviour(kNotesSessionClass, Behaviour::Fails);
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  ExpectOnlyMessage(kNotInstalled, "Notes Not Installed/Configured", MessageIcon::Information);
  EXPECT_EQ(NotInstalledText(), kNotInstalled);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_FALSE(notes.SessionObj);
  EXPECT_EQ(client.getDatabaseCalls, 0);
}

TEST_F(ScanTest, DominoSessionStepsOverAnUnreadableDatabaseToTheNoDataMessage) {
  values.DatabaseTitle = "Previous";
  window.txtNotesDatabaseFile.SetCaption("C:\\Mail\\missing.nsf");
  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::NoData);
  ExpectOnlyMessage("No Data Found in NSF file or NSF file is encrypted", "", MessageIcon::None);
  EXPECT_FALSE(window.ScanFrame.IsVisible());
  EXPECT_FALSE(notes.SessionObj);
  EXPECT_EQ(values.DatabaseTitle, "");
  EXPECT_FALSE(notes.DatabaseObj);
  // The fixed nodes were added before the database was found unreadable; nothing is checked.
  Lines expected = kEmptyMailbox;
  for (auto& line : expected) line.replace(line.find("[x]"), 3, "[ ]");
  EXPECT_EQ(tree.Outline(), expected);
  EXPECT_FALSE(outcome.skippedFailures.empty());
  EXPECT_FALSE(window.NotesTab.IsTabEnabled(2) && window.NotesTab.selected == 2);
}

TEST_F(ScanTest, ADatabaseWithoutReadableViewsGivesNoDataWhicheverClassGaveTheSession) {
  for (const auto domino : {Behaviour::Creates, Behaviour::YieldsNothing}) {
    client.SetClassBehaviour(kDominoSessionClass, domino);
    window.Messages.shown.clear();
    window.ScanFrame.SetVisible(false);
    db.failViews = true;
    EXPECT_EQ(Scan().end, ScanEnd::NoData);
    ExpectOnlyMessage("No Data Found in NSF file or NSF file is encrypted", "", MessageIcon::None);
    EXPECT_FALSE(window.ScanFrame.IsVisible());
    EXPECT_EQ(values.DatabaseTitle, "John Doe Mail");
    EXPECT_FALSE(window.NotesToolBar.IsButtonEnabled(4));
  }
}

TEST_F(ScanTest, NotesSessionEndsOnAFailureBeforeTheViewsWithNotInstalledKeepingTheTreeSoFar) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  window.txtNotesDatabaseFile.SetCaption("C:\\Mail\\missing.nsf");
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  ExpectOnlyMessage(kNotInstalled, "Notes Not Installed/Configured", MessageIcon::Information);
  EXPECT_EQ(tree.nodes.size(), 8u);
  EXPECT_TRUE(window.ScanFrame.IsVisible());
  EXPECT_FALSE(window.NotesToolBar.IsButtonEnabled(4));
}

TEST_F(ScanTest, AnUnreadableTitleEndsANotesSessionButIsSteppedOverWithDomino) {
  db.failTitle = true;
  db.AddView("Projects", true);
  values.DatabaseTitle = "Previous";

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  EXPECT_EQ(window.Messages.shown.back().title, "Notes Not Installed/Configured");

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Creates);
  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::Completed);
  EXPECT_EQ(outcome.skippedFailures, Lines{"Title failed"});
  EXPECT_EQ(values.DatabaseTitle, "");
  EXPECT_EQ(tree.nodes.size(), 9u);
}

TEST_F(ScanTest, AFailureInsideTheTreeFillEndsANotesSessionButIsSteppedOverWithDomino) {
  db.AddView("($Inbox)", true, Documents(1));
  tree.refuseIcons = true;

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  ExpectOnlyMessage(kNotInstalled, "Notes Not Installed/Configured", MessageIcon::Information);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_EQ(client.getDatabaseCalls, 0);

  window.Messages.shown.clear();
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Creates);
  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::Completed);
  EXPECT_EQ(outcome.skippedFailures, Lines{"the icon list could not be set"});
  EXPECT_EQ(tree.nodes.size(), 8u);
  EXPECT_EQ(tree.Outline()[1], "  [x] Inbox (1)");
}

TEST_F(ScanTest, ARefusedFixedNodeEndsANotesSessionAndLeavesOnlyItsChildrenOutWithDomino) {
  tree.refusedKeys = {"Folders"};
  db.AddView("Projects", true);

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  EXPECT_EQ(tree.nodes.size(), 7u);

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Creates);
  const ScanOutcome outcome = Scan();
  EXPECT_EQ(outcome.end, ScanEnd::Completed);
  EXPECT_EQ(tree.nodes.size(), 7u);  // the user folder has no "Folders" node to go under
  EXPECT_EQ(outcome.skippedFailures, (Lines{"node refused: Folders", "no parent Folders"}));
}

TEST_F(ScanTest, FailuresFromTheViewsOnAreSteppedOverWhicheverClassGaveTheSession) {
  for (const auto domino : {Behaviour::Creates, Behaviour::YieldsNothing}) {
    client.SetClassBehaviour(kDominoSessionClass, domino);
    window.NotesTab.selected = 1;
    db.views.clear();
    db.AddView("Broken", true).failName = true;
    db.AddView("Refused", true, Documents(1));
    db.AddView("Uncountable", true).failCount = true;
    db.AddView("Kept", true);
    tree.refusedKeys = {"Folders\\Refused"};

    const ScanOutcome outcome = Scan();
    EXPECT_EQ(outcome.end, ScanEnd::Completed);
    Lines expected = kEmptyMailbox;
    expected.insert(expected.end(), {"    [x] Kept (0)", "    [x] Uncountable (0)"});
    EXPECT_EQ(tree.Outline(), expected);
    EXPECT_EQ(outcome.skippedFailures, (Lines{"Name failed", "node refused: Folders\\Refused"}));
    EXPECT_EQ(window.Messages.shown.back().text, "Notes Database Scan Completed Successfully");
  }
}

}  // namespace
}  // namespace mailshift::notes
