#include "notes/Scan.h"

#include <utility>

#include "common/Messages.h"
#include "notes/FolderCatalogue.h"
#include "notes/StepPolicy.h"

namespace mailshift::notes {
namespace {

constexpr int kSelectFileTab = 1;
constexpr int kPreviewTab = 2;
constexpr int kExportButton = 4;

// The scan panel follows the scan.
class ScanPanel : public ScanObserver {
 public:
  explicit ScanPanel(MainWindowControls& window) : window_(window) {}
  void PhaseStarted(ScanPhase phase) override {
    if (phase != ScanPhase::StandardFolders) return;
    window_.ImgEmailsArrow.SetVisible(true);
    window_.Wait.Pause(10);
  }
  void FolderShown(const std::string& caption) override { window_.LblFolderName.SetCaption(caption); }

 private:
  MainWindowControls& window_;
};

void ShowNotInstalled(MainWindowControls& window) {
  window.Messages.Show(NotInstalledText(), std::string(kNotInstalledTitle), MessageIcon::Information,
                       MessageButtons::Ok);
}

// Puts the scanned nodes into the tree; with `checked`, every node is checked.
void FillTree(TreeControl& tree, const std::vector<FolderNode>& nodes, bool checked, StepPolicy& policy) {
  policy.Run([&] { tree.Clear(); });
  policy.Run([&] { tree.UseSmallIcons(); });
  for (const FolderNode& node : nodes) {
    policy.Run([&] {
      tree.AddNode(
          TreeNodeSpec{node.key, node.text, node.image,
                       node.parent ? std::optional<std::string>(nodes[*node.parent].key) : std::nullopt,
                       node.emphasis, node.tag});
    });
  }
  if (checked) {
    int count = 0;
    policy.Run([&] { count = tree.NodeCount(); });
    for (int position = 1; position <= count; ++position)
      policy.Run([&] { tree.SetCheckState(position, 1); });
  }
  policy.Run([&] { tree.FinishUpdate(); });
}

void KeepCounts(const std::vector<FolderNode>& nodes, ProgramValues& values) {
  std::int64_t ProgramValues::*const counts[] = {&ProgramValues::InboxCount,    &ProgramValues::DraftsCount,
                                                 &ProgramValues::SentCount,     &ProgramValues::FollowUpCount,
                                                 &ProgramValues::JunkMailCount, &ProgramValues::TrashCount};
  static_assert(std::size(counts) == kStandardFolders.size());
  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    values.*counts[index] = 0;
    for (const FolderNode& node : nodes) {
      if (node.key == kStandardFolders[index].tag) values.*counts[index] = node.count;
    }
  }
}

}  // namespace

ScanOutcome CmdScan_Click(MainWindowControls& window, SessionFactory& sessions, NotesState& notes,
                          ProgramValues& values) {
  ScanOutcome outcome;
  if (window.NotesTab.SelectedTab() != kSelectFileTab) return outcome;

  const std::string databasePath = window.txtNotesDatabaseFile.Caption();
  if (databasePath.empty()) {
    window.Messages.Show(std::string(kNoDatabaseChosenText), "Select Notes Database",
                         MessageIcon::Information, MessageButtons::Ok);
    window.NotesTab.SelectTab(kSelectFileTab);
    window.CmdBrowse.SetEnabled(true);
    return outcome;
  }
  outcome.started = true;

  window.ImgReadingArrow.SetVisible(true);
  window.ImgMailFolderArrow.SetVisible(true);
  window.LblFolderName.SetCaption("");
  window.ScanFrame.SetVisible(true);
  window.Wait.Pause(10);

  notes.SessionObj.reset();
  notes.ReleaseDatabaseObjects();
  ScanPanel panel(window);
  outcome.result = Scan(sessions, databasePath, &panel);
  ScanResult& result = outcome.result;
  if (result.origin == SessionOrigin::None) {
    ShowNotInstalled(window);
    return outcome;
  }

  // The tree shows what the scan read, also when it ended early; only a completed scan checks it.
  StepPolicy policy(StepPolicy::OnFailure::Skip);
  FillTree(window.ContactsTreeView, result.nodes, result.end == ScanEnd::Completed, policy);
  KeepCounts(result.nodes, values);
  values.DatabaseTitle = result.title;
  for (std::string& failure : policy.TakeSkipped()) result.skippedFailures.push_back(std::move(failure));

  if (result.end == ScanEnd::NotInstalled) {
    ShowNotInstalled(window);
    return outcome;
  }
  if (result.end != ScanEnd::Completed) {
    policy.Run(
        [&] { window.Messages.Show(std::string(kNoDataText), "", MessageIcon::None, MessageButtons::Ok); });
    policy.Run([&] { window.ScanFrame.SetVisible(false); });
    return outcome;
  }

  notes.SessionObj = result.session;
  policy.Run([&] {
    window.Messages.Show(std::string(kScanCompletedText), "Scan Completed...", MessageIcon::Information,
                         MessageButtons::Ok);
  });
  policy.Run([&] { window.NotesToolBar.SetButtonEnabled(kExportButton, true); });
  policy.Run([&] { window.NotesTab.SetTabEnabled(kPreviewTab, true); });
  policy.Run([&] { window.NotesTab.SelectTab(kPreviewTab); });
  for (std::string& failure : policy.TakeSkipped()) result.skippedFailures.push_back(std::move(failure));
  return outcome;
}

}  // namespace mailshift::notes
