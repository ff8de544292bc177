// The folder tree of the preview tab: the fixed nodes and the nodes of the user folders.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/MainWindowControls.h"
#include "common/ProgramValues.h"
#include "notes/NotesState.h"
#include "notes/StepPolicy.h"

namespace mailshift::notes {

inline constexpr std::string_view kRootKey = "Lotus Notes Address Book";
inline constexpr std::string_view kRootText = "Notes Email Database";
inline constexpr int kRootImage = 0;
inline constexpr std::string_view kFoldersKey = "Folders";
inline constexpr int kFolderImage = 70;

// One of the six standard mail folders. Its node key and its folder tag are both `key`.
struct StandardFolder {
  std::string_view key;
  std::string_view label;  // the node text before the count
  int image;
  std::string_view view;  // the hidden view that holds the folder's documents
  std::int64_t ProgramValues::*count;
};

// In the order in which they are counted and added.
inline constexpr std::array<StandardFolder, 6> kStandardFolders{{
    {"Inbox", "Inbox", 67, "($Inbox)", &ProgramValues::InboxCount},
    {"Drafts", "Drafts", 65, "($Drafts)", &ProgramValues::DraftsCount},
    {"Sent", "Sent", 69, "($Sent)", &ProgramValues::SentCount},
    {"Follow-Up", "Follow Up", 71, "($Follow-Up)", &ProgramValues::FollowUpCount},
    {"JunkMail", "Junk Mail", 68, "($JunkMail)", &ProgramValues::JunkMailCount},
    {"Trash", "Trash", 66, "($Trash)", &ProgramValues::TrashCount},
}};

// Clears the tree and adds the root, the six standard folders with their counts (also stored in
// `values`) and the "Folders" node. Failing steps are handled by the caller's policy.
void EmailTreeFill(MainWindowControls& window, NotesState& notes, ProgramValues& values, StepPolicy& policy);

// The deepest level of user folders that gets nodes of its own; a folder below it shows under
// its ancestor of that level, with the rest of its name as its text. Trees stay usable (and
// their work linear in the length of the names) however deep a database nests its folders.
inline constexpr std::size_t kDeepestFolderLevel = 2048;

// Adds user-folder nodes below the "Folders" node of a freshly filled tree. A node's key is the
// full folder name under the "Folders" node's key ("Folders\\A\\B"), so that it cannot meet the key
// of a fixed node or of a folder with the same last part elsewhere; a name too long for a key
// gets a numbered key of its own.
class UserFolderNodes {
 public:
  explicit UserFolderNodes(TreeControl& tree);
  ~UserFolderNodes();
  UserFolderNodes(const UserFolderNodes&) = delete;
  UserFolderNodes& operator=(const UserFolderNodes&) = delete;

  // Adds the node of one folder (its full name as the views give it, levels separated by "\")
  // with its count. A parent level that has no node yet gets a node of its own, without a
  // folder tag and count, so that the folder still shows in its place.
  void Add(const std::string& folderName, std::int64_t count, StepPolicy& policy);

 private:
  struct Level;
  // The level below parent of that name, made (without a node) when missing.
  Level& Child(Level& parent, std::string_view name);
  // Adds the node of a level that has none yet; false when it could not be added.
  bool AddPlaceholder(Level& level, const std::string& parentKey, std::string_view text, StepPolicy& policy);

  TreeControl& tree_;
  std::unique_ptr<Level> folders_;  // the "Folders" node
  std::uint64_t nextNumberedKey_ = 1;
};

// The last level of a folder name.
std::string_view LastLevel(std::string_view folderName);

}  // namespace mailshift::notes
