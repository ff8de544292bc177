#include "shell/presenters/MainPresenter.h"

#include <utility>

#include "common/Messages.h"
#include "export/SafeFiles.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/Guarded.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {
namespace {

constexpr ScanArrow kPhaseArrows[] = {ScanArrow::Reading, ScanArrow::Emails, ScanArrow::MailFolder};

// The arrow and caption of each phase of the scan.
ScanArrow ArrowOf(notes::ScanPhase phase) {
  switch (phase) {
    case notes::ScanPhase::Reading:
      return ScanArrow::Reading;
    case notes::ScanPhase::StandardFolders:
      return ScanArrow::Emails;
    case notes::ScanPhase::UserFolders:
      break;
  }
  return ScanArrow::MailFolder;
}

std::string CaptionOf(ScanArrow phase) {
  switch (phase) {
    case ScanArrow::Reading:
      return text::kReadingPhase;
    case ScanArrow::Emails:
      return text::kMailsPhase;
    case ScanArrow::MailFolder:
      break;
  }
  return text::kFolderPhase;
}

// A message with the reader's reason under it, as the command line shows it.
std::string WithReason(const std::string& message, const std::string& reason) {
  if (message.empty()) return reason;
  return reason.empty() ? message : message + "\r\n(" + reason + ")";
}

}  // namespace

// The scan panel follows the scan: the arrow of the standard folders as they are counted, the
// name of each user folder as it is found and counted.
class MainPresenter::ScanProgress final : public notes::ScanObserver {
 public:
  explicit ScanProgress(const MainViews& views) : views_(views) {}
  void PhaseStarted(notes::ScanPhase phase) override {
    reached = phase;
    if (phase != notes::ScanPhase::StandardFolders) return;
    views_.scanPanel.ShowArrow(ScanArrow::Emails, true);
    views_.window.Pause(10);
  }
  void FolderShown(const std::string& caption) override { views_.scanPanel.ShowFolderName(caption); }

  // The last phase the scan started: the one that failed when it fails.
  notes::ScanPhase reached = notes::ScanPhase::Reading;

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
  for (ScanArrow arrow : kPhaseArrows) views_.scanPanel.ShowArrow(arrow, false);
  // Nothing to preview before a scan.
  views_.tabs.EnableTab(MainTab::EmailsPreview, false);
  views_.tabs.SelectTab(MainTab::SelectFile);
  if (settings_.remembered != nullptr) {
    namesTable_ = settings_.remembered->NamesTable();
    plainText_ = settings_.remembered->PlainText();
  }
  view_.CheckCommand(Command::PlainText, plainText_);
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
      case Command::NamesTable:
        mnuNamesTable_Click();
        break;
      case Command::PlainText:
        mnuPlainText_Click();
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
  // Whatever was scanned before is not this file: nothing of it stays to be exported.
  ForgetScan();
  views_.scanPanel.ShowScanPanel(false);
}

void MainPresenter::ForgetScan() {
  scan_.reset();
  checks_.reset();
  Enable(Command::Export, false);
  views_.tabs.EnableTab(MainTab::EmailsPreview, false);
  views_.tree.ShowTree({});
  views_.list.ShowRows({});
  for (ScanArrow arrow : kPhaseArrows) {
    views_.scanPanel.ShowArrow(arrow, false);
    views_.scanPanel.ShowPhaseCaption(arrow, CaptionOf(arrow));
  }
  views_.scanPanel.ShowFolderName("");
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
  ForgetScan();
  views_.scanPanel.ShowArrow(ScanArrow::Reading, true);
  views_.scanPanel.ShowArrow(ScanArrow::MailFolder, true);
  views_.scanPanel.ShowScanPanel(true);
  view_.Pause(10);

  ScanProgress progress(views_);
  notes::ScanResult result = core_.Scan(path_, progress);
  ShowScanResult(result, progress.reached);
}

void MainPresenter::ShowScanResult(const notes::ScanResult& result, notes::ScanPhase reached) {
  // Without a session the tree is not touched; with one it shows what the scan found, unchecked
  // unless the scan completed. Only a completed scan can be previewed and exported.
  if (result.origin != notes::SessionOrigin::None) views_.tree.ShowTree(result.nodes);
  switch (result.end) {
    case notes::ScanEnd::NotInstalled:
      ShowScanFailure(NotInstalledText(), std::string(kNotInstalledTitle), MessageIcon::Information, result,
                      reached);
      return;
    case notes::ScanEnd::NoData:
      // A database read elsewhere is named as such, not guessed to be empty or encrypted.
      ShowScanFailure(result.readElsewhere ? "" : std::string(notes::kNoDataText), "",
                      result.readElsewhere ? MessageIcon::Information : MessageIcon::None, result, reached);
      return;
    case notes::ScanEnd::Stopped:
      return;
    case notes::ScanEnd::Completed:
      break;
  }
  scan_ = result;
  if (!result.nodes.empty()) checks_.emplace(result.nodes);
  ShowAllChecks();
  view_.Messages().Show(std::string(notes::kScanCompletedText), text::kScanCompletedTitle,
                        MessageIcon::Information, MessageButtons::Ok);
  Enable(Command::Export, true);
  views_.tabs.EnableTab(MainTab::EmailsPreview, true);
  views_.tabs.SelectTab(MainTab::EmailsPreview);
}

