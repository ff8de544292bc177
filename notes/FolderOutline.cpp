#include "notes/FolderOutline.h"

#include <algorithm>
#include <utility>

namespace mailshift::notes {

std::vector<std::string> FolderOutline(const std::vector<FolderNode>& nodes, const FolderChecks& checks) {
  // Indentation stops growing here and deeper lines say their level instead, so that the outline
  // of a deeply nested tree stays about as long as the tree.
  constexpr std::size_t kDeepestIndent = 32;
  std::vector<std::vector<std::size_t>> children(nodes.size() + 1);  // by parent index + 1; 0: roots
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    children[nodes[index].parent ? *nodes[index].parent + 1 : 0].push_back(index);
  }

  std::vector<std::string> lines;
  lines.reserve(nodes.size());
  std::vector<std::pair<std::size_t, std::size_t>> pending;  // node index, depth
  const auto push = [&](std::size_t slot, std::size_t depth) {
    const auto& below = children[slot];
    for (auto child = below.rbegin(); child != below.rend(); ++child) pending.emplace_back(*child, depth);
  };
  push(0, 0);
  while (!pending.empty()) {
    const auto [index, depth] = pending.back();
    pending.pop_back();
    std::string line(std::min(depth, kDeepestIndent) * 2, ' ');
    if (depth > kDeepestIndent) line += "(level " + std::to_string(depth) + ") ";
    switch (checks.Shown(index)) {
      case CheckShown::Partly:
        line += "[-] ";
        break;
      case CheckShown::Checked:
        line += "[x] ";
        break;
      case CheckShown::Unchecked:
        line += "[ ] ";
        break;
    }
    lines.push_back(line + nodes[index].text);
    push(index + 1, depth + 1);
  }
  return lines;
}

}  // namespace mailshift::notes
