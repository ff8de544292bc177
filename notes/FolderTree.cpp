#include "notes/FolderTree.h"

#include <algorithm>
#include <map>
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

std::string_view LastLevel(std::string_view folderName) {
  const auto separator = folderName.rfind('\\');
  return separator == std::string_view::npos ? folderName : folderName.substr(separator + 1);
}

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

struct UserFolderNodes::Level {
  std::string key;
  bool hasNode = false;
  std::map<std::string, std::unique_ptr<Level>, std::less<>> children;
};

UserFolderNodes::UserFolderNodes(TreeControl& tree) : tree_(tree), folders_(std::make_unique<Level>()) {
  folders_->key = std::string(kFoldersKey);
  folders_->hasNode = true;
}

// Levels go one by one, so that a deeply nested tree does not unwind through the stack.
UserFolderNodes::~UserFolderNodes() {
  std::vector<std::unique_ptr<Level>> pending;
  pending.push_back(std::move(folders_));
  while (!pending.empty()) {
    std::unique_ptr<Level> level = std::move(pending.back());
    pending.pop_back();
    for (auto& [name, child] : level->children) pending.push_back(std::move(child));
  }
}

UserFolderNodes::Level& UserFolderNodes::Child(Level& parent, std::string_view name) {
  const auto found = parent.children.find(name);
  if (found != parent.children.end()) return *found->second;
  auto level = std::make_unique<Level>();
  if (parent.key.size() + 1 + name.size() <= kLongestNamedKey && parent.key.front() != '#') {
    level->key = parent.key + '\\' + std::string(name);
  } else {
    level->key = "#" + std::string(kFoldersKey) + "#" + std::to_string(nextNumberedKey_++);
  }
  return *parent.children.emplace(std::string(name), std::move(level)).first->second;
}

bool UserFolderNodes::AddPlaceholder(Level& level, const std::string& parentKey, std::string_view text,
                                     StepPolicy& policy) {
  if (level.hasNode) return true;
  policy.Run([&] {
    tree_.AddNode(TreeNodeSpec{level.key, std::string(text), kFolderImage, parentKey, false, ""});
    level.hasNode = true;
  });
  return level.hasNode;
}

void UserFolderNodes::Add(const std::string& folderName, std::int64_t count, StepPolicy& policy) {
  const std::vector<std::string_view> levels = Levels(folderName);
  const std::size_t parents = std::min(levels.size() - 1, kDeepestFolderLevel - 1);
  Level* parent = folders_.get();
  for (std::size_t depth = 0; depth < parents; ++depth) {
    Level& level = Child(*parent, levels[depth]);
    if (!AddPlaceholder(level, parent->key, levels[depth], policy)) return;
    parent = &level;
  }
  // Below the deepest level, the rest of the name is the node's text.
  const std::string_view rest =
      std::string_view(folderName)
          .substr(static_cast<std::size_t>(levels[parents].data() - folderName.data()));
  Level& folder = Child(*parent, rest);
  policy.Run([&] {
    tree_.AddNode(TreeNodeSpec{folder.key, CountedText(rest, count), kFolderImage, parent->key, count > 0,
                               Trim(folderName)});
    folder.hasNode = true;
  });
}

}  // namespace mailshift::notes
