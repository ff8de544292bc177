#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/FakeControls.h"
#include "notes/FolderSelection.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;
using Tags = std::vector<std::string>;

// The tree a scan leaves, every node checked: root, the six standard folders, "Folders" with
// Projects (and its 2008), a level "Clients" that is no folder itself with "Clients\Acme" below
// it, and Private.
class FolderSelectionTest : public ::testing::Test {
 protected:
  FolderSelectionTest() {
    const std::string root = "Lotus Notes Address Book";
    tree.AddNode({root, "Notes Email Database", 0, std::nullopt, true, ""});
    for (const char* tag : {"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders"}) {
      tree.AddNode({tag, tag, 0, root, false, tag});
    }
    tree.AddNode({"Folders\\Projects", "Projects", 70, "Folders", false, "Projects"});
    tree.AddNode({"Folders\\Clients", "Clients", 70, "Folders", false, ""});
    tree.AddNode({"Folders\\Projects\\2008", "2008", 70, "Folders\\Projects", false, "Projects\\2008"});
    tree.AddNode({"Folders\\Clients\\Acme", "Acme", 70, "Folders\\Clients", false, "Clients\\Acme"});
    tree.AddNode({"Folders\\Private", "Private", 70, "Folders", false, "Private"});
    for (int position = 1; position <= tree.NodeCount(); ++position) tree.SetCheckState(position, 1);
  }

  int At(const std::string& key) const { return static_cast<int>(tree.Find(key) - tree.nodes.data()) + 1; }

  mailshift::testing::FakeTree tree;
};

TEST_F(FolderSelectionTest, UncheckingANodeUnchecksItsBranchAndMarksTheNodesAboveAsPartly) {
  ContactsTreeView_NodeCheck(tree, At("Folders\\Projects"), false);
  EXPECT_EQ(tree.Outline(),
            (Lines{"[-] Notes Email Database", "  [x] Inbox", "  [x] Drafts", "  [x] Sent", "  [x] Follow-Up",
                   "  [x] JunkMail", "  [x] Trash", "  [-] Folders", "    [ ] Projects", "      [ ] 2008",
                   "    [x] Clients", "      [x] Acme", "    [x] Private"}));

  // Checking it again makes the whole tree even.
  ContactsTreeView_NodeCheck(tree, At("Folders\\Projects"), true);
  for (const auto& node : tree.nodes) EXPECT_FALSE(node.partlyChecked) << node.key;
}

TEST_F(FolderSelectionTest, TheRootChecksAndUnchecksEverything) {
  ContactsTreeView_NodeCheck(tree, At("Folders\\Private"), false);
  ContactsTreeView_NodeCheck(tree, 1, false);
  for (const auto& node : tree.nodes) {
    EXPECT_EQ(node.checkState, 0) << node.key;
    EXPECT_FALSE(node.partlyChecked) << node.key;
  }
  EXPECT_TRUE(CheckedFolderTags(tree).empty());

  ContactsTreeView_NodeCheck(tree, 1, true);
  for (const auto& node : tree.nodes) EXPECT_EQ(node.checkState, 1) << node.key;
  EXPECT_EQ(CheckedFolderTags(tree).size(), 11u);  // all but the root and the level "Clients"
}

TEST_F(FolderSelectionTest, AParentWithOneSubfolderUncheckedStillExportsItsOwnMessages) {
  ContactsTreeView_NodeCheck(tree, At("Folders\\Projects\\2008"), false);
  EXPECT_TRUE(tree.Find("Folders\\Projects")->partlyChecked);
  EXPECT_EQ(tree.Find("Folders\\Projects")->checkState, 1);
  EXPECT_EQ(CheckedFolderTags(tree), (Tags{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash",
                                           "Folders", "Projects", "Clients\\Acme", "Private"}));
}

