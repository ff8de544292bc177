// The export as data: a plan in (which database, which folders, where to), progress events while
// it runs, a report out. The windows and the command line each show the events their own way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/EmailItemWriter.h"
#include "export/ExportLog.h"
#include "export/MessageDestination.h"
#include "export/NamesTable.h"
#include "notes/NotesObjects.h"

namespace mailshift::mail {

struct ExportPlan {
  std::string databasePath;
  std::string title;                        // DatabaseTitle, as the scan of the database read it
  std::vector<std::string> folders;         // SelectedFolders: folder tags, in any order, empty ones ignored
  std::string destination;                  // DestinationRoot, as chosen
  bool everythingAgain = false;             // write every message again, also those an earlier run wrote
  std::shared_ptr<const NamesTable> names;  // Internet addresses of Notes names; null for none
  bool plainText = false;                   // bodies as the plain text of "Body" alone
  std::string readMarksFor;                 // whose read marks the messages carry; "" for the owner
  std::string logPath = DefaultLogPath();
};

// What the run needs from outside: the Notes client and the message writer.
struct ExportServices {
  notes::SessionFactory& notesClient;
  EmailItemWriter& writer;
  // Where the writer delivers when not into the .eml tree (null for that tree): the run opens it,
  // enters its folders and asks it about the messages its manifest records.
  MessageDestination* destination = nullptr;
};

enum class ExportEnd {
  Completed,          // the run went through its folders (or was stopped)
  NotesNotInstalled,  // no Notes session
  ConversionError,    // the database could not be opened or read
  DestinationError,   // nothing can be written under the destination
};

struct ExportReport {
  ExportEnd end = ExportEnd::Completed;
  std::string failure;                       // why the run ended early
  std::string outputRoot;                    // destination, database folder and a separator
  std::string title;                         // the plan's title
  std::int64_t messages = 0;                 // documents handed to the message writer
  std::int64_t notWritten = 0;               // of those, messages that were not written
  std::int64_t incomplete = 0;               // and those written with a part missing or wrong
  std::int64_t encrypted = 0;                // written ones that were encrypted, with items left unread
  std::int64_t attachmentsNotExtracted = 0;  // attachments missing from written messages
  std::int64_t foldersNotExported = 0;       // selected folders that could not be read to the end
  bool stopped = false;                      // the user stopped the run before its end
  std::int64_t left = 0;                     // documents not reached because the run was stopped
  std::int64_t skipped = 0;                  // documents an earlier run into this place wrote already
  std::string logPath;                       // where the log went; "" when nowhere
  std::string logRefusal;                    // why the log is not where it was asked to be
  bool logComplete = false;

  std::int64_t written() const { return messages - notWritten; }
  // Completed, nothing was lost on the way (a manifest that could not be written ends the run with
  // a failure), and the log tells all of it.
  bool Succeeded() const {
    return end == ExportEnd::Completed && !stopped && failure.empty() && logComplete && notWritten == 0 &&
           incomplete == 0 && attachmentsNotExtracted == 0 && foldersNotExported == 0;
  }
};

// Where the run is; the events carry no text meant for a particular window.
struct FolderStart {
  bool standard = false;     // one of the six standard folders
  std::string tag;           // its folder tag
  std::string outputFolder;  // relative to the output root
};

struct DocumentProgress {
  std::string folder;        // the output folder, relative to the output root
  std::string subject;       // the document's subject as read
  std::int64_t handled = 0;  // documents of this folder handed on so far, this one included
  std::int64_t count = 0;    // the folder's entry count
  bool written = false;      // whether the message file was written
  bool skipped = false;      // an earlier export into the same place wrote it already
};

class ExportObserver {
 public:
  virtual ~ExportObserver() = default;
  virtual void RunStarted() {}
  virtual void SessionReady() {}
  // The user folders are being looked for (before the first folder starts).
  virtual void LookingForFolders() {}
  virtual void FolderStarted(const FolderStart& /*folder*/) {}
  virtual void FolderCounted(std::int64_t /*count*/) {}
  // Before the document is read whole and written (handled counts the ones before it).
  virtual void DocumentStarted(const DocumentProgress& /*progress*/) {}
  // After it was written or skipped.
  virtual void DocumentHandled(const DocumentProgress& /*progress*/) {}
  // Asked before each document: true stops the run there, after the message being written.
  virtual bool StopRequested() { return false; }
};

// Runs the whole export: logs it, writes one .eml file per document of the planned folders, and
// reports what it did. Never throws for a failure of the database, the destination or a message.
ExportReport Export(const ExportPlan& plan, const ExportServices& services, ExportObserver& observer);

// The completion message of a report: "Migration Completed Successfully !" (or with errors, or
// stopped), the counts, the other problems, where the log is, the output root and the title.
std::string CompletionText(const ExportReport& report);

// Said when no folder is checked for export.
inline constexpr std::string_view kNoFoldersCheckedText = "Please Select Folders to Export";

// Shown when the database could not be opened or read.
inline constexpr std::string_view kConversionErrorText = "Error occured during conversion...";

// The message that ends a run: for a run that could not start, why (the not-installed text, the
// destination's problem, or kConversionErrorText); otherwise CompletionText.
std::string EndText(const ExportPlan& plan, const ExportReport& report);

}  // namespace mailshift::mail
