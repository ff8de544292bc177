#include <string>

#include "common/Messages.h"
#include "export/ExportDriver.h"
#include "notes/FolderCatalogue.h"

namespace mailshift::mail {
namespace {

constexpr std::string_view kCustomFoldersHeader = "Saving Emails (Custom Folders)...";

std::string Fraction(std::int64_t done, std::int64_t count) {
  return std::to_string(done) + "/" + std::to_string(count);
}

// The run's events as the export window's labels.
class WindowLabels : public ExportObserver {
 public:
  explicit WindowLabels(ExportWindowObserver& window) : window_(window) {}

  void RunStarted() override {
    window_.SetLabel(ExportLabel::LblSaveHeader, "Checking Configuration...");
    window_.SetLabel(ExportLabel::LblProcessing, "Processing...");
    window_.SetLabel(ExportLabel::LblFound, "");
    window_.SetLabel(ExportLabel::LblCurrent, "");
    window_.SetSubjectVisible(false);
  }
  void SessionReady() override { window_.SetSubjectVisible(true); }
  void LookingForFolders() override {
    window_.SetLabel(ExportLabel::LblSaveHeader, std::string(kCustomFoldersHeader));
  }
  void FolderStarted(const FolderStart& folder) override {
    const notes::StandardFolder* standard =
        folder.standard ? notes::StandardFolderByTag(folder.tag) : nullptr;
    window_.SetLabel(ExportLabel::LblSaveHeader,
                     standard != nullptr ? std::string(standard->exportHeader)
                                         : std::string(kCustomFoldersHeader) + " [" + folder.tag + "]");
  }
  void FolderCounted(std::int64_t count) override {
    window_.SetLabel(ExportLabel::LblFound, std::to_string(count));
  }
  void DocumentStarted(const DocumentProgress& progress) override {
    window_.SetLabel(ExportLabel::LblProcessing, progress.subject);
    window_.SetLabel(ExportLabel::LblCurrent, Fraction(progress.handled, progress.count));
  }
  void DocumentHandled(const DocumentProgress& progress) override {
    if (progress.skipped)
      window_.SetLabel(ExportLabel::LblCurrent, Fraction(progress.handled - 1, progress.count));
    window_.DocumentHandled(ExportProgress{progress.folder, progress.handled, progress.count,
                                           progress.written, progress.skipped});
  }
  bool StopRequested() override { return window_.StopRequested(); }

 private:
  ExportWindowObserver& window_;
};

ExportMessage EndMessage(const ExportPlan& plan, const ExportReport& report) {
  switch (report.end) {
    case ExportEnd::NotesNotInstalled:
      return ExportMessage{EndText(plan, report), std::string(kNotInstalledTitle)};
    case ExportEnd::DestinationError:
      return ExportMessage{EndText(plan, report), std::string(kConversionErrorTitle),
                           MessageIcon::Exclamation};
    case ExportEnd::ConversionError:
      return ExportMessage{EndText(plan, report), std::string(kConversionErrorTitle)};
    case ExportEnd::Completed:
      break;
  }
  return ExportMessage{EndText(plan, report), std::string(kCompletionTitle),
                       report.Succeeded() ? MessageIcon::Information : MessageIcon::Exclamation};
}

}  // namespace

ExportResult RunExport(const ExportSetup& setup) {
  ExportPlan plan;
  plan.databasePath = setup.databasePath();
  plan.title = setup.values.DatabaseTitle;
  plan.folders = setup.values.SelectedFolders;
  plan.destination = setup.values.DestinationRoot;
  plan.everythingAgain = setup.values.ExportEverythingAgain;
  plan.logPath = setup.logPath;
  WindowLabels labels(setup.observer);
  const ExportReport report = Export(plan, ExportServices{setup.notesClient, setup.writer}, labels);
  setup.notes.ReleaseDatabaseObjects();
  setup.observer.ShowMessage(EndMessage(plan, report));
  return report;
}

}  // namespace mailshift::mail
