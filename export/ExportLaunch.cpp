#include "export/ExportLaunch.h"

#include <algorithm>

#include "common/Global.h"
#include "export/Destination.h"
#include "export/ExportManifest.h"
#include "export/ExportPlan.h"
#include "notes/FolderSelection.h"

namespace mailshift::mail {

namespace {

// When the destination holds an earlier export of this database, the user chooses once whether
// the run adds what is missing (the default) or writes everything again, or stops here.
bool AskAboutAnEarlierExport(MessageBoxes& messages, ProgramValues& values) {
  values.ExportEverythingAgain = false;
  const std::string root = OutputRootOf(values.DestinationRoot, values.DatabaseTitle);
  if (!HasManifest(root)) return true;
  const MessageAnswer answer =
      messages.Show("An earlier export of this database is in:\r\n" + root +
                        "\r\n\r\nYes: add only the messages that are missing there.\r\n"
                        "No: write every message again.\r\nCancel: export nothing now.",
                    "Export to Outlook Express", MessageIcon::Question, MessageButtons::YesNoCancel);
  if (answer == MessageAnswer::Cancel) return false;
  values.ExportEverythingAgain = answer == MessageAnswer::No;
  return true;
}

}  // namespace

bool CmdStartConversion_Click(const TreeControl& tree, MessageBoxes& messages, ProgramValues& values) {
  const int nodeCount = tree.NodeCount();
  values.SelectedFolders.assign(static_cast<std::size_t>(std::max(nodeCount, 0)) + 1, std::string());
  const std::vector<std::string> checked = notes::CheckedFolderTags(tree);
  std::copy(checked.begin(), checked.end(), values.SelectedFolders.begin());
  if (checked.empty()) {
    messages.Show(std::string(kNoFoldersCheckedText), "Export to Outlook Express", MessageIcon::Information,
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
  return AskAboutAnEarlierExport(messages, values);
}

}  // namespace mailshift::mail
