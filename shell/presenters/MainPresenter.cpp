#include "shell/presenters/MainPresenter.h"

#include <utility>

#include "common/Messages.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/Guarded.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

// The scan panel follows the scan: the arrow of the standard folders as they are counted, the
// name of each user folder as it is found and counted.
class MainPresenter::ScanProgress final : public notes::ScanObserver {
 public:
  explicit ScanProgress(const MainViews& views) : views_(views) {}
  void PhaseStarted(notes::ScanPhase phase) override {
    if (phase != notes::ScanPhase::StandardFolders) return;
    views_.scanPanel.ShowArrow(ScanArrow::Emails, true);
    views_.window.Pause(10);
  }
  void FolderShown(const std::string& caption) override { views_.scanPanel.ShowFolderName(caption); }

 private:
  const MainViews& views_;
};

MainPresenter::MainPresenter(MainViews views, MailCore& core, HelpDesk& help, MainSettings settings)
    : views_(views), view_(views.window), core_(core), help_(help), settings_(std::move(settings)) {}

void MainPresenter::Form_Load() {
  Enable(Command::Browse, true);
  Enable(Command::Scan, false);
  Enable(Command::Export, false);
  views_.scanPanel.ShowScanPanel(false);
  for (ScanArrow arrow : {ScanArrow::Reading, ScanArrow::Emails, ScanArrow::MailFolder})
    views_.scanPanel.ShowArrow(arrow, false);
  views_.tabs.SelectTab(MainTab::SelectFile);
}

bool MainPresenter::IsEnabled(Command command) const {
  const auto found = enabled_.find(command);
  return found == enabled_.end() || found->second;
}

void MainPresenter::Enable(Command command, bool enabled) {
  enabled_[command] = enabled;
  view_.EnableCommand(command, enabled);
}

void MainPresenter::Run(Command command) {
  RunGuarded(view_.Messages(), [this, command] {
    switch (command) {
      case Command::Browse:
        CmdBrowse_Click();
        break;
      case Command::Scan:
        CmdScan_Click();
        break;
      case Command::Export:
        CmdStartConversion_Click();
        break;
      case Command::Help:
        mnuHelp_Click();
        break;
      case Command::About:
        mnuAbout_Click();
        break;
      case Command::Exit:
        mnuExit_Click();
        break;
      case Command::None:
        break;
    }
  });
}

void MainPresenter::NotesToolBar_ButtonClick(int index) {
  if (index < 1 || index > static_cast<int>(kToolbar.size())) return;
  Run(kToolbar[static_cast<std::size_t>(index - 1)].command);
}

void MainPresenter::mnuOpen_Click(int index) {
  if (index == 0) Run(Command::Browse);
}

void MainPresenter::CmdBrowse_Click() {
  TakeDatabaseFile(view_.ChooseDatabaseFile(text::kNotesDatabaseFilter));
}

void MainPresenter::DatabaseFile_Drop(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (!IsNotesDatabaseFile(path)) continue;
    RunGuarded(view_.Messages(), [this, &path] { TakeDatabaseFile(path); });
    return;
  }
}

void MainPresenter::TakeDatabaseFile(const std::string& chosen) {
  if (!chosen.empty() && settings_.remembered != nullptr &&
      !settings_.remembered->RememberDatabaseFolder(FolderOfFile(chosen))) {
    view_.Warn("The database folder could not be remembered in " + settings_.remembered->file().string());
  }
  path_ = chosen;
  view_.ShowPath(path_);
  txtNotesDatabaseFile_Change();
  views_.tabs.EnableTab(MainTab::EmailsPreview, false);
  for (ScanArrow arrow : {ScanArrow::Reading, ScanArrow::Emails, ScanArrow::MailFolder})
    views_.scanPanel.ShowArrow(arrow, false);
  if (path_.empty()) views_.scanPanel.ShowScanPanel(false);
}

void MainPresenter::txtNotesDatabaseFile_Change() { Enable(Command::Scan, !path_.empty()); }

void MainPresenter::CmdScan_Click() {
  if (views_.tabs.SelectedTab() != MainTab::SelectFile) return;
  if (path_.empty()) {
    view_.Messages().Show(std::string(notes::kNoDatabaseChosenText), text::kSelectDatabaseTitle,
                          MessageIcon::Information, MessageButtons::Ok);
    views_.tabs.SelectTab(MainTab::SelectFile);
    Enable(Command::Browse, true);
    return;
  }
  views_.scanPanel.ShowArrow(ScanArrow::Reading, true);
  views_.scanPanel.ShowArrow(ScanArrow::MailFolder, true);
  views_.scanPanel.ShowFolderName("");
  views_.scanPanel.ShowScanPanel(true);
  view_.Pause(10);

  ScanProgress progress(views_);
  ShowScanResult(core_.Scan(path_, progress));
}

