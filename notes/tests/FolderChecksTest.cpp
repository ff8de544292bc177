#include <gtest/gtest.h>

#include "notes/FolderChecks.h"
#include "notes/FolderOutline.h"

namespace mailshift::notes {
namespace {

using Lines = std::vector<std::string>;
using Tags = std::vector<std::string>;

// The tree a scan leaves: root, the six standard folders, "Folders" with Projects (and its 2008),
// a level "Clients" that is no folder itself with "Clients\Acme" below it, and Private.
class FolderChecksTest : public ::testing::Test {
 protected:
  FolderChecksTest() {
    Add("Lotus Notes Address Book", "Notes Email Database", "", std::nullopt);
    for (const char* tag : {"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders"}) {
      Add(tag, tag, tag, 0);
    }
    Add("Folders\\Projects", "Projects", "Projects", At("Folders"));
    Add("Folders\\Clients", "Clients", "", At("Folders"));
    Add("Folders\\Projects\\2008", "2008", "Projects\\2008", At("Folders\\Projects"));
    Add("Folders\\Clients\\Acme", "Acme", "Clients\\Acme", At("Folders\\Clients"));
    Add("Folders\\Private", "Private", "Private", At("Folders"));
  }

  void Add(const std::string& key, const std::string& text, const std::string& tag,
           std::optional<std::size_t> parent) {
    nodes.push_back(FolderNode{key, text, tag, 70, false, parent, 0});
  }
  std::size_t At(const std::string& key) const {
    for (std::size_t index = 0; index < nodes.size(); ++index) {
      if (nodes[index].key == key) return index;
    }
    throw std::runtime_error("no node " + key);
  }

  std::vector<FolderNode> nodes;
};

TEST_F(FolderChecksTest, UncheckingANodeUnchecksItsBranchAndMarksTheNodesAboveAsPartly) {
  FolderChecks checks(nodes);
  checks.Click(At("Folders\\Projects"));
  EXPECT_EQ(FolderOutline(nodes, checks),
            (Lines{"[-] Notes Email Database", "  [x] Inbox", "  [x] Drafts", "  [x] Sent", "  [x] Follow-Up",
                   "  [x] JunkMail", "  [x] Trash", "  [-] Folders", "    [ ] Projects", "      [ ] 2008",
                   "    [x] Clients", "      [x] Acme", "    [x] Private"}));

  // Checking it again makes the whole tree even.
  checks.Click(At("Folders\\Projects"));
  for (std::size_t index = 0; index < nodes.size(); ++index)
    EXPECT_EQ(checks.Shown(index), CheckShown::Checked);
}

TEST_F(FolderChecksTest, ClickingAPartlyCheckedRootChecksEverythingAndAgainUnchecksEverything) {
  FolderChecks checks(nodes);
  checks.Click(At("Folders\\Private"));
  ASSERT_EQ(checks.Shown(0), CheckShown::Partly);

  checks.Click(0);
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    EXPECT_EQ(checks.Shown(index), CheckShown::Checked) << nodes[index].key;
  }
  EXPECT_EQ(checks.CheckedTags().size(), 11u);  // all but the root and the level "Clients"

  checks.Click(0);
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    EXPECT_EQ(checks.Shown(index), CheckShown::Unchecked) << nodes[index].key;
    EXPECT_FALSE(checks.Own(index));
  }
  EXPECT_TRUE(checks.CheckedTags().empty());
}

TEST_F(FolderChecksTest, AParentWithOneSubfolderUncheckedStillExportsItsOwnMessages) {
  FolderChecks checks(nodes);
  checks.SetBranch(At("Folders\\Projects\\2008"), false);
  EXPECT_EQ(checks.Shown(At("Folders\\Projects")), CheckShown::Partly);
  EXPECT_TRUE(checks.Own(At("Folders\\Projects")));
  EXPECT_EQ(checks.CheckedTags(), (Tags{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash",
                                        "Folders", "Projects", "Clients\\Acme", "Private"}));
}

TEST_F(FolderChecksTest, LevelsWithoutATagAndTheRootAreNoFolders) {
  FolderChecks checks(nodes);
  checks.SetBranch(0, false);
  checks.SetBranch(At("Folders\\Clients"), true);
  checks.SetBranch(At("Folders\\Clients\\Acme"), false);
  EXPECT_TRUE(checks.CheckedTags().empty());
}

TEST_F(FolderChecksTest, AskingForAFolderSelectsItsBranchOnly) {
  FolderChecks checks(nodes);
  EXPECT_EQ(checks.CheckOnly({"Projects", "JunkMail"}), std::nullopt);
  EXPECT_EQ(checks.CheckedTags(), (Tags{"JunkMail", "Projects", "Projects\\2008"}));
  EXPECT_EQ(checks.Shown(At("Folders")), CheckShown::Partly);
  EXPECT_EQ(checks.Shown(0), CheckShown::Partly);
  EXPECT_FALSE(checks.Own(0));

  EXPECT_EQ(checks.CheckOnly({"Folders"}), std::nullopt);
  EXPECT_EQ(checks.CheckedTags(),
            (Tags{"Folders", "Projects", "Projects\\2008", "Clients\\Acme", "Private"}));

  // A subfolder alone leaves its parent unchecked.
  EXPECT_EQ(checks.CheckOnly({"Projects\\2008"}), std::nullopt);
  EXPECT_EQ(checks.CheckedTags(), (Tags{"Projects\\2008"}));
  EXPECT_EQ(checks.Shown(At("Folders\\Projects")), CheckShown::Partly);
}

TEST_F(FolderChecksTest, AnUnknownOrEmptyTagChangesNothing) {
  FolderChecks checks(nodes);
  checks.Click(At("Folders\\Private"));
  const Lines before = FolderOutline(nodes, checks);
  EXPECT_EQ(checks.CheckOnly({"Inbox", "Nowhere", "Elsewhere"}), std::optional<std::string>("Nowhere"));
  EXPECT_EQ(checks.CheckOnly({""}), std::optional<std::string>(""));
  // Tags are compared exactly.
  EXPECT_EQ(checks.CheckOnly({"inbox"}), std::optional<std::string>("inbox"));
  EXPECT_EQ(FolderOutline(nodes, checks), before);
}

TEST(FolderChecks, ADeepChainCascadesToTheBottom) {
  std::vector<FolderNode> chain{FolderNode{"0", "0", "", 0, false, std::nullopt, 0}};
  for (std::size_t level = 1; level < 3000; ++level) {
    chain.push_back(FolderNode{std::to_string(level), "n", "t", 0, false, level - 1, 0});
  }
  FolderChecks checks(chain);
  checks.SetBranch(2999, false);
  EXPECT_TRUE(checks.Own(2998));
  EXPECT_EQ(checks.Shown(0), CheckShown::Partly);
  EXPECT_EQ(checks.Shown(2998), CheckShown::Partly);
  EXPECT_EQ(checks.Shown(2999), CheckShown::Unchecked);
}

}  // namespace
}  // namespace mailshift::notes
