#include "export/ScanSelection.h"

#include <exception>

#include "common/TextRules.h"
#include "notes/FolderCatalogue.h"
#include "notes/FolderTree.h"

namespace mailshift::mail {

std::vector<std::string> ScanSelection(notes::Database& database) {
  std::vector<std::string> userFolders;
  for (const auto& view : database.Views()) {
    try {
      if (!view) continue;
      const std::string name = view->Name();
      if (!notes::IsUserFolderView(name, *view)) continue;
      std::string tag = Trim(name);
      if (!tag.empty()) userFolders.push_back(std::move(tag));
    } catch (const std::exception&) {
      continue;  // the scan shows no node for a view it cannot read, so nothing is checked
    }
  }
  notes::SortFolderNames(userFolders);

  std::vector<std::string> selection;
  for (const notes::StandardFolder& folder : notes::kStandardFolders) selection.emplace_back(folder.tag);
  selection.emplace_back(notes::kFoldersKey);
  selection.insert(selection.end(), userFolders.begin(), userFolders.end());
  return selection;
}

}  // namespace mailshift::mail
