#include <gtest/gtest.h>

#include <set>

#include "notes/FolderTree.h"
#include "notes/tests/MainWindowFixture.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;

class UserFolderNodesTest : public ::testing::Test {
 protected:
  UserFolderNodesTest() {
    tree.AddNode(TreeNodeSpec{"Folders", "Folders", kFolderImage, std::nullopt, false, "Folders"});
  }

  RefusingTree tree;
  StepPolicy skip{StepPolicy::OnFailure::Skip};
};

TEST_F(UserFolderNodesTest, ADeepFolderWithoutAnyParentViewGetsEveryLevel) {
  std::string name = "L";
  for (int level = 1; level < 2000; ++level) name += "\\L";
  UserFolderNodes nodes(tree);
  nodes.Add(name, 1, skip);

  EXPECT_TRUE(skip.skipped().empty());
  ASSERT_EQ(tree.nodes.size(), 2001u);
  EXPECT_EQ(tree.nodes[1].key, "Folders\\L");
  EXPECT_EQ(tree.nodes[1].tag, "");
  EXPECT_EQ(tree.nodes.back().text, "L (1)");
  EXPECT_EQ(tree.nodes.back().tag, name);
  EXPECT_TRUE(tree.nodes.back().emphasis);
}

TEST_F(UserFolderNodesTest, BelowTheDeepestLevelTheRestOfTheNameIsTheText) {
  std::string name = "L";
  for (std::size_t level = 1; level < kDeepestFolderLevel + 3; ++level) name += "\\L";
  UserFolderNodes nodes(tree);
  nodes.Add(name, 4, skip);
  nodes.Add(name.substr(0, name.size() - 2), 5, skip);  // the folder right above it

  EXPECT_TRUE(skip.skipped().empty());
  ASSERT_EQ(tree.nodes.size(), 1 + kDeepestFolderLevel + 1);
  EXPECT_EQ(tree.nodes[kDeepestFolderLevel].text, "L\\L\\L\\L (4)");
  EXPECT_EQ(tree.nodes.back().text, "L\\L\\L (5)");
  EXPECT_EQ(*tree.nodes.back().parentKey, tree.nodes[kDeepestFolderLevel - 1].key);
  EXPECT_EQ(tree.nodes.back().tag, name.substr(0, name.size() - 2));
  // Keys too long to spell out are numbered, and stay unique.
  std::set<std::string> keys;
  for (const auto& node : tree.nodes) {
    EXPECT_LE(node.key.size(), 4096u);
    keys.insert(node.key);
  }
  EXPECT_EQ(keys.size(), tree.nodes.size());
}

TEST_F(UserFolderNodesTest, EmptyLevelsAreLevelsToo) {
  UserFolderNodes nodes(tree);
  nodes.Add("A\\\\B", 0, skip);
  nodes.Add("\\Lead", 2, skip);
  EXPECT_TRUE(skip.skipped().empty());
  EXPECT_EQ(tree.Outline(),
            (Lines{"[ ] Folders", "  [ ] A", "    [ ] ", "      [ ] B (0)", "  [ ] ", "    [ ] Lead (2)"}));
}

TEST_F(UserFolderNodesTest, ARefusedParentLevelLeavesItsFolderOutOrEndsTheCommand) {
  tree.refusedKeys = {"Folders\\A"};
  UserFolderNodes nodes(tree);
  nodes.Add("A\\B", 3, skip);
  EXPECT_EQ(skip.skipped(), Lines{"node refused: Folders\\A"});
  EXPECT_EQ(tree.nodes.size(), 1u);

  StepPolicy end(StepPolicy::OnFailure::End);
  EXPECT_THROW(nodes.Add("A\\C", 3, end), ControlError);
}

}  // namespace
}  // namespace mailshift::notes
