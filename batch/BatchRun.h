// A batch: every mailbox of a list exported by `mailshift-cli export` in a process of its own, a
// few at a time, with a report that follows the run. Running the same batch again finishes what
// is missing: a mailbox the report has as done is kept, every other one is exported again into
// the same place, where its manifest leaves out what is there already.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/ChildProcesses.h"
#include "batch/MailboxList.h"
#include "batch/MailboxResult.h"

namespace mailshift::batch {

struct BatchOptions {
  std::string program;        // mailshift-cli itself
  std::string reportFolder;   // report.csv, report.html and a work folder per mailbox
  std::size_t workers = 1;    // exports at a time
  double timeoutSeconds = 0;  // a mailbox's export is ended after this long; 0: never
  bool retryFailed = false;   // only the mailboxes the report has as failed or done with errors
  bool again = false;         // write every message again (export --again)
  bool plainText = false;     // export --plain-text
};

struct BatchProgress {
  std::size_t mailboxes = 0;  // of this run
  std::size_t finished = 0;
  std::size_t running = 0;
  std::int64_t messages = 0;  // messages handled by the finished exports
  double seconds = 0;         // since the batch began
};

class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void Progressed(const BatchProgress& /*progress*/) {}
  // A mailbox's row changed (started or finished); rows as in the report.
  virtual void RowChanged(std::size_t /*row*/, const MailboxResult& /*result*/) {}
  // Asked often: true stops the batch; the exports running are asked to stop, no other begins.
  virtual bool StopRequested() { return false; }
};

struct BatchOutcome {
  std::vector<MailboxResult> rows;  // one per mailbox, in the list's order
  std::string reportProblem;        // why the report could not be written; "" when it was
  bool stopped = false;
};

// The rows the batch starts from: each mailbox's row of the earlier report when it has one that
// stays (done; with retryFailed, everything but failed and done with errors), else a fresh one
// that is to run. `toRun` gets the positions of those to run.
std::vector<MailboxResult> StartingRows(const std::vector<Mailbox>& mailboxes,
                                        const std::vector<MailboxResult>& earlier, bool retryFailed,
                                        std::vector<std::size_t>& toRun);

// Runs the batch and writes its report as it goes (every second at most) and at its end.
BatchOutcome RunBatch(const std::vector<Mailbox>& mailboxes, const BatchOptions& options,
                      ChildProcesses& processes, BatchObserver& observer);

// The folder a mailbox's log, summary and output go to, below the report folder: named after the
// database file and a hash of its path, so that it stays the same when the list changes.
std::string WorkFolderName(const std::string& database);

// The arguments of a mailbox's export.
std::vector<std::string> ExportArguments(const Mailbox& mailbox, const BatchOptions& options,
                                         const std::string& workFolder);

// The row of a finished export, from its summary (none when it wrote none), its end, its output
// and its log.
struct ExportOutcome {
  std::string summaryText;  // "" when there is none
  std::optional<ProcessEnd> end;
  bool timedOut = false;
  std::string lastOutputLine;   // the last line it wrote to its output or errors
  std::string firstLogProblem;  // the first problem its log names
  std::int64_t bytes = 0;
};
MailboxResult FinishedRow(MailboxResult row, const ExportOutcome& outcome, double timeoutSeconds);

// The first line of a log that says something went wrong ("Not exported : ...", "Not complete :
// ...", "Ended : ..."), read from at most the first `limit` bytes; "" when none.
std::string FirstLogProblem(const std::string& logPath, std::size_t limit = 64u << 20);

}  // namespace mailshift::batch
