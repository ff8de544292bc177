#include "shell/presenters/ExportPresenter.h"

#include <utility>

#include "common/Messages.h"
#include "notes/FolderCatalogue.h"
#include "shell/presenters/Guarded.h"
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

std::string CurrentCount(std::int64_t handled, std::int64_t count) {
  return std::to_string(handled) + "/" + std::to_string(count);
}

ExportPresenter::ExportPresenter(MailCore& core, mail::ExportPlan plan, std::optional<FileStamp> scanned)
    : core_(core), plan_(std::move(plan)), scanned_(std::move(scanned)) {}

void ExportPresenter::Attach(ExportView& view) {
  view_ = &view;
  view.SetLabel(ExportLabel::LblSaveHeader, text::kCheckingConfiguration);
  view.SetLabel(ExportLabel::LblProcessing, "");
  view.SetLabel(ExportLabel::LblFound, "");
  view.SetLabel(ExportLabel::LblCurrent, "");
  ShowStage(ExportStage::Ready);
}

void ExportPresenter::CmdConversion_Click() {
  if (running_ || view_ == nullptr) return;
  RunGuarded(view_->Messages(), [this] {
    if (core_.DatabaseChanged(plan_.databasePath, scanned_)) {
      databaseChanged_ = true;
      view_->Messages().Show(text::kDatabaseChangedIn + plan_.databasePath + text::kScanAgain,
                             text::kExportTitle, MessageIcon::Exclamation, MessageButtons::Ok);
      return;
    }
    running_ = true;
    stopRequested_ = false;
    ShowStage(ExportStage::Running);
    try {
      report_ = core_.Export(plan_, *this);
    } catch (...) {
      running_ = false;
      Show(ExportLabel::LblSaveHeader, text::kExportNotCompleted);
      Show(ExportLabel::LblProcessing, "");
      ShowStage(ExportStage::Ready);
      throw;
    }
    running_ = false;
    ShowFinalCounts();
    ShowClosingMessage();
    ShowStage(report_->end == mail::ExportEnd::Completed ? ExportStage::Done : ExportStage::Ready);
  });
}

// The labels at the end of a run: how it ended, the messages it found in the checked folders and
// the files it wrote of them.
void ExportPresenter::ShowFinalCounts() {
  const mail::ExportReport& report = *report_;
  const char* header = report.end != mail::ExportEnd::Completed || !report.failure.empty()
                           ? text::kExportNotCompleted
                       : report.stopped ? text::kExportStopped
                                        : text::kExportFinished;
  Show(ExportLabel::LblSaveHeader, header);
  Show(ExportLabel::LblProcessing, "");
  const std::int64_t found = report.messages + report.skipped + report.left;
  Show(ExportLabel::LblFound, std::to_string(found));
  Show(ExportLabel::LblCurrent, CurrentCount(report.written(), found));
}

void ExportPresenter::ShowClosingMessage() {
  MessageBoxes& messages = view_->Messages();
  switch (report_->end) {
    case mail::ExportEnd::Completed:
      messages.Show(core_.CompletionText(*report_), text::kExportTitle,
                    report_->Succeeded() ? MessageIcon::Information : MessageIcon::Exclamation,
                    MessageButtons::Ok);
      break;
    case mail::ExportEnd::NotesNotInstalled:
      messages.Show(NotInstalledText(), std::string(kNotInstalledTitle), MessageIcon::Information,
                    MessageButtons::Ok);
      break;
    case mail::ExportEnd::DestinationError:
      messages.Show(core_.DestinationMessage(plan_.destination, report_->failure),
                    text::kConversionErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
      break;
    case mail::ExportEnd::ConversionError:
      messages.Show(std::string(mail::kConversionErrorText), text::kConversionErrorTitle,
                    MessageIcon::Information, MessageButtons::Ok);
      break;
  }
}

void ExportPresenter::CmdCancel_Click() {
  if (view_ == nullptr) return;
  if (!running_) {
    view_->Close();
    return;
  }
  if (stopRequested_) return;
  stopRequested_ = true;
  ShowStage(ExportStage::Stopping);
}

void ExportPresenter::CmdClose_Click() {
  if (running_ || view_ == nullptr) return;
  view_->Close();
}

bool ExportPresenter::CloseRequested() {
  if (!running_) return true;
  CmdCancel_Click();
  return false;
}

void ExportPresenter::CmdOpenFolder_Click() {
  if (report_) OpenWithDesktop(report_->outputRoot, text::kOutputFolder);
}

void ExportPresenter::CmdOpenLog_Click() {
  if (report_) OpenWithDesktop(report_->logPath, text::kTheLog);
}

void ExportPresenter::OpenWithDesktop(const std::string& path, const char* what) {
  if (view_ == nullptr) return;
  if (!path.empty() && view_->OpenWithDesktop(path)) return;
  view_->Messages().Show(std::string(what) + text::kCouldNotBeOpened + path, "", MessageIcon::Information,
                         MessageButtons::Ok);
}

void ExportPresenter::ShowStage(ExportStage stage) {
  stage_ = stage;
  if (view_ == nullptr) return;
  const bool done = stage == ExportStage::Done && report_;
  view_->ShowStage(stage, done && !report_->outputRoot.empty(), done && !report_->logPath.empty());
}

void ExportPresenter::Show(ExportLabel label, const std::string& text) {
  if (view_ == nullptr) return;
  view_->SetLabel(label, text);
  if (running_) view_->LetWindowsFollow();
}

void ExportPresenter::RunStarted() {
  Show(ExportLabel::LblSaveHeader, text::kCheckingConfiguration);
  Show(ExportLabel::LblProcessing, text::kProcessing);
  Show(ExportLabel::LblFound, "");
  Show(ExportLabel::LblCurrent, "");
  if (view_ != nullptr) view_->ShowSubjectCaption(false);
}

void ExportPresenter::SessionReady() {
  if (view_ != nullptr) view_->ShowSubjectCaption(true);
}

void ExportPresenter::LookingForFolders() { Show(ExportLabel::LblSaveHeader, text::kCustomFolders); }

void ExportPresenter::FolderStarted(const mail::FolderStart& folder) {
  if (folder.standard) {
    for (const notes::StandardFolder& standard : notes::kStandardFolders) {
      if (standard.tag != folder.tag) continue;
      Show(ExportLabel::LblSaveHeader, std::string(standard.exportHeader));
      return;
    }
  }
  Show(ExportLabel::LblSaveHeader, std::string(text::kCustomFolders) + " [" + folder.tag + "]");
}

void ExportPresenter::FolderCounted(std::int64_t count) {
  Show(ExportLabel::LblFound, std::to_string(count));
}

void ExportPresenter::DocumentStarted(const mail::DocumentProgress& progress) {
  Show(ExportLabel::LblProcessing, progress.subject);
  Show(ExportLabel::LblCurrent, CurrentCount(progress.handled, progress.count));
}

void ExportPresenter::DocumentHandled(const mail::DocumentProgress& progress) {
  // A message an earlier export wrote is not started; its count shows as it is passed over.
  if (progress.skipped) Show(ExportLabel::LblCurrent, CurrentCount(progress.handled - 1, progress.count));
  if (view_ != nullptr) view_->LetWindowsFollow();
}

bool ExportPresenter::StopRequested() {
  if (view_ != nullptr) view_->LetWindowsFollow();
  return stopRequested_;
}

}  // namespace mailshift::shell
