#include "common/testing/HeadlessControls.h"

#include <algorithm>
#include <utility>

namespace mailshift {

void HeadlessTree::Clear() {
  nodes.clear();
  positions_.clear();
  selected.reset();
}

void HeadlessTree::AddNode(const TreeNodeSpec& node) {
  if (Find(node.key) != nullptr) throw ControlError("duplicate key " + node.key);
  std::optional<int> parentPosition;
  if (node.parentKey) {
    const HeadlessTreeNode* parent = Find(*node.parentKey);
    if (parent == nullptr) throw ControlError("no parent " + *node.parentKey);
    parentPosition = static_cast<int>(parent - nodes.data()) + 1;
  }
  nodes.push_back(HeadlessTreeNode{node, 0, false, parentPosition});
  positions_.emplace(node.key, nodes.size() - 1);
}

const HeadlessTreeNode* HeadlessTree::Find(const std::string& key) const {
  const auto found = positions_.find(key);
  if (found != positions_.end() && found->second < nodes.size() && nodes[found->second].key == key) {
    return &nodes[found->second];
  }
  // Nodes put into the list directly have no entry yet.
  for (const auto& node : nodes) {
    if (node.key == key) return &node;
  }
  return nullptr;
}

const HeadlessTreeNode& HeadlessTree::At(int position) const {
  if (position < 1 || position > NodeCount()) throw ControlError("no node at " + std::to_string(position));
  return nodes[static_cast<std::size_t>(position - 1)];
}

HeadlessTreeNode& HeadlessTree::At(int position) {
  return const_cast<HeadlessTreeNode&>(std::as_const(*this).At(position));
}

std::vector<std::string> HeadlessTree::Outline() const {
  // Indentation stops growing here and deeper lines say their level instead, so that the outline
  // of a deeply nested tree stays about as long as the tree.
  constexpr std::size_t kDeepestIndent = 32;
  std::vector<std::vector<std::size_t>> children(nodes.size() + 1);  // by parent position; 0: roots
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    children[static_cast<std::size_t>(nodes[index].parentPosition.value_or(0))].push_back(index);
  }

  std::vector<std::string> lines;
  // Children follow their parent in the order they were added, depth first.
  std::vector<std::pair<std::size_t, std::size_t>> pending;  // node index, depth
  const auto push = [&](std::size_t parentPosition, std::size_t depth) {
    const auto& below = children[parentPosition];
    for (auto child = below.rbegin(); child != below.rend(); ++child) pending.emplace_back(*child, depth);
  };
  push(0, 0);
  while (!pending.empty()) {
    const auto [index, depth] = pending.back();
    pending.pop_back();
    const HeadlessTreeNode& node = nodes[index];
    std::string line(std::min(depth, kDeepestIndent) * 2, ' ');
    if (depth > kDeepestIndent) line += "(level " + std::to_string(depth) + ") ";
    line += node.partlyChecked ? "[-] " : node.checkState == 1 ? "[x] " : "[ ] ";
    lines.push_back(line + node.text);
    push(index + 1, depth + 1);
  }
  return lines;
}

void HeadlessReportList::SetReportIcon(int row, int column, int icon) {
  if (row < 0 || row >= static_cast<int>(rows.size())) throw ControlError("no row " + std::to_string(row));
  icons[{row, column}] = icon;
}

MessageAnswer RecordingMessageBoxes::Show(const std::string& text, const std::string& title, MessageIcon icon,
                                          MessageButtons buttons) {
  shown.push_back(ShownMessage{text, title, icon, buttons});
  if (answers.empty()) return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace mailshift
