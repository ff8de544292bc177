#include "notes/FolderSelection.h"

#include <algorithm>
#include <cstddef>

namespace mailshift::notes {
namespace {

// Every node's parent position (0 for the root), indexed by position; index 0 is unused. A node
// is always added after its parent, so a parent's position is lower than its children's.
std::vector<int> ParentPositions(const TreeControl& tree) {
  const int count = tree.NodeCount();
  std::vector<int> parents(static_cast<std::size_t>(std::max(count, 0)) + 1, 0);
  for (int position = 1; position <= count; ++position) {
    parents[static_cast<std::size_t>(position)] = tree.ParentNode(position).value_or(0);
  }
  return parents;
}

// Gives `checked` to the node at `top` and to every node below it.
void CheckBranch(TreeControl& tree, const std::vector<int>& parents, int top, bool checked) {
  std::vector<bool> inBranch(parents.size(), false);
  inBranch[static_cast<std::size_t>(top)] = true;
  tree.SetCheckState(top, checked ? 1 : 0);
  for (std::size_t position = static_cast<std::size_t>(top) + 1; position < parents.size(); ++position) {
    if (!inBranch[static_cast<std::size_t>(parents[position])]) continue;
    inBranch[position] = true;
    tree.SetCheckState(static_cast<int>(position), checked ? 1 : 0);
  }
}

}  // namespace

void ContactsTreeView_NodeCheck(TreeControl& tree, int position, bool checked) {
  CheckBranch(tree, ParentPositions(tree), position, checked);
  ShowPartlyChecked(tree);
}

void ShowPartlyChecked(TreeControl& tree) {
  const std::vector<int> parents = ParentPositions(tree);
  // Whether some node of each branch is checked and whether some is not, gathered bottom up.
  std::vector<bool> someChecked(parents.size(), false);
  std::vector<bool> someUnchecked(parents.size(), false);
  for (std::size_t position = parents.size() - 1; position >= 1; --position) {
    const bool checked = tree.CheckState(static_cast<int>(position)) == 1;
    someChecked[position] = someChecked[position] || checked;
    someUnchecked[position] = someUnchecked[position] || !checked;
    const bool partly = someChecked[position] && someUnchecked[position];
    if (tree.IsPartlyChecked(static_cast<int>(position)) != partly) {
      tree.SetPartlyChecked(static_cast<int>(position), partly);
    }
    const auto parent = static_cast<std::size_t>(parents[position]);
    if (parent != 0) {
      someChecked[parent] = someChecked[parent] || someChecked[position];
      someUnchecked[parent] = someUnchecked[parent] || someUnchecked[position];
    }
  }
}

std::vector<std::string> CheckedFolderTags(const TreeControl& tree) {
  std::vector<std::string> tags;
  const int count = tree.NodeCount();
  for (int position = 2; position <= count; ++position) {  // the root is never taken
    if (tree.CheckState(position) != 1) continue;
    std::string tag = tree.NodeTag(position);
    if (!tag.empty()) tags.push_back(std::move(tag));
  }
  return tags;
}

std::optional<std::string> CheckOnlyFolders(TreeControl& tree, const std::vector<std::string>& tags) {
  const int count = tree.NodeCount();
  std::vector<int> asked;
  for (const std::string& tag : tags) {
    bool found = false;
    for (int position = 2; position <= count; ++position) {
      if (tag.empty() || tree.NodeTag(position) != tag) continue;
      asked.push_back(position);
      found = true;
    }
    if (!found) return tag;
  }
  const std::vector<int> parents = ParentPositions(tree);
  for (int position = 1; position <= count; ++position) tree.SetCheckState(position, 0);
  for (int position : asked) CheckBranch(tree, parents, position, true);
  ShowPartlyChecked(tree);
  return std::nullopt;
}

}  // namespace mailshift::notes
