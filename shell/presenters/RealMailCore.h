// The presenters' mail core over the real one: the Notes client and the message writer the
// program was started with.
#pragma once

#include "export/EmailItemWriter.h"
#include "notes/NotesObjects.h"
#include "shell/presenters/MailCore.h"

namespace mailshift::shell {

class RealMailCore final : public MailCore {
 public:
  RealMailCore(notes::SessionFactory& notesClient, mail::EmailItemWriter& writer)
      : notesClient_(notesClient), writer_(writer) {}

  notes::ScanResult Scan(const std::string& databasePath, notes::ScanObserver& observer) override;
  notes::PreviewResult Preview(const notes::ScanResult& scan, const std::string& tag) override;
  bool DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>& scanned) override;
  std::optional<FileStamp> DatabaseStamp(const std::string& databasePath) override;
  mail::ExportReport Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) override;
  std::string CompletionText(const mail::ExportReport& report) override;
  std::string DestinationProblem(const std::string& destination) override;
  std::string DestinationMessage(const std::string& destination, const std::string& problem) override;
  std::string OutputRootOf(const std::string& destination, const std::string& title) override;
  bool HasEarlierExport(const std::string& outputRoot) override;

 private:
  notes::SessionFactory& notesClient_;
  mail::EmailItemWriter& writer_;
};

}  // namespace mailshift::shell
