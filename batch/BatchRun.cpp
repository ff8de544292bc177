#include "batch/BatchRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "batch/BatchReport.h"
#include "batch/ExportSummary.h"
#include "common/PlainFile.h"
#include "common/Utf8.h"

namespace mailshift::batch {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostSummaryBytes = 256 * 1024;
constexpr std::size_t kMostOutputTail = 64 * 1024;
constexpr std::size_t kMostErrorBytes = 1000;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr auto kReportInterval = std::chrono::seconds(1);
// An export asked to stop gets this long to finish its message before it is ended.
constexpr auto kStopGrace = std::chrono::seconds(20);

fs::path FilePath(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Short(std::string text) {
  text = ValidUtf8(text);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  if (text.size() <= kMostErrorBytes) return text;
  return std::string(CutUtf8(text, kMostErrorBytes)) + "...";
}

// The last line of text a file ends with, from its last few kilobytes.
std::string LastLine(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  const std::streamoff from =
      size > static_cast<std::streamoff>(kMostOutputTail) ? size - kMostOutputTail : 0;
  file.seekg(from);
  std::string tail(static_cast<std::size_t>(size - from), '\0');
  file.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  tail.resize(static_cast<std::size_t>(file.gcount()));
  // A progress line is overwritten with CR; take what a terminal would show last.
  while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' ')) tail.pop_back();
  const auto start = tail.find_last_of("\r\n");
  return Short(start == std::string::npos ? tail : tail.substr(start + 1));
}

// The bytes of the message files below root, links not followed.
std::int64_t MessageBytes(const std::string& root) {
  if (root.empty()) return 0;
  std::error_code error;
  std::int64_t bytes = 0;
  fs::recursive_directory_iterator walk(FilePath(root), fs::directory_options::skip_permission_denied, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    std::error_code statError;
    if (walk->is_symlink(statError)) {
      walk.disable_recursion_pending();
      continue;
    }
    if (!walk->is_regular_file(statError) || walk->path().extension() != ".eml") continue;
    const auto size = walk->file_size(statError);
    if (!statError) bytes += static_cast<std::int64_t>(size);
  }
  return bytes;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

struct Running {
  std::size_t row = 0;
  std::unique_ptr<ChildProcess> process;
  Clock::time_point started;
  fs::path work;
  bool timedOut = false;
  std::optional<Clock::time_point> askedToStop;
};

class BatchRunner {
 public:
  BatchRunner(const std::vector<Mailbox>& mailboxes, const BatchOptions& options, ChildProcesses& processes,
              BatchObserver& observer)
      : mailboxes_(mailboxes), options_(options), processes_(processes), observer_(observer) {}

  BatchOutcome Run() {
    const ReportRead earlier = ReadReportFile(options_.reportFolder);
    std::vector<std::size_t> toRun;
    outcome_.rows = StartingRows(mailboxes_, earlier.rows, options_.retryFailed, toRun);
    progress_.mailboxes = toRun.size();
    // The report is written whole each time: a long list is written less often.
    reportInterval_ = std::max<Clock::duration>(
        kReportInterval, std::chrono::milliseconds(static_cast<std::int64_t>(outcome_.rows.size() / 2)));
    WriteReportNow();
    std::size_t next = 0;
    const std::size_t workers = std::max<std::size_t>(1, options_.workers);
    bool firstStarted = false;
    while (next < toRun.size() || !running_.empty()) {
      if (!outcome_.stopped && observer_.StopRequested()) Stop();
      while (!outcome_.stopped && running_.size() < workers && next < toRun.size()) Begin(toRun[next++]);
      // The first exports show as running at once: a batch killed early still tells what it was at.
      if (!firstStarted && !running_.empty()) {
        firstStarted = true;
        WriteReportNow();
      }
      for (std::size_t index = 0; index < running_.size();) {
        if (Check(running_[index])) {
          running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(index));
        } else {
          ++index;
        }
      }
      if (outcome_.stopped) {
        for (; next < toRun.size(); ++next) {
          MailboxResult& row = outcome_.rows[toRun[next]];
          row.status = MailboxStatus::Skipped;
          row.firstError = "the batch was stopped before this mailbox began";
          Changed(toRun[next]);
        }
      }
      progress_.running = running_.size();
      progress_.seconds = SecondsSince(started_);
      observer_.Progressed(progress_);
      if (dirty_ && Clock::now() - lastReport_ >= reportInterval_) WriteReportNow();
      if (!running_.empty()) std::this_thread::sleep_for(kPollInterval);
    }
    WriteReportNow();
    return std::move(outcome_);
  }

 private:
  void Changed(std::size_t row) {
    dirty_ = true;
    observer_.RowChanged(row, outcome_.rows[row]);
  }

  void WriteReportNow() {
    outcome_.reportProblem = WriteReport(options_.reportFolder, outcome_.rows);
    lastReport_ = Clock::now();
    dirty_ = false;
  }

  void Stop() {
    outcome_.stopped = true;
    for (Running& running : running_) {
      running.process->AskToStop();
      running.askedToStop = Clock::now();
    }
  }

  void Begin(std::size_t row) {
    const Mailbox& mailbox = mailboxes_[row];
    MailboxResult& result = outcome_.rows[row];
    const fs::path work =
        FilePath(options_.reportFolder) / "mailboxes" / FilePath(WorkFolderName(mailbox.database));
    std::error_code error;
    fs::create_directories(work, error);
    fs::remove(work / "summary.json", error);
    std::string problem;
    std::unique_ptr<ChildProcess> process;
    if (fs::is_directory(work, error)) {
      process = processes_.Start(ExportArguments(mailbox, options_, Utf8Text(work)),
                                 Utf8Text(work / "output.txt"), problem);
    } else {
      problem = "its work folder cannot be made: " + Utf8Text(work);
    }
    if (!process) {
      result.status = MailboxStatus::Failed;
      result.firstError = Short("the export could not be started: " + problem);
      ++progress_.finished;
      Changed(row);
      return;
    }
    result.status = MailboxStatus::Running;
    result.firstError.clear();
    result.log = Utf8Text(work / "export.log");
    Changed(row);
    running_.push_back({row, std::move(process), Clock::now(), work, false, std::nullopt});
  }

  // True when the export has ended and its row is final.
  bool Check(Running& running) {
    std::optional<ProcessEnd> end = running.process->Poll();
    if (!end) {
      const auto now = Clock::now();
      const bool overTime =
          options_.timeoutSeconds > 0 &&
          std::chrono::duration<double>(now - running.started).count() > options_.timeoutSeconds;
      const bool overGrace = running.askedToStop && now - *running.askedToStop > kStopGrace;
      if (!overTime && !overGrace) return false;
      running.timedOut = overTime;
      running.process->Kill();
      for (int tries = 0; tries < 200 && !end; ++tries) {
        end = running.process->Poll();
        if (!end) std::this_thread::sleep_for(kPollInterval);
      }
    }
    ExportOutcome outcome;
    outcome.end = end;
    outcome.timedOut = running.timedOut;
    if (const auto text = ReadPlainFile(running.work / "summary.json", kMostSummaryBytes))
      outcome.summaryText = *text;
    outcome.lastOutputLine = LastLine(running.work / "output.txt");
    outcome.firstLogProblem = FirstLogProblem(Utf8Text(running.work / "export.log"));
    if (const auto summary = ParseSummaryJson(outcome.summaryText))
      outcome.bytes = MessageBytes(summary->outputRoot);
    MailboxResult& row = outcome_.rows[running.row];
    row = FinishedRow(row, outcome, options_.timeoutSeconds);
    row.seconds = SecondsSince(running.started);
    if (const auto summary = ParseSummaryJson(outcome.summaryText)) progress_.messages += summary->messages;
    ++progress_.finished;
    Changed(running.row);
    return true;
  }

  const std::vector<Mailbox>& mailboxes_;
  const BatchOptions& options_;
  ChildProcesses& processes_;
  BatchObserver& observer_;
  BatchOutcome outcome_;
  BatchProgress progress_;
  std::vector<Running> running_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastReport_{};
  Clock::duration reportInterval_ = kReportInterval;
  bool dirty_ = false;
};

}  // namespace