// The panel keeps showing the scan: the phases it went through, the one that failed marked so,
// and none after it.
void MainPresenter::ShowScanFailure(const std::string& message, const std::string& title, MessageIcon icon,
                                    const notes::ScanResult& result, notes::ScanPhase reached) {
  const ScanArrow failed = ArrowOf(reached);
  bool after = false;
  for (ScanArrow arrow : kPhaseArrows) {
    views_.scanPanel.ShowArrow(arrow, !after);
    if (arrow == failed) after = true;
  }
  views_.scanPanel.ShowPhaseCaption(failed, CaptionOf(failed) + text::kPhaseFailed);
  view_.Messages().Show(WithReason(message, result.failure), title, icon, MessageButtons::Ok);
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
    // The Notes client may write its view indexes into the database as the preview reads it;
    // what the program's own reading changed is no change of the mail.
    if (scan_->stamp) scan_->stamp = core_.DatabaseStamp(scan_->databasePath);
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

bool MainPresenter::ScanStillValid() {
  MessageBoxes& messages = view_.Messages();
  if (!scan_ || scan_->end != notes::ScanEnd::Completed) {
    messages.Show(std::string(notes::kNoDatabaseChosenText), text::kSelectDatabaseTitle,
                  MessageIcon::Information, MessageButtons::Ok);
    return false;
  }
  if (!core_.DatabaseChanged(scan_->databasePath, scan_->stamp)) return true;
  messages.Show(text::kDatabaseChangedIn + scan_->databasePath + text::kScanAgain, text::kExportTitle,
                MessageIcon::Exclamation, MessageButtons::Ok);
  ForgetScan();
  views_.tabs.SelectTab(MainTab::SelectFile);
  return false;
}

bool MainPresenter::LoadNamesTable(std::shared_ptr<const mail::NamesTable>& names) {
  names.reset();
  if (namesTable_.empty()) return true;
  try {
    names = std::make_shared<const mail::NamesTable>(mail::NamesTable::FromFile(mail::FilePath(namesTable_)));
    return true;
  } catch (const mail::NamesTableError& error) {
    view_.Messages().Show(text::kNamesTableNotRead + namesTable_ + "\r\n" + error.what(),
                          text::kNamesTableTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
  }
}

void MainPresenter::CmdStartConversion_Click() {
  if (!ScanStillValid()) return;
  const std::vector<std::string> tags = checks_ ? checks_->CheckedTags() : std::vector<std::string>{};
  MessageBoxes& messages = view_.Messages();
  if (tags.empty()) {
    messages.Show(std::string(mail::kNoFoldersCheckedText), text::kExportTitle, MessageIcon::Information,
                  MessageButtons::Ok);
    return;
  }
  std::shared_ptr<const mail::NamesTable> names;
  if (!LoadNamesTable(names)) return;
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
  plan.databasePath = scan_->databasePath;
  plan.title = scan_->title;
  plan.folders = tags;
  plan.destination = destination;
  plan.everythingAgain = everythingAgain;
  plan.names = std::move(names);
  plan.plainText = plainText_;
  if (!settings_.logPath.empty()) plan.logPath = settings_.logPath;
  ExportPresenter exportWindow(core_, std::move(plan), scan_->stamp);
  view_.ShowExportWindow(exportWindow);
  if (exportWindow.DatabaseChangedSinceScan()) {
    ForgetScan();
    views_.tabs.SelectTab(MainTab::SelectFile);
  }
}

// When the destination holds an earlier export of this database, the user chooses once whether
// the run adds what is missing (the default) or writes everything again, or stops here.
bool MainPresenter::AskAboutAnEarlierExport(const std::string& destination, bool& everythingAgain) {
  const std::string root = core_.OutputRootOf(destination, scan_->title);
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

void MainPresenter::mnuNamesTable_Click() {
  const std::string chosen = view_.ChooseNamesTable(text::kNamesTableFilter);
  MessageBoxes& messages = view_.Messages();
  if (chosen.empty()) {
    if (namesTable_.empty()) return;
    const MessageAnswer answer =
        messages.Show(text::kNamesTableInUse + namesTable_ + text::kStopUsingNamesTable,
                      text::kNamesTableTitle, MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes) return;
  } else {
    // Read once now, so that a file that is no names table is said when it is chosen.
    try {
      mail::NamesTable::FromFile(mail::FilePath(chosen));
    } catch (const mail::NamesTableError& error) {
      messages.Show(text::kNamesTableNotRead + chosen + "\r\n" + error.what(), text::kNamesTableTitle,
                    MessageIcon::Exclamation, MessageButtons::Ok);
      return;
    }
  }
  namesTable_ = chosen;
  if (settings_.remembered != nullptr && !settings_.remembered->RememberNamesTable(namesTable_))
    view_.Warn("The names table could not be remembered in " + settings_.remembered->file().string());
}

void MainPresenter::mnuPlainText_Click() {
  plainText_ = !plainText_;
  view_.CheckCommand(Command::PlainText, plainText_);
  if (settings_.remembered != nullptr && !settings_.remembered->RememberPlainText(plainText_))
    view_.Warn("The plain-text option could not be remembered in " + settings_.remembered->file().string());
}

}  // namespace mailshift::shell
