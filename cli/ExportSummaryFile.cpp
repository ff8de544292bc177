#include "cli/ExportSummaryFile.h"

#include "batch/ExportSummary.h"
#include "common/PlainFile.h"
#include "export/SafeFiles.h"

namespace mailshift::cli {
namespace {

std::string EndName(mail::ExportEnd end) {
  switch (end) {
    case mail::ExportEnd::Completed:
      return "completed";
    case mail::ExportEnd::NotesNotInstalled:
      return "notes not installed";
    case mail::ExportEnd::ConversionError:
      return "conversion error";
    case mail::ExportEnd::DestinationError:
      return "destination error";
  }
  return "conversion error";
}

}  // namespace

bool WriteExportSummary(const std::string& path, const mail::ExportPlan& plan,
                        const mail::ExportReport& report, double seconds) {
  batch::ExportSummary summary;
  summary.end = EndName(report.end);
  summary.succeeded = report.Succeeded();
  summary.stopped = report.stopped;
  summary.failure = report.failure;
  summary.outputRoot = report.outputRoot;
  summary.log = report.logPath;
  summary.folders = static_cast<std::int64_t>(plan.folders.size());
  summary.foldersNotExported = report.foldersNotExported;
  summary.messages = report.messages;
  summary.written = report.written();
  summary.notWritten = report.notWritten;
  summary.partial = report.incomplete;
  summary.encrypted = report.encrypted;
  summary.attachmentsNotExtracted = report.attachmentsNotExtracted;
  summary.alreadyThere = report.skipped;
  summary.left = report.left;
  summary.seconds = seconds;
  return ReplaceFileWhole(mail::FilePath(path), batch::SummaryJson(summary));
}

}  // namespace mailshift::cli
