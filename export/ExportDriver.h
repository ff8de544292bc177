// The export run as the export window starts it (CmdConversion_Click): the program-wide values
// make the plan, the run's events become the window's label texts, and its end becomes the
// closing message. The run itself is Export (export/ExportPlan.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/ProgramValues.h"
#include "export/EmailItemWriter.h"
#include "export/ExportLog.h"
#include "export/ExportObserver.h"
#include "export/ExportPlan.h"
#include "notes/NotesObjects.h"
#include "notes/NotesState.h"

namespace mailshift::mail {

// The title of the message that closes a completed run.
inline constexpr std::string_view kCompletionTitle = "Export to Outlook Express";
// The title of the messages of a run that could not start.
inline constexpr std::string_view kConversionErrorTitle = "Error in Conversion";

using ExportResult = ExportReport;

struct ExportSetup {
  notes::SessionFactory& notesClient;
  // The shared Notes objects; the run opens its own, and releases these database objects.
  notes::NotesState& notes;
  // DestinationRoot, DatabaseTitle, SelectedFolders and ExportEverythingAgain; the run changes
  // none of them.
  const ProgramValues& values;
  // The database path as the main window's path box holds it, read when the run starts.
  std::function<std::string()> databasePath;
  EmailItemWriter& writer;
  ExportWindowObserver& observer;
  std::string logPath = DefaultLogPath();
};

ExportResult RunExport(const ExportSetup& setup);

}  // namespace mailshift::mail
