#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "notes/FolderTree.h"
#include "notes/tests/MailboxFixture.h"

namespace mailshift::notes {
namespace {

using Behaviour = testing::MemoryNotesClient::ClassBehaviour;
using Lines = std::vector<std::string>;

const Lines kEmptyMailbox = {
    "[x] Notes Email Database", "  [x] Inbox (0)",     "  [x] Drafts (0)", "  [x] Sent (0)",
    "  [x] Follow Up (0)",      "  [x] Junk Mail (0)", "  [x] Trash (0)",  "  [x] Folders",
};

using ScanTest = MailboxFixture;

TEST_F(ScanTest, AMailboxWithoutUserFoldersGivesTheFixedTree) {
  db.AddView("($Inbox)", true, Documents(3));
  db.AddView("($Sent)", true, Documents(1));
  db.AddView("($Trash)", true);
  db.AddView("($All)", false, Documents(4));

  const ScanResult& scan = Scan();
  EXPECT_EQ(scan.end, ScanEnd::Completed);
  EXPECT_TRUE(scan.skippedFailures.empty());
  EXPECT_EQ(scan.title, "John Doe Mail");
  EXPECT_EQ(scan.databasePath, kPath);
  EXPECT_EQ(scan.origin, SessionOrigin::Domino);
  EXPECT_TRUE(scan.session);

  EXPECT_EQ(Outline(),
            (Lines{"[x] Notes Email Database", "  [x] Inbox (3)", "  [x] Drafts (0)", "  [x] Sent (1)",
                   "  [x] Follow Up (0)", "  [x] Junk Mail (0)", "  [x] Trash (0)", "  [x] Folders"}));
  struct Expected {
    const char* key;
    int image;
    bool emphasis;
    const char* tag;
    std::int64_t count;
  };
  const Expected expected[] = {{"Lotus Notes Address Book", 0, true, "", 0},
                               {"Inbox", 67, true, "Inbox", 3},
                               {"Drafts", 65, false, "Drafts", 0},
                               {"Sent", 69, true, "Sent", 1},
                               {"Follow-Up", 71, false, "Follow-Up", 0},
                               {"JunkMail", 68, false, "JunkMail", 0},
                               {"Trash", 66, false, "Trash", 0},
                               {"Folders", 70, false, "Folders", 0}};
  ASSERT_EQ(scan.nodes.size(), std::size(expected));
  for (std::size_t i = 0; i < scan.nodes.size(); ++i) {
    const FolderNode& node = scan.nodes[i];
    EXPECT_EQ(node.key, expected[i].key);
    EXPECT_EQ(node.image, expected[i].image) << node.key;
    EXPECT_EQ(node.emphasis, expected[i].emphasis) << node.key;
    EXPECT_EQ(node.tag, expected[i].tag) << node.key;
    EXPECT_EQ(node.count, expected[i].count) << node.key;
    EXPECT_EQ(node.parent, i == 0 ? std::nullopt : std::optional<std::size_t>(0)) << node.key;
  }
  EXPECT_EQ(observer.phases,
            (std::vector<ScanPhase>{ScanPhase::Reading, ScanPhase::StandardFolders, ScanPhase::UserFolders}));
  EXPECT_TRUE(observer.captions.empty());
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
  EXPECT_EQ(Outline(), expected);

  EXPECT_EQ(Node("Folders\\A\\B\\C").tag, "A\\B\\C");
  EXPECT_EQ(scanned.nodes[*Node("Folders\\A\\B\\C").parent].key, "Folders\\A\\B");
  EXPECT_EQ(scanned.nodes[*Node("Folders\\A").parent].key, "Folders");
  EXPECT_EQ(Node("Folders\\X\\C").tag, "X\\C");
  EXPECT_TRUE(Node("Folders\\A").emphasis);
  EXPECT_FALSE(Node("Folders\\A\\B").emphasis);
  EXPECT_EQ(Node("Folders\\Zeta").image, 70);
  EXPECT_EQ(Node("Folders\\A").count, 2);

  // The names in view order while collecting, then each folder with its count while adding.
  EXPECT_EQ(observer.captions, (Lines{"A\\B\\C", "A", "X\\C", "A\\B", "Zeta", "A (2 Emails)", "B (0 Emails)",
                                      "C (1 Emails)", "C (0 Emails)", "Zeta (1 Emails)"}));
}

TEST_F(ScanTest, ASubfolderWhoseParentHasNoViewGetsAParentNodeThatExportsNothing) {
  db.AddView("P\\Q\\R", true, Documents(2));
  db.AddView("X\\Y", true);

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  Lines expected = kEmptyMailbox;
  expected.insert(expected.end(),
                  {"    [x] P", "      [x] Q", "        [x] R (2)", "    [x] X", "      [x] Y (0)"});
  EXPECT_EQ(Outline(), expected);
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
  EXPECT_EQ(Outline(), expected);
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
  EXPECT_EQ(Outline(), expected);
}

TEST_F(ScanTest, BlanksAroundANameStayInItsNodeButNotInItsCountOrTag) {
  db.AddView(" Projects ", true, Documents(3));
  db.AddView("Projects", false, Documents(2));  // the view the trimmed name reaches

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  const FolderNode& node = Node("Folders\\ Projects ");
  EXPECT_EQ(node.text, " Projects  (2)");
  EXPECT_EQ(node.tag, "Projects");
  EXPECT_EQ(observer.captions.back(), " Projects  (2 Emails)");
}

TEST_F(ScanTest, RepeatedNamesGiveOneNodeAndNamesDifferingInCaseTwo) {
  db.AddView("Work", true, Documents(1));
  db.AddView("work", true);
  db.AddView("Work", true);
  db.AddView("Work\\2008", true);
  db.AddView("Work\\2008", true);

  const ScanResult& scan = Scan();
  EXPECT_EQ(scan.end, ScanEnd::Completed);
  EXPECT_TRUE(scan.skippedFailures.empty());
  Lines expected = kEmptyMailbox;
  expected.insert(expected.end(), {"    [x] Work (1)", "      [x] 2008 (0)", "    [x] work (1)"});
  EXPECT_EQ(Outline(), expected);
}

TEST_F(ScanTest, CountsBeyondSixteenBitsShowTheirTrueValue) {
  db.AddView("($Inbox)", true).count = 40000;
  db.AddView("Archive", true).count = 5000000000LL;

  EXPECT_EQ(Scan().end, ScanEnd::Completed);
  EXPECT_EQ(Node("Inbox").count, 40000);
  EXPECT_EQ(Outline()[1], "  [x] Inbox (40000)");
  EXPECT_EQ(Node("Folders\\Archive").text, "Archive (5000000000)");
}

TEST_F(ScanTest, ARescanReadsTheMailboxAnewWithANewSession) {
  db.AddView("($Inbox)", true, Documents(2));
  db.AddView("Old", true);
  db.AddView("Projects", true);
  EXPECT_EQ(Scan().end, ScanEnd::Completed);

  db.title = "Renamed";
  db.views.erase(db.views.begin() + 1);  // "Old" is gone
  db.views[0].documents.pop_back();
  EXPECT_EQ(Scan().end, ScanEnd::Completed);

  Lines expected = kEmptyMailbox;
  expected[1] = "  [x] Inbox (1)";
  expected.push_back("    [x] Projects (0)");
  EXPECT_EQ(Outline(), expected);
  EXPECT_EQ(scanned.title, "Renamed");
  EXPECT_EQ(client.createdClasses.size(), 2u);  // a new session for each scan
}

TEST_F(ScanTest, WithoutAnyNotesClassTheScanEndsNotInstalled) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Fails);
  client.SetClassBehaviour(kNotesSessionClass, Behaviour::Fails);
  const ScanResult& scan = Scan();
  EXPECT_EQ(scan.end, ScanEnd::NotInstalled);
  EXPECT_FALSE(scan.failure.empty());
  EXPECT_TRUE(scan.nodes.empty());
  EXPECT_FALSE(scan.session);
  EXPECT_EQ(scan.origin, SessionOrigin::None);
  EXPECT_EQ(client.getDatabaseCalls, 0);
}