std::vector<MailboxResult> StartingRows(const std::vector<Mailbox>& mailboxes,
                                        const std::vector<MailboxResult>& earlier, bool retryFailed,
                                        std::vector<std::size_t>& toRun) {
  std::map<std::string, const MailboxResult*> byDatabase;
  for (const MailboxResult& row : earlier) byDatabase[row.database] = &row;
  std::vector<MailboxResult> rows;
  rows.reserve(mailboxes.size());
  for (std::size_t index = 0; index < mailboxes.size(); ++index) {
    const Mailbox& mailbox = mailboxes[index];
    const auto found = byDatabase.find(mailbox.database);
    const MailboxResult* before = found == byDatabase.end() ? nullptr : found->second;
    const bool failedBefore = before && (before->status == MailboxStatus::Failed ||
                                         before->status == MailboxStatus::DoneWithErrors);
    const bool run = retryFailed ? failedBefore : !(before && before->status == MailboxStatus::Done);
    MailboxResult row;
    if (before && !run) {
      row = *before;
    } else {
      row.status = MailboxStatus::Skipped;
      if (!run) row.firstError = "not failed in an earlier run";
    }
    row.database = mailbox.database;
    row.destination = mailbox.destination;
    row.owner = mailbox.owner;
    if (run) toRun.push_back(index);
    rows.push_back(std::move(row));
  }
  return rows;
}

BatchOutcome RunBatch(const std::vector<Mailbox>& mailboxes, const BatchOptions& options,
                      ChildProcesses& processes, BatchObserver& observer) {
  return BatchRunner(mailboxes, options, processes, observer).Run();
}

