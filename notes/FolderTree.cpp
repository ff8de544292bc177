#include "notes/FolderTree.h"

#include <vector>

#include "common/TextRules.h"
#include "notes/CountEmails.h"

namespace mailshift::notes {
namespace {

std::string CountedText(std::string_view label, std::int64_t count) {
  return std::string(label) + " (" + std::to_string(count) + ")";
}

}  // namespace

void EmailTreeFill(MainWindowControls& window, NotesState& notes, ProgramValues& values, StepPolicy& policy) {
  TreeControl& tree = window.ContactsTreeView;
  policy.Run([&] { tree.Clear(); });
  policy.Run([&] { window.ImgEmailsArrow.SetVisible(true); });
  policy.Run([&] { window.Wait.Pause(10); });
  policy.Run([&] { tree.UseSmallIcons(); });

  for (const StandardFolder& folder : kStandardFolders) {
    values.*folder.count = CountEmails(std::string(folder.view), window, notes);
  }

  policy.Run([&] {
    tree.AddNode(
        TreeNodeSpec{std::string(kRootKey), std::string(kRootText), kRootImage, std::nullopt, true, ""});
  });
  for (const StandardFolder& folder : kStandardFolders) {
    const std::int64_t count = values.*folder.count;
    policy.Run([&] {
      tree.AddNode(TreeNodeSpec{std::string(folder.key), CountedText(folder.label, count), folder.image,
                                std::string(kRootKey), count > 0, std::string(folder.key)});
    });
  }
  policy.Run([&] {
    tree.AddNode(TreeNodeSpec{std::string(kFoldersKey), std::string(kFoldersKey), kFolderImage,
                              std::string(kRootKey), false, std::string(kFoldersKey)});
  });
  policy.Run([&] { tree.FinishUpdate(); });
}

std::string UserFolderKey(std::string_view folderName) {
  std::string key(kFoldersKey);
  key += '\\';
  key += folderName;
  return key;
}

std::string_view LastLevel(std::string_view folderName) {
  const auto separator = folderName.rfind('\\');
  return separator == std::string_view::npos ? folderName : folderName.substr(separator + 1);
}

std::string UserFolderNodes::ParentKey(std::string_view folderName) const {
  const auto separator = folderName.rfind('\\');
  if (separator == std::string_view::npos) return std::string(kFoldersKey);
  return UserFolderKey(folderName.substr(0, separator));
}

bool UserFolderNodes::EnsureParentLevels(std::string_view folderName, StepPolicy& policy) {
  const auto separator = folderName.rfind('\\');
  if (separator == std::string_view::npos) return true;  // "Folders" is the parent

  // Walk up to the nearest level that has a node, then add the missing levels top down.
  std::vector<std::string_view> missing;
  for (std::string_view level = folderName.substr(0, separator);;) {
    if (added_.count(UserFolderKey(level)) != 0) break;
    missing.push_back(level);
    const auto up = level.rfind('\\');
    if (up == std::string_view::npos) break;
    level = level.substr(0, up);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    bool added = false;
    policy.Run([&] {
      std::string key = UserFolderKey(*level);
      tree_.AddNode(
          TreeNodeSpec{key, std::string(LastLevel(*level)), kFolderImage, ParentKey(*level), false, ""});
      added_.insert(std::move(key));
      added = true;
    });
    if (!added) return false;
  }
  return true;
}

void UserFolderNodes::Add(const std::string& folderName, std::int64_t count, StepPolicy& policy) {
  if (!EnsureParentLevels(folderName, policy)) return;
  policy.Run([&] {
    std::string key = UserFolderKey(folderName);
    tree_.AddNode(TreeNodeSpec{key, CountedText(LastLevel(folderName), count), kFolderImage,
                               ParentKey(folderName), count > 0, Trim(folderName)});
    added_.insert(std::move(key));
  });
}

}  // namespace mailshift::notes