TEST_F(ScanTest, DominoSessionStepsOverAnUnreadableDatabaseToNoData) {
  const ScanResult& scan = Scan("C:\\Mail\\missing.nsf");
  EXPECT_EQ(scan.end, ScanEnd::NoData);
  EXPECT_EQ(scan.failure, "the database could not be opened");
  EXPECT_FALSE(scan.session);
  EXPECT_EQ(scan.title, "");
  // The fixed nodes were made before the database was found unreadable.
  EXPECT_EQ(scan.nodes.size(), kEmptyMailbox.size());
  EXPECT_FALSE(scan.skippedFailures.empty());
}

TEST_F(ScanTest, ACompletedScanStampsTheDatabaseFileAndAFailedOneDoesNot) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("scan-stamp-" + std::to_string(std::random_device{}()) + ".nsf");
  std::ofstream(file, std::ios::binary) << "a mailbox";
  auto& onDisk = client.AddDatabase(file.string());
  onDisk.AddView("($Inbox)", true, Documents(1));
  const ScanResult& scan = Scan(file.string());
  ASSERT_EQ(scan.end, ScanEnd::Completed);
  EXPECT_EQ(scan.stamp, StampOfFile(file.string()));
  EXPECT_TRUE(scan.stamp.has_value());
  onDisk.failViews = true;
  EXPECT_FALSE(Scan(file.string()).stamp.has_value());
  std::filesystem::remove(file);
}

