#include "notes/FolderChecks.h"

#include <unordered_map>

namespace mailshift::notes {

FolderChecks::FolderChecks(const std::vector<FolderNode>& nodes)
    : children_(nodes.size()), own_(nodes.size(), true), partly_(nodes.size(), false) {
  parents_.reserve(nodes.size());
  tags_.reserve(nodes.size());
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    parents_.push_back(nodes[index].parent);
    tags_.push_back(nodes[index].tag);
    if (nodes[index].parent) children_[*nodes[index].parent].push_back(index);
  }
}

void FolderChecks::Click(std::size_t node) { SetBranch(node, Shown(node) != CheckShown::Checked); }

void FolderChecks::SetBranch(std::size_t node, bool checked) {
  MarkBranch(node, checked);
  UpdatePartly();
}

void FolderChecks::MarkBranch(std::size_t node, bool checked) {
  std::vector<std::size_t> pending{node};
  while (!pending.empty()) {
    const std::size_t next = pending.back();
    pending.pop_back();
    own_[next] = checked;
    pending.insert(pending.end(), children_[next].begin(), children_[next].end());
  }
}

bool FolderChecks::Own(std::size_t node) const { return own_.at(node); }

CheckShown FolderChecks::Shown(std::size_t node) const {
  if (partly_.at(node)) return CheckShown::Partly;
  return own_[node] ? CheckShown::Checked : CheckShown::Unchecked;
}

std::vector<std::string> FolderChecks::CheckedTags() const {
  std::vector<std::string> tags;
  for (std::size_t index = 1; index < own_.size(); ++index) {  // the root is never taken
    if (own_[index] && !tags_[index].empty()) tags.push_back(tags_[index]);
  }
  return tags;
}

std::optional<std::string> FolderChecks::CheckOnly(const std::vector<std::string>& tags) {
  std::unordered_multimap<std::string, std::size_t> byTag;
  for (std::size_t index = 1; index < tags_.size(); ++index) {
    if (!tags_[index].empty()) byTag.emplace(tags_[index], index);
  }
  std::vector<std::size_t> asked;
  for (const std::string& tag : tags) {
    const auto [first, last] = byTag.equal_range(tag);
    if (first == last) return tag;
    for (auto found = first; found != last; ++found) asked.push_back(found->second);
  }
  own_.assign(own_.size(), false);
  for (const std::size_t node : asked) MarkBranch(node, true);
  UpdatePartly();
  return std::nullopt;
}

void FolderChecks::UpdatePartly() {
  // Whether some node of each branch is checked and whether some is not, gathered bottom up: a
  // parent always comes before its children.
  std::vector<bool> someChecked(own_.size(), false);
  std::vector<bool> someUnchecked(own_.size(), false);
  for (std::size_t index = own_.size(); index-- > 0;) {
    someChecked[index] = someChecked[index] || own_[index];
    someUnchecked[index] = someUnchecked[index] || !own_[index];
    partly_[index] = someChecked[index] && someUnchecked[index];
    if (const auto parent = parents_[index]) {
      someChecked[*parent] = someChecked[*parent] || someChecked[index];
      someUnchecked[*parent] = someUnchecked[*parent] || someUnchecked[index];
    }
  }
}

}  // namespace mailshift::notes
