#include "cli/FolderNames.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "notes/FolderTree.h"

namespace mailshift::cli {
namespace {

std::string Folded(std::string_view text) {
  std::string folded(text);
  // ASCII only: the bytes of other UTF-8 characters stay as they are and still compare exactly.
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

// "Inbox (12)" without " (12)".
std::string_view WithoutCount(std::string_view caption) {
  if (caption.empty() || caption.back() != ')') return caption;
  const std::size_t open = caption.rfind(" (");
  if (open == std::string_view::npos || open + 3 > caption.size()) return caption;
  const std::string_view digits = caption.substr(open + 2, caption.size() - open - 3);
  const bool counted = !digits.empty() &&
                       std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  return counted ? caption.substr(0, open) : caption;
}

bool BelowFolders(const std::vector<notes::FolderNode>& nodes, std::size_t node) {
  for (auto parent = nodes[node].parent; parent; parent = nodes[*parent].parent) {
    if (nodes[*parent].key == notes::kFoldersKey) return true;
  }
  return false;
}

// The names a node answers to, folded.
std::vector<std::string> NamesOf(const std::vector<notes::FolderNode>& nodes, std::size_t node) {
  std::vector<std::string> names;
  if (!nodes[node].tag.empty()) names.push_back(Folded(nodes[node].tag));
  names.push_back(Folded(WithoutCount(nodes[node].text)));
  names.push_back(Folded(ShownName(nodes, node)));
  return names;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// How far a name is from a node's nearest name, or nothing when it is not close: a few letters
// off, or one name inside the other.
std::optional<std::size_t> Closeness(const std::vector<std::string>& names, const std::string& wanted) {
  std::optional<std::size_t> best;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    std::size_t distance = EditDistance(name, wanted);
    const std::size_t allowed = std::max<std::size_t>(2, std::min(name.size(), wanted.size()) / 3);
    if (distance > allowed) {
      if (wanted.size() < 3 || name.find(wanted) == std::string::npos) continue;
      distance = allowed + 1;
    }
    if (!best || distance < *best) best = distance;
  }
  return best;
}

// Only nodes that stand for folders can be named: not the root.
bool Nameable(const std::vector<notes::FolderNode>& nodes, std::size_t node) {
  return nodes[node].parent.has_value();
}

}  // namespace

std::string ShownName(const std::vector<notes::FolderNode>& nodes, std::size_t node) {
  std::string name(WithoutCount(nodes[node].text));
  if (!BelowFolders(nodes, node)) return name;
  for (auto parent = nodes[node].parent; parent && nodes[*parent].key != notes::kFoldersKey;
       parent = nodes[*parent].parent) {
    name = std::string(WithoutCount(nodes[*parent].text)) + "\\" + name;
  }
  return name;
}

FolderLookup FindFolder(const std::vector<notes::FolderNode>& nodes, std::string_view name) {
  FolderLookup lookup;
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    if (Nameable(nodes, node) && !nodes[node].tag.empty() && nodes[node].tag == name) {
      lookup.nodes.push_back(node);
      return lookup;
    }
  }
  const std::string wanted = Folded(name);
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    if (!Nameable(nodes, node)) continue;
    const auto names = NamesOf(nodes, node);
    if (std::find(names.begin(), names.end(), wanted) != names.end()) lookup.nodes.push_back(node);
  }
  if (!lookup.nodes.empty()) return lookup;

  std::vector<std::pair<std::size_t, std::size_t>> close;  // distance, node
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    if (!Nameable(nodes, node)) continue;
    if (const auto distance = Closeness(NamesOf(nodes, node), wanted)) close.emplace_back(*distance, node);
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  constexpr std::size_t kMostSuggestions = 5;
  for (const auto& [distance, node] : close) {
    if (lookup.closeNames.size() == kMostSuggestions) break;
    lookup.closeNames.push_back(ShownName(nodes, node));
  }
  return lookup;
}

std::string FolderLookupProblem(const std::vector<notes::FolderNode>& nodes, std::string_view name,
                                const FolderLookup& lookup) {
  std::string problem;
  if (lookup.nodes.size() > 1) {
    problem = "\"" + std::string(name) + "\" names more than one folder:";
    for (std::size_t node : lookup.nodes) problem += " \"" + ShownName(nodes, node) + "\"";
    return problem + "; name one by its whole path";
  }
  problem = "no folder \"" + std::string(name) + "\"";
  if (lookup.closeNames.empty()) return problem;
  problem += "; close ones:";
  for (std::size_t i = 0; i < lookup.closeNames.size(); ++i)
    problem += std::string(i == 0 ? " \"" : ", \"") + lookup.closeNames[i] + "\"";
  return problem;
}

}  // namespace mailshift::cli
