// The export run (CmdConversion_Click without widgets): every document of the selected folders
// becomes one .eml file under the destination, the run is traced in the export log, and the
// observer is told what the export window shows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/ProgramValues.h"
#include "export/EmailItemWriter.h"
#include "export/ExportLog.h"
#include "export/ExportObserver.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"

namespace mailshift::mail {

// The title of the message that closes a completed run.
inline constexpr std::string_view kCompletionTitle = "Export to Outlook Express";
// The title of the messages of a run that could not start.
inline constexpr std::string_view kConversionErrorTitle = "Error in Conversion";

struct ExportSetup {
  notes::SessionFactory& notesClient;
  // The shared Notes objects; the run works in them and releases what it opened at its end.
  notes::NotesState& notes;
  // DestinationRoot, DatabaseTitle and SelectedFolders; the run changes none of them.
  const ProgramValues& values;
  // The database path as the main window's path box holds it, read at every open.
  std::function<std::string()> databasePath;
  EmailItemWriter& writer;
  ExportObserver& observer;
  std::string logPath = DefaultLogPath();
};

enum class ExportEnd {
  Completed,          // the window closes
  NotesNotInstalled,  // no Notes session; the window stays open
  ConversionError,    // the database could not be opened or read; the window stays open
  DestinationError,   // nothing can be written under the destination; the window stays open
};

struct ExportResult {
  ExportEnd end = ExportEnd::Completed;
  std::string failure;                       // why the run ended early
  std::string outputRoot;                    // destination, database folder and a separator
  std::int64_t messages = 0;                 // documents handed to the message writer
  std::int64_t notWritten = 0;               // of those, messages that were not written
  std::int64_t incomplete = 0;               // and those written with a part missing or wrong
  std::int64_t attachmentsNotExtracted = 0;  // attachments missing from written messages
  std::int64_t foldersNotExported = 0;       // selected folders that could not be read to the end
  bool stopped = false;                      // the user stopped the run before its end
  std::int64_t left = 0;                     // documents not reached because the run was stopped
  std::int64_t skipped = 0;                  // documents an earlier run into this place wrote already
  std::string logPath;                       // where the log went; "" when nowhere
  bool logComplete = false;

  // Messages written whole or in part.
  std::int64_t written() const { return messages - notWritten; }

  // Completed, nothing was lost on the way, and the log tells all of it.
  bool Succeeded() const {
    return end == ExportEnd::Completed && !stopped && failure.empty() && logComplete && notWritten == 0 &&
           incomplete == 0 && attachmentsNotExtracted == 0 && foldersNotExported == 0;
  }
};

ExportResult RunExport(const ExportSetup& setup);

}  // namespace mailshift::mail
