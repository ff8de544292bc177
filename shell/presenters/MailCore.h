// What the presenters ask of the mail core: the scan, the preview, the export and the checks of a
// destination. The program hands in the real core (RealMailCore); the tests hand in their own.
#pragma once

#include <optional>
#include <string>

#include "common/FileStamp.h"
#include "export/ExportPlan.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"

namespace mailshift::shell {

class MailCore {
 public:
  virtual ~MailCore() = default;
  virtual notes::ScanResult Scan(const std::string& databasePath, notes::ScanObserver& observer) = 0;
  // Lists the folder with that tag through the session of the scan that found it.
  virtual notes::PreviewResult Preview(const notes::ScanResult& scan, const std::string& tag) = 0;
  // Whether the database file is no longer the one a scan stamped (none: the scan could not).
  virtual bool DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>& scanned) = 0;
  // The database file's stamp now; none when it cannot be had.
  virtual std::optional<FileStamp> DatabaseStamp(const std::string& databasePath) = 0;
  virtual mail::ExportReport Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) = 0;
  // The closing message of a completed run.
  virtual std::string CompletionText(const mail::ExportReport& report) = 0;
  // Why nothing can be written under the destination; "" when it can take the export.
  virtual std::string DestinationProblem(const std::string& destination) = 0;
  // The message that says so.
  virtual std::string DestinationMessage(const std::string& destination, const std::string& problem) = 0;
  // Where an export of the database goes under the destination, and whether one was made there.
  virtual std::string OutputRootOf(const std::string& destination, const std::string& title) = 0;
  virtual bool HasEarlierExport(const std::string& outputRoot) = 0;
};

}  // namespace mailshift::shell
