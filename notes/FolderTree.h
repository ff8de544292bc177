// The folder tree a scan builds: the fixed nodes and the nodes of the user folders, as data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "notes/FolderCatalogue.h"
#include "notes/MailScan.h"
#include "notes/StepPolicy.h"

namespace mailshift::notes {

inline constexpr std::string_view kRootKey = "Lotus Notes Address Book";
inline constexpr std::string_view kRootText = "Notes Email Database";
inline constexpr int kRootImage = 0;
inline constexpr std::string_view kFoldersKey = "Folders";
inline constexpr int kFolderImage = 70;

// The deepest level of user folders that gets nodes of its own; a folder below it shows under
// its ancestor of that level, with the rest of its name as its text. Trees stay usable (and
// their work linear in the length of the names) however deep a database nests its folders.
inline constexpr std::size_t kDeepestFolderLevel = 2048;

// "Inbox (12)": a node's caption with its count.
std::string CountedText(std::string_view label, std::int64_t count);

// Appends the root, the six standard folders with their counts (in catalogue order) and the
// "Folders" node.
void AddFixedNodes(std::vector<FolderNode>& nodes,
                   const std::array<std::int64_t, kStandardFolders.size()>& counts);

// Appends user-folder nodes below the "Folders" node of a tree that AddFixedNodes began. A node's
// key is the full folder name under the "Folders" node's key ("Folders\\A\\B"), so that it cannot
// meet the key of a fixed node or of a folder with the same last part elsewhere; a name too long
// for a key gets a numbered key of its own. Each lookup is a hash lookup, so that the work grows
// with the number of folders and the length of their names only.
class UserFolderNodes {
 public:
  explicit UserFolderNodes(std::vector<FolderNode>& nodes);

  // Adds the node of one folder (its full name as the views give it, levels separated by "\")
  // with its count. A parent level that has no node yet gets a node of its own, without a
  // folder tag and count, so that the folder still shows in its place. A folder that has a node
  // already is a failure handled by the policy.
  void Add(const std::string& folderName, std::int64_t count, StepPolicy& policy);

 private:
  struct Level {
    std::string key;
    std::optional<std::size_t> node;                        // its index in the tree, once it has one
    std::unordered_map<std::string, std::size_t> children;  // level indexes by name
  };
  // The level below parent of that name, made (without a node) when missing.
  std::size_t Child(std::size_t parent, std::string_view name);
  std::size_t AddNode(std::size_t level, std::size_t parentLevel, std::string text, std::string tag,
                      std::int64_t count);

  std::vector<FolderNode>& nodes_;
  std::vector<Level> levels_;  // [0] is the "Folders" node
  std::uint64_t nextNumberedKey_ = 1;
};

// The last level of a folder name.
std::string_view LastLevel(std::string_view folderName);

}  // namespace mailshift::notes
