// The export window's behaviour without its widgets: its stages, the texts its labels take from
// the run's progress, the closing message and the commands of its buttons.
#pragma once

#include <optional>

#include "export/ExportPlan.h"
#include "shell/presenters/ExportView.h"
#include "shell/presenters/MailCore.h"

namespace mailshift::shell {

class ExportPresenter final : public mail::ExportObserver {
 public:
  // The stamp is the database file's as its scan left it: the run is refused once it differs.
  ExportPresenter(MailCore& core, mail::ExportPlan plan, std::optional<FileStamp> scanned = std::nullopt);

  // The window shows its design captions and the export button; the view is the window's own
  // until it closes.
  void Attach(ExportView& view);
  void Detach() { view_ = nullptr; }

  // The export button: runs the export to its end or until the user stops it, then shows the
  // closing message, and the labels show how it ended. After a completed run the window offers the output
  // folder and the log; after a failure the export button is back.
  void CmdConversion_Click();
  // Cancel and Esc: during a run, the run stops after the current message; otherwise the window
  // closes.
  void CmdCancel_Click();
  void CmdOpenFolder_Click();
  void CmdOpenLog_Click();
  void CmdClose_Click();
  // The title bar's close button: true when the window may close; during a run it asks the run
  // to stop instead.
  bool CloseRequested();

  const mail::ExportPlan& Plan() const { return plan_; }
  bool Running() const { return running_; }
  bool StopWasRequested() const { return stopRequested_; }
  ExportStage Stage() const { return stage_; }
  // How the last run ended; none before the first.
  const std::optional<mail::ExportReport>& LastReport() const { return report_; }
  // Whether the export button found the database changed since its scan (and exported nothing).
  bool DatabaseChangedSinceScan() const { return databaseChanged_; }

  void RunStarted() override;
  void SessionReady() override;
  void LookingForFolders() override;
  void FolderStarted(const mail::FolderStart& folder) override;
  void FolderCounted(std::int64_t count) override;
  void DocumentStarted(const mail::DocumentProgress& progress) override;
  void DocumentHandled(const mail::DocumentProgress& progress) override;
  bool StopRequested() override;

 private:
  void Show(ExportLabel label, const std::string& text);
  void ShowStage(ExportStage stage);
  void ShowClosingMessage();
  void ShowFinalCounts();
  void OpenWithDesktop(const std::string& path, const char* what);

  MailCore& core_;
  mail::ExportPlan plan_;
  std::optional<FileStamp> scanned_;
  bool databaseChanged_ = false;
  ExportView* view_ = nullptr;
  ExportStage stage_ = ExportStage::Ready;
  bool running_ = false;
  bool stopRequested_ = false;
  std::optional<mail::ExportReport> report_;
};

// "12/40": the documents of the folder handled before the current one, of its entries.
std::string CurrentCount(std::int64_t handled, std::int64_t count);

}  // namespace mailshift::shell
