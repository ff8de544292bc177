#include "export/ExportLaunch.h"

#include <algorithm>

#include "common/Global.h"
#include "export/Destination.h"

namespace mailshift::mail {

bool CmdStartConversion_Click(const TreeControl& tree, MessageBoxes& messages, ProgramValues& values) {
  const int nodeCount = tree.NodeCount();
  values.SelectedFolders.assign(static_cast<std::size_t>(std::max(nodeCount, 0)) + 1, std::string());
  std::size_t selected = 0;
  for (int position = 2; position <= nodeCount; ++position) {  // position 1, the root, is never taken
    if (tree.CheckState(position) == 1) values.SelectedFolders[selected++] = tree.NodeTag(position);
  }
  if (selected == 0) {
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
