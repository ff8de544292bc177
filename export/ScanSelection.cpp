#include "export/ScanSelection.h"

#include <algorithm>
#include <exception>

#include "common/TextRules.h"

namespace mailshift::mail {

std::vector<std::string> ScanSelection(notes::Database& database) {
  std::vector<std::string> userFolders;
  for (const auto& view : database.Views()) {
    try {
      if (!view) continue;
      const std::string name = view->Name();
      if (name.empty() || name.front() == '(' || !view->isfolder()) continue;
      std::string tag = Trim(name);
      if (!tag.empty()) userFolders.push_back(std::move(tag));
    } catch (const std::exception&) {
      continue;  // the scan shows no node for a view it cannot read, so nothing is checked
    }
  }
  std::sort(userFolders.begin(), userFolders.end(),
            [](const std::string& a, const std::string& b) { return CompareOrdinal(a, b) < 0; });
  userFolders.erase(std::unique(userFolders.begin(), userFolders.end()), userFolders.end());

  std::vector<std::string> selection{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders"};
  selection.insert(selection.end(), userFolders.begin(), userFolders.end());
  return selection;
}

}  // namespace mailshift::mail
