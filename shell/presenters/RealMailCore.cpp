#include "shell/presenters/RealMailCore.h"

#include "export/Destination.h"
#include "export/ExportManifest.h"

namespace mailshift::shell {

notes::ScanResult RealMailCore::Scan(const std::string& databasePath, notes::ScanObserver& observer) {
  return notes::Scan(notesClient_, databasePath, &observer);
}

notes::PreviewResult RealMailCore::Preview(const notes::ScanResult& scan, const std::string& tag) {
  if (!scan.session) return {};
  return notes::Preview(*scan.session, scan.databasePath, tag);
}

bool RealMailCore::DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>& scanned) {
  // A file that could not be stamped at its scan leaves nothing to compare.
  return scanned.has_value() && StampOfFile(databasePath) != scanned;
}

std::optional<FileStamp> RealMailCore::DatabaseStamp(const std::string& databasePath) {
  return StampOfFile(databasePath);
}

mail::ExportReport RealMailCore::Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) {
  return mail::Export(plan, mail::ExportServices{notesClient_, writer_}, observer);
}

std::string RealMailCore::CompletionText(const mail::ExportReport& report) {
  return mail::CompletionText(report);
}

std::string RealMailCore::DestinationProblem(const std::string& destination) {
  return mail::DestinationProblem(destination);
}

std::string RealMailCore::DestinationMessage(const std::string& destination, const std::string& problem) {
  return mail::DestinationMessage(destination, problem);
}

std::string RealMailCore::OutputRootOf(const std::string& destination, const std::string& title) {
  return mail::OutputRootOf(destination, title);
}

bool RealMailCore::HasEarlierExport(const std::string& outputRoot) { return mail::HasManifest(outputRoot); }

}  // namespace mailshift::shell