void MainPresenter::ShowScanResult(const notes::ScanResult& result) {
  // Without a session the tree is not touched; with one it shows what the scan found.
  if (result.origin != notes::SessionOrigin::None) {
    views_.tree.ShowTree(result.nodes);
    checks_.reset();
    scan_ = result;
    if (!result.nodes.empty()) {
      checks_.emplace(result.nodes);
      if (result.end != notes::ScanEnd::Completed) checks_->SetBranch(0, false);
    }
  }
  MessageBoxes& messages = view_.Messages();
  switch (result.end) {
    case notes::ScanEnd::NotInstalled:
      messages.Show(NotInstalledText(), std::string(kNotInstalledTitle), MessageIcon::Information,
                    MessageButtons::Ok);
      return;
    case notes::ScanEnd::NoData:
      messages.Show(std::string(notes::kNoDataText), "", MessageIcon::None, MessageButtons::Ok);
      views_.scanPanel.ShowScanPanel(false);
      return;
    case notes::ScanEnd::Stopped:
      return;
    case notes::ScanEnd::Completed:
      break;
  }
  ShowAllChecks();
  messages.Show(std::string(notes::kScanCompletedText), text::kScanCompletedTitle, MessageIcon::Information,
                MessageButtons::Ok);
  Enable(Command::Export, true);
  views_.tabs.EnableTab(MainTab::EmailsPreview, true);
  views_.tabs.SelectTab(MainTab::EmailsPreview);
}

void MainPresenter::ShowAllChecks() {
  if (!checks_ || !scan_) return;
  for (std::size_t node = 0; node < scan_->nodes.size(); ++node)
    views_.tree.ShowCheck(node, checks_->Shown(node));
}

void MainPresenter::ContactsTreeView_Click() {
  RunGuarded(view_.Messages(), [this] {
    const std::optional<std::size_t> node = views_.tree.SelectedNode();
    if (!node || !scan_ || *node >= scan_->nodes.size()) return;
    views_.list.ShowRows({});
    views_.scanPanel.ShowArrow(ScanArrow::Emails, true);
    view_.Pause(10);
    views_.list.ShowRows(core_.Preview(*scan_, scan_->nodes[*node].tag).rows);
    view_.DoEvents();
  });
}

void MainPresenter::ContactsTreeView_NodeCheck(std::size_t node) {
  RunGuarded(view_.Messages(), [this, node] {
    if (!checks_ || !scan_ || node >= scan_->nodes.size()) return;
    checks_->Click(node);
    ShowAllChecks();
  });
}

void MainPresenter::CmdStartConversion_Click() {
  const std::vector<std::string> tags = checks_ ? checks_->CheckedTags() : std::vector<std::string>{};
  MessageBoxes& messages = view_.Messages();
  if (tags.empty()) {
    messages.Show(std::string(mail::kNoFoldersCheckedText), text::kExportTitle, MessageIcon::Information,
                  MessageButtons::Ok);
    return;
  }
  const std::string destination = view_.ChooseDestination(text::kDestinationTitle);
  if (destination.empty()) return;
  // Checked once here, so that a destination that cannot take the messages is said at once
  // instead of by every message of the run.
  if (const std::string problem = core_.DestinationProblem(destination); !problem.empty()) {
    messages.Show(core_.DestinationMessage(destination, problem), text::kExportTitle,
                  MessageIcon::Exclamation, MessageButtons::Ok);
    return;
  }
  bool everythingAgain = false;
  if (!AskAboutAnEarlierExport(destination, everythingAgain)) return;
  if (settings_.remembered != nullptr && !settings_.remembered->RememberDestination(destination)) {
    view_.Warn("The destination could not be remembered in " + settings_.remembered->file().string());
  }
  mail::ExportPlan plan;
  plan.databasePath = path_;
  plan.title = scan_ ? scan_->title : std::string();
  plan.folders = tags;
  plan.destination = destination;
  plan.everythingAgain = everythingAgain;
  if (!settings_.logPath.empty()) plan.logPath = settings_.logPath;
  ExportPresenter exportWindow(core_, std::move(plan));
  view_.ShowExportWindow(exportWindow);
}

// When the destination holds an earlier export of this database, the user chooses once whether
// the run adds what is missing (the default) or writes everything again, or stops here.
bool MainPresenter::AskAboutAnEarlierExport(const std::string& destination, bool& everythingAgain) {
  const std::string root = core_.OutputRootOf(destination, scan_ ? scan_->title : std::string());
  if (!core_.HasEarlierExport(root)) return true;
  const MessageAnswer answer =
      view_.Messages().Show(text::kEarlierExportIn + root + text::kEarlierExportChoice, text::kExportTitle,
                            MessageIcon::Question, MessageButtons::YesNoCancel);
  if (answer == MessageAnswer::Cancel) return false;
  everythingAgain = answer == MessageAnswer::No;
  return true;
}

void MainPresenter::mnuHelp_Click() { ShowHelp(settings_.programFolder, help_, view_.Messages()); }

void MainPresenter::mnuAbout_Click() { view_.ShowAbout(); }

void MainPresenter::mnuExit_Click() {
  const MessageAnswer answer = view_.Messages().Show(text::kExitQuestion, text::kExitTitle,
                                                     MessageIcon::Information, MessageButtons::YesNo);
  if (answer == MessageAnswer::Yes) view_.EndProgram();
}

}  // namespace mailshift::shell
