// mailshift-cli scan DB: the folder tree of a database, as the main window shows it after a scan.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "common/HeadlessControls.h"
#include "common/ProgramValues.h"
#include "notes/NotesState.h"
#include "notes/Scan.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

int RunScan(const std::string& database) {
  HeadlessMainWindow window;
  window.txtNotesDatabaseFile.SetCaption(database);
  platform::SystemNotesClient notesClient;
  notes::SessionFactory& client = notesClient.sessions();
  notes::NotesState state;
  ProgramValues values;

  MainWindowControls controls = window.controls();
  const notes::ScanOutcome outcome = notes::CmdScan_Click(controls, client, state, values);
  const std::string message =
      window.Messages.shown.empty() ? std::string() : ConsoleLines(window.Messages.shown.back().text);

  if (outcome.end != notes::ScanEnd::Completed) {
    std::cerr << message << '\n';
    if (!outcome.noDataReason.empty()) std::cerr << "(" << TerminalText(outcome.noDataReason) << ")\n";
    return kExitFailed;
  }
  std::cout << TerminalText(values.DatabaseTitle) << '\n';
  for (const std::string& line : window.ContactsTreeView.Outline()) std::cout << TerminalText(line) << '\n';
  std::cout << message << '\n';
  return kExitDone;
}

}  // namespace

void AddScanCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("scan", "Scan a Notes mail database and print its folder tree");
  auto database = std::make_shared<std::string>();
  command->add_option("DB", *database, "the mail database")->required();
  command->callback([database, &exitCode] { exitCode = RunScan(*database); });
}

}  // namespace mailshift::cli
