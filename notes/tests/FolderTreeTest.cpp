#include <gtest/gtest.h>

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
