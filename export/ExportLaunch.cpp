#include "export/ExportLaunch.h"

#include <algorithm>

#include "common/Global.h"
#include "export/Destination.h"
#include "notes/FolderSelection.h"

namespace mailshift::mail {

bool CmdStartConversion_Click(const TreeControl& tree, MessageBoxes& messages, ProgramValues& values) {
  const int nodeCount = tree.NodeCount();
  values.SelectedFolders.assign(static_cast<std::size_t>(std::max(nodeCount, 0)) + 1, std::string());
  const std::vector<std::string> checked = notes::CheckedFolderTags(tree);
  std::copy(checked.begin(), checked.end(), values.SelectedFolders.begin());
  if (checked.empty()) {
    messages.Show("Please Select Folders to Export", "Export to Outlook Express", MessageIcon::Information,
                  MessageButtons::Ok);
    return false;
  }
  values.DestinationRoot = BrowseForFolder(0, "Select Path to Save PST File");
  if (values.DestinationRoot.empty()) return false;
  // Checked once here, so that a destination that cannot take the messages is said at once
  // instead of by every message of the run.
  if (const std::string problem = DestinationProblem(values.DestinationRoot); !problem.empty()) {
    messages.Show(DestinationMessage(values.DestinationRoot, problem), "Export to Outlook Express",
                  MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
  }
  return true;
}

}  // namespace mailshift::mail
