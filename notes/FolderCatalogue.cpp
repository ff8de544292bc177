#include "notes/FolderCatalogue.h"

#include "common/Global.h"

namespace mailshift::notes {

const StandardFolder* StandardFolderByTag(std::string_view tag) {
  for (const StandardFolder& folder : kStandardFolders) {
    if (folder.tag == tag) return &folder;
  }
  return nullptr;
}

const StandardFolder* StandardFolderByView(std::string_view viewName) {
  for (const StandardFolder& folder : kStandardFolders) {
    if (folder.view == viewName) return &folder;
  }
  return nullptr;
}

bool IsUserFolderView(std::string_view name, View& view) {
  return !name.empty() && name.front() != '(' && view.isfolder();
}

std::string ViewNameOf(std::string_view tag) {
  const StandardFolder* folder = StandardFolderByTag(tag);
  return std::string(folder != nullptr ? folder->view : tag);
}

void SortFolderNames(std::vector<std::string>& names) {
  if (names.empty()) return;
  QuickSort(names, 0, static_cast<std::ptrdiff_t>(names.size()) - 1);
  RemoveDuplicates(names);
}

}  // namespace mailshift::notes