TEST_F(FolderSelectionTest, ANodeUncheckedAboveCheckedChildrenShowsPartly) {
  // Only the own check of a node changes: it is unchecked while everything below stays checked.
  tree.SetCheckState(At("Folders\\Projects"), 0);
  ShowPartlyChecked(tree);
  EXPECT_TRUE(tree.Find("Folders\\Projects")->partlyChecked);
  EXPECT_TRUE(tree.Find("Folders")->partlyChecked);
  EXPECT_FALSE(tree.Find("Folders\\Projects\\2008")->partlyChecked);
  EXPECT_FALSE(tree.Find("Folders\\Private")->partlyChecked);
  const Tags tags = CheckedFolderTags(tree);
  EXPECT_EQ(std::count(tags.begin(), tags.end(), "Projects"), 0);
  EXPECT_EQ(std::count(tags.begin(), tags.end(), "Projects\\2008"), 1);
}

TEST_F(FolderSelectionTest, LevelsWithoutATagAndTheRootAreNoFolders) {
  ContactsTreeView_NodeCheck(tree, 1, false);
  tree.SetCheckState(1, 1);
  tree.SetCheckState(At("Folders\\Clients"), 1);
  EXPECT_TRUE(CheckedFolderTags(tree).empty());
  tree.SetCheckState(At("Folders"), 1);
  EXPECT_EQ(CheckedFolderTags(tree), (Tags{"Folders"}));
}

TEST_F(FolderSelectionTest, AskingForAFolderSelectsItsBranchOnly) {
  EXPECT_EQ(CheckOnlyFolders(tree, {"Projects", "JunkMail"}), std::nullopt);
  EXPECT_EQ(CheckedFolderTags(tree), (Tags{"JunkMail", "Projects", "Projects\\2008"}));
  EXPECT_TRUE(tree.Find("Folders")->partlyChecked);
  EXPECT_TRUE(tree.Find("Lotus Notes Address Book")->partlyChecked);
  EXPECT_EQ(tree.Find("Lotus Notes Address Book")->checkState, 0);

  EXPECT_EQ(CheckOnlyFolders(tree, {"Folders"}), std::nullopt);
  EXPECT_EQ(CheckedFolderTags(tree),
            (Tags{"Folders", "Projects", "Projects\\2008", "Clients\\Acme", "Private"}));

  // A subfolder alone leaves its parent unchecked.
  EXPECT_EQ(CheckOnlyFolders(tree, {"Projects\\2008"}), std::nullopt);
  EXPECT_EQ(CheckedFolderTags(tree), (Tags{"Projects\\2008"}));
  EXPECT_TRUE(tree.Find("Folders\\Projects")->partlyChecked);
}

TEST_F(FolderSelectionTest, AnUnknownOrEmptyTagChangesNothing) {
  ContactsTreeView_NodeCheck(tree, At("Folders\\Private"), false);
  const Lines before = tree.Outline();
  EXPECT_EQ(CheckOnlyFolders(tree, {"Inbox", "Nowhere", "Elsewhere"}), std::optional<std::string>("Nowhere"));
  EXPECT_EQ(CheckOnlyFolders(tree, {""}), std::optional<std::string>(""));
  // Tags are compared exactly.
  EXPECT_EQ(CheckOnlyFolders(tree, {"inbox"}), std::optional<std::string>("inbox"));
  EXPECT_EQ(tree.Outline(), before);
}

TEST_F(FolderSelectionTest, ADeepChainCascadesToTheBottom) {
  mailshift::testing::FakeTree chain;
  chain.AddNode({"0", "0", 0, std::nullopt, false, ""});
  for (int level = 1; level < 3000; ++level) {
    chain.AddNode({std::to_string(level), "n", 0, std::to_string(level - 1), false, "t"});
  }
  ContactsTreeView_NodeCheck(chain, 1, true);
  ContactsTreeView_NodeCheck(chain, 3000, false);
  EXPECT_EQ(chain.nodes[2998].checkState, 1);
  EXPECT_TRUE(chain.nodes[0].partlyChecked);
  EXPECT_TRUE(chain.nodes[2998].partlyChecked);
  EXPECT_FALSE(chain.nodes[2999].partlyChecked);
}

}  // namespace
}  // namespace mailshift::notes