TEST_F(ScanTest, ADatabaseWithoutReadableViewsGivesNoDataWhicheverClassGaveTheSession) {
  for (const auto domino : {Behaviour::Creates, Behaviour::YieldsNothing}) {
    client.SetClassBehaviour(kDominoSessionClass, domino);
    db.failViews = true;
    const ScanResult& scan = Scan();
    EXPECT_EQ(scan.end, ScanEnd::NoData);
    EXPECT_FALSE(scan.failure.empty());
    EXPECT_FALSE(scan.readElsewhere);
    EXPECT_EQ(scan.title, "John Doe Mail");
    EXPECT_FALSE(scan.session);
  }
  // A database of a kind this system does not read says so, for the window to say it alone.
  db.failViews = false;
  db.viewsReadElsewhere = true;
  const ScanResult& elsewhere = Scan();
  EXPECT_EQ(elsewhere.end, ScanEnd::NoData);
  EXPECT_TRUE(elsewhere.readElsewhere);
  EXPECT_EQ(elsewhere.failure, "a Notes database, read on Windows");
}

TEST_F(ScanTest, NotesSessionEndsOnAFailureBeforeTheViewsWithNotInstalledKeepingTheTreeSoFar) {
  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  const ScanResult& scan = Scan("C:\\Mail\\missing.nsf");
  EXPECT_EQ(scan.end, ScanEnd::NotInstalled);
  EXPECT_EQ(scan.origin, SessionOrigin::Notes);
  EXPECT_EQ(scan.nodes.size(), 8u);
  EXPECT_FALSE(scan.session);
}

TEST_F(ScanTest, AnUnreadableTitleEndsANotesSessionButIsSteppedOverWithDomino) {
  db.failTitle = true;
  db.AddView("Projects", true);

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::YieldsNothing);
  EXPECT_EQ(Scan().end, ScanEnd::NotInstalled);
  EXPECT_EQ(scanned.failure, "Title failed");

  client.SetClassBehaviour(kDominoSessionClass, Behaviour::Creates);
  const ScanResult& scan = Scan();
  EXPECT_EQ(scan.end, ScanEnd::Completed);
  EXPECT_EQ(scan.skippedFailures, Lines{"Title failed"});
  EXPECT_EQ(scan.title, "");
  EXPECT_EQ(scan.nodes.size(), 9u);
}

TEST_F(ScanTest, FailuresFromTheViewsOnAreSteppedOverWhicheverClassGaveTheSession) {
  for (const auto domino : {Behaviour::Creates, Behaviour::YieldsNothing}) {
    client.SetClassBehaviour(kDominoSessionClass, domino);
    db.views.clear();
    db.AddView("Broken", true).failName = true;
    db.AddView("Uncountable", true).failCount = true;
    db.AddView("Kept", true);

    const ScanResult& scan = Scan();
    EXPECT_EQ(scan.end, ScanEnd::Completed);
    Lines expected = kEmptyMailbox;
    expected.insert(expected.end(), {"    [x] Kept (0)", "    [x] Uncountable (0)"});
    EXPECT_EQ(Outline(), expected);
    EXPECT_EQ(scan.skippedFailures, Lines{"Name failed"});
  }
}

TEST_F(ScanTest, AStopRequestEndsTheScanBetweenFolders) {
  for (int i = 0; i < 5; ++i) db.AddView("Folder " + std::to_string(i), true);
  observer.stopAfterCaptions = 2;

  const ScanResult& scan = Scan();
  EXPECT_EQ(scan.end, ScanEnd::Stopped);
  EXPECT_EQ(observer.captions, (Lines{"Folder 0", "Folder 1"}));
  EXPECT_EQ(scan.nodes.size(), kEmptyMailbox.size());  // no user folder was added
  EXPECT_FALSE(scan.session);
}

}  // namespace
}  // namespace mailshift::notes
