// mailshift-cli scan DB: the folder tree of a database, as the main window shows it after a scan.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ReaderOption.h"
#include "cli/ConsoleText.h"
#include "cli/ScanText.h"
#include "notes/FolderChecks.h"
#include "notes/FolderOutline.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

int RunScan(const std::string& database, const std::string& reader) {
  const StopRequests stopRequests;
  platform::SystemNotesClient notesClient(ChosenReader(reader));
  const notes::ScanResult scan = ScanOrSayWhyNot(notesClient.sessions(), database);
  if (scan.end != notes::ScanEnd::Completed) return kExitFailed;
  std::cout << TerminalText(scan.title) << '\n';
  // Named when the database was read natively; the Notes client (or the stand-in) is the usual reader.
  if (const std::string readBy = notesClient.ReaderFor(database); readBy == "native")
    std::cout << "Reader: " << readBy << '\n';
  const notes::FolderChecks checks(scan.nodes);
  for (const std::string& line : notes::FolderOutline(scan.nodes, checks))
    std::cout << TerminalText(line) << '\n';
  std::cout << notes::kScanCompletedText << '\n';
  return kExitDone;
}

}  // namespace

void AddScanCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("scan", "Scan a Notes mail database and print its folder tree");
  auto database = std::make_shared<std::string>();
  auto reader = std::make_shared<std::string>();
  command->add_option("DB", *database, "the mail database")->required();
  AddReaderOption(command, reader);
  command->callback([database, reader, &exitCode] { exitCode = RunScan(*database, *reader); });
}

}  // namespace mailshift::cli
