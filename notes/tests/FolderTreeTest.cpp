#include <gtest/gtest.h>

#include <set>

#include "notes/FolderChecks.h"
#include "notes/FolderOutline.h"
#include "notes/FolderTree.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;

class UserFolderNodesTest : public ::testing::Test {
 protected:
  UserFolderNodesTest() {
    tree.push_back(FolderNode{"Folders", "Folders", "Folders", kFolderImage, false, std::nullopt, 0});
  }

  const std::string& ParentKey(const FolderNode& node) const { return tree.at(node.parent.value()).key; }

  std::vector<FolderNode> tree;
  StepPolicy skip{StepPolicy::OnFailure::Skip};
};

TEST_F(UserFolderNodesTest, ADeepFolderWithoutAnyParentViewGetsEveryLevel) {
  std::string name = "L";
  for (int level = 1; level < 2000; ++level) name += "\\L";
  UserFolderNodes nodes(tree);
  nodes.Add(name, 1, skip);

  EXPECT_TRUE(skip.skipped().empty());
  ASSERT_EQ(tree.size(), 2001u);
  EXPECT_EQ(tree[1].key, "Folders\\L");
  EXPECT_EQ(tree[1].tag, "");
  EXPECT_EQ(tree.back().text, "L (1)");
  EXPECT_EQ(tree.back().tag, name);
  EXPECT_TRUE(tree.back().emphasis);
  EXPECT_EQ(tree.back().count, 1);
}

TEST_F(UserFolderNodesTest, BelowTheDeepestLevelTheRestOfTheNameIsTheText) {
  std::string name = "L";
  for (std::size_t level = 1; level < kDeepestFolderLevel + 3; ++level) name += "\\L";
  UserFolderNodes nodes(tree);
  nodes.Add(name, 4, skip);
  nodes.Add(name.substr(0, name.size() - 2), 5, skip);  // the folder right above it

  EXPECT_TRUE(skip.skipped().empty());
  ASSERT_EQ(tree.size(), 1 + kDeepestFolderLevel + 1);
  EXPECT_EQ(tree[kDeepestFolderLevel].text, "L\\L\\L\\L (4)");
  EXPECT_EQ(tree.back().text, "L\\L\\L (5)");
  EXPECT_EQ(ParentKey(tree.back()), tree[kDeepestFolderLevel - 1].key);
  EXPECT_EQ(tree.back().tag, name.substr(0, name.size() - 2));
  // Keys too long to spell out are numbered, and stay unique.
  std::set<std::string> keys;
  for (const auto& node : tree) {
    EXPECT_LE(node.key.size(), 4096u);
    keys.insert(node.key);
  }
  EXPECT_EQ(keys.size(), tree.size());
}

TEST_F(UserFolderNodesTest, EmptyLevelsAreLevelsToo) {
  UserFolderNodes nodes(tree);
  nodes.Add("A\\\\B", 0, skip);
  nodes.Add("\\Lead", 2, skip);
  EXPECT_TRUE(skip.skipped().empty());
  EXPECT_EQ(FolderOutline(tree, FolderChecks(tree)),
            (Lines{"[x] Folders", "  [x] A", "    [x] ", "      [x] B (0)", "  [x] ", "    [x] Lead (2)"}));
}

TEST_F(UserFolderNodesTest, AFolderThatHasItsNodeAlreadyIsAFailureOfThePolicy) {
  UserFolderNodes nodes(tree);
  nodes.Add("A\\B", 3, skip);
  nodes.Add("A\\B", 3, skip);
  EXPECT_EQ(skip.skipped(), Lines{"duplicate key Folders\\A\\B"});
  EXPECT_EQ(tree.size(), 3u);

  StepPolicy end(StepPolicy::OnFailure::End);
  EXPECT_THROW(nodes.Add("A\\B", 3, end), std::runtime_error);
}

}  // namespace
}  // namespace mailshift::notes