std::string WorkFolderName(const std::string& database) {
  std::string stem = Utf8Text(FilePath(database).stem());
  std::string plain;
  for (const char c : stem) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    if (plain.size() < 40) plain += safe ? c : '_';
  }
  char hash[20];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(database)));
  return (plain.empty() ? std::string("mailbox") : plain) + "-" + hash;
}

std::vector<std::string> ExportArguments(const Mailbox& mailbox, const BatchOptions& options,
                                         const std::string& workFolder) {
  const fs::path work = FilePath(workFolder);
  std::vector<std::string> arguments{options.program,  "export",
                                     mailbox.database, mailbox.destination,
                                     "--log",          Utf8Text(work / "export.log"),
                                     "--summary",      Utf8Text(work / "summary.json")};
  if (!mailbox.names.empty()) {
    arguments.push_back("--names");
    arguments.push_back(mailbox.names);
  }
  for (const std::string& folder : mailbox.exclude) {
    arguments.push_back("--exclude");
    arguments.push_back(folder);
  }
  if (options.again) arguments.push_back("--again");
  if (options.plainText) arguments.push_back("--plain-text");
  return arguments;
}

MailboxResult FinishedRow(MailboxResult row, const ExportOutcome& outcome, double timeoutSeconds) {
  row.folders = row.written = row.notWritten = row.partial = row.encrypted = row.bytes = 0;
  const std::optional<ExportSummary> summary = ParseSummaryJson(outcome.summaryText);
  if (summary) {
    row.folders = std::max<std::int64_t>(0, summary->folders - summary->foldersNotExported);
    row.written = summary->written + summary->alreadyThere;
    row.notWritten = summary->notWritten;
    row.partial = summary->partial;
    row.encrypted = summary->encrypted;
    row.bytes = outcome.bytes;
  }
  if (outcome.timedOut) {
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", timeoutSeconds);
    row.status = MailboxStatus::Failed;
    row.firstError = std::string("no end within ") + limit + " seconds: its export was ended";
    return row;
  }
  if (!summary) {
    row.status = MailboxStatus::Failed;
    std::string how = outcome.end ? outcome.end->how : "an unknown end";
    if (outcome.end && outcome.end->crashed) {
      row.firstError = Short("the export crashed (" + how + ")" +
                             (outcome.lastOutputLine.empty() ? "" : ": " + outcome.lastOutputLine));
    } else {
      row.firstError =
          Short(outcome.lastOutputLine.empty() ? "the export ended with " + how : outcome.lastOutputLine);
    }
    return row;
  }
  if (summary->end != "completed") {
    row.status = MailboxStatus::Failed;
    row.firstError = Short(!summary->failure.empty()         ? summary->failure
                           : !outcome.lastOutputLine.empty() ? outcome.lastOutputLine
                                                             : summary->end);
    return row;
  }
  if (summary->succeeded && outcome.end && !outcome.end->crashed && outcome.end->exitCode == 0) {
    row.status = MailboxStatus::Done;
    row.firstError.clear();
    return row;
  }
  row.status = MailboxStatus::DoneWithErrors;
  if (summary->stopped) {
    row.firstError = "stopped before its end; " + std::to_string(summary->left) + " messages left";
  } else if (!summary->failure.empty()) {
    row.firstError = Short(summary->failure);
  } else if (!outcome.firstLogProblem.empty()) {
    row.firstError = Short(outcome.firstLogProblem);
  } else if (summary->notWritten > 0) {
    row.firstError = std::to_string(summary->notWritten) + " messages not written";
  } else if (summary->partial > 0) {
    row.firstError = std::to_string(summary->partial) + " messages written in part";
  } else if (summary->attachmentsNotExtracted > 0) {
    row.firstError = std::to_string(summary->attachmentsNotExtracted) + " attachments not extracted";
  } else if (summary->foldersNotExported > 0) {
    row.firstError = std::to_string(summary->foldersNotExported) + " folders not exported";
  } else {
    row.firstError =
        "the export ended with " + (outcome.end ? outcome.end->how : std::string("an unknown end"));
  }
  return row;
}

std::string FirstLogProblem(const std::string& logPath, std::size_t limit) {
  std::ifstream log(FilePath(logPath), std::ios::binary);
  if (!log) return {};
  std::string line;
  std::size_t read = 0;
  while (read < limit && std::getline(log, line)) {
    read += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto start = line.find_first_not_of('\t');
    if (start == std::string::npos) continue;
    const std::string_view text = std::string_view(line).substr(start);
    for (const std::string_view kind : {"Not exported : ", "Not complete : ", "Not extracted : ",
                                        "Not written : ", "Encrypted : ", "Ended : ", "Stopped : "}) {
      if (text.substr(0, kind.size()) == kind) return Short(std::string(text));
    }
  }
  return {};
}

}  // namespace mailshift::batch
