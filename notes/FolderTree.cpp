#include "notes/FolderTree.h"

#include <algorithm>
#include <stdexcept>

#include "common/TextRules.h"

namespace mailshift::notes {
namespace {

// Keys longer than this are numbered instead.
constexpr std::size_t kLongestNamedKey = 4096;

std::vector<std::string_view> Levels(std::string_view folderName) {
  std::vector<std::string_view> levels;
  for (std::size_t start = 0;;) {
    const auto separator = folderName.find('\\', start);
    levels.push_back(folderName.substr(start, separator - start));
    if (separator == std::string_view::npos) return levels;
    start = separator + 1;
  }
}

}  // namespace

std::string CountedText(std::string_view label, std::int64_t count) {
  return std::string(label) + " (" + std::to_string(count) + ")";
}

void AddFixedNodes(std::vector<FolderNode>& nodes,
                   const std::array<std::int64_t, kStandardFolders.size()>& counts) {
  const std::size_t root = nodes.size();
  nodes.push_back(
      FolderNode{std::string(kRootKey), std::string(kRootText), "", kRootImage, true, std::nullopt, 0});
  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    const StandardFolder& folder = kStandardFolders[index];
    const std::int64_t count = counts[index];
    nodes.push_back(FolderNode{std::string(folder.tag), CountedText(folder.label, count),
                               std::string(folder.tag), folder.image, count > 0, root, count});
  }
  nodes.push_back(FolderNode{std::string(kFoldersKey), std::string(kFoldersKey), std::string(kFoldersKey),
                             kFolderImage, false, root, 0});
}

std::string_view LastLevel(std::string_view folderName) {
  const auto separator = folderName.rfind('\\');
  return separator == std::string_view::npos ? folderName : folderName.substr(separator + 1);
}

UserFolderNodes::UserFolderNodes(std::vector<FolderNode>& nodes) : nodes_(nodes) {
  Level folders;
  folders.key = std::string(kFoldersKey);
  for (std::size_t index = nodes.size(); index > 0; --index) {
    if (nodes[index - 1].key == kFoldersKey) {
      folders.node = index - 1;
      break;
    }
  }
  levels_.push_back(std::move(folders));
}

std::size_t UserFolderNodes::Child(std::size_t parent, std::string_view name) {
  const auto found = levels_[parent].children.find(std::string(name));
  if (found != levels_[parent].children.end()) return found->second;
  Level level;
  const std::string& parentKey = levels_[parent].key;
  if (parentKey.size() + 1 + name.size() <= kLongestNamedKey && parentKey.front() != '#') {
    level.key = parentKey + '\\' + std::string(name);
  } else {
    level.key = "#" + std::string(kFoldersKey) + "#" + std::to_string(nextNumberedKey_++);
  }
  levels_.push_back(std::move(level));
  levels_[parent].children.emplace(std::string(name), levels_.size() - 1);
  return levels_.size() - 1;
}

std::size_t UserFolderNodes::AddNode(std::size_t level, std::size_t parentLevel, std::string text,
                                     std::string tag, std::int64_t count) {
  const std::optional<std::size_t> parentNode = levels_[parentLevel].node;
  if (!parentNode) throw std::runtime_error("no parent " + levels_[parentLevel].key);
  nodes_.push_back(FolderNode{levels_[level].key, std::move(text), std::move(tag), kFolderImage, count > 0,
                              parentNode, count});
  levels_[level].node = nodes_.size() - 1;
  return nodes_.size() - 1;
}

void UserFolderNodes::Add(const std::string& folderName, std::int64_t count, StepPolicy& policy) {
  const std::vector<std::string_view> levels = Levels(folderName);
  const std::size_t parents = std::min(levels.size() - 1, kDeepestFolderLevel - 1);
  std::size_t parent = 0;
  for (std::size_t depth = 0; depth < parents; ++depth) {
    const std::size_t level = Child(parent, levels[depth]);
    if (!levels_[level].node) {
      policy.Run([&] { AddNode(level, parent, std::string(levels[depth]), "", 0); });
      if (!levels_[level].node) return;
    }
    parent = level;
  }
  // Below the deepest level, the rest of the name is the node's text.
  const std::string_view rest =
      std::string_view(folderName)
          .substr(static_cast<std::size_t>(levels[parents].data() - folderName.data()));
  const std::size_t folder = Child(parent, rest);
  policy.Run([&] {
    if (levels_[folder].node) throw std::runtime_error("duplicate key " + levels_[folder].key);
    AddNode(folder, parent, CountedText(rest, count), Trim(folderName), count);
  });
}

}  // namespace mailshift::notes
