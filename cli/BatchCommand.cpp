// mailshift-cli batch LIST | --find DIR --to DEST: many mailboxes, each exported by `export` in a
// process of its own, a few at a time, with a report that follows the run. And
// mailshift-cli batch-report DIR...: the reports of the parts of a batch merged into one.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchProgressText.h"
#include "batch/BatchReport.h"
#include "batch/BatchRun.h"
#include "batch/MailboxList.h"
#include "batch/Shards.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleText.h"
#include "common/PlainFile.h"
#include "export/SafeFiles.h"
#include "platform/SystemProcesses.h"

namespace mailshift::cli {
namespace {

namespace fs = std::filesystem;

struct BatchArguments {
  std::string list;
  std::string findFolder;
  std::string findDestination;
  std::string reportFolder;
  std::size_t workers = 0;  // 0: one per core
  double timeoutSeconds = 0;
  bool retryFailed = false;
  bool again = false;
  bool plainText = false;
  std::string shard;
  bool shardFromEnvironment = false;
  std::size_t shardCount = 0;
};

class BatchLine : public batch::BatchObserver {
 public:
  explicit BatchLine(bool onTerminal) : onTerminal_(onTerminal) {}
  ~BatchLine() override { Clear(); }
  BatchLine(const BatchLine&) = delete;
  BatchLine& operator=(const BatchLine&) = delete;

  void Progressed(const batch::BatchProgress& progress) override {
    if (!onTerminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(250)) return;
    lastShown_ = now;
    StandardError().ShowLine(batch::BatchProgressText(progress));
    shown_ = true;
  }
  bool StopRequested() override { return StopRequests::Requested(); }
  void Clear() {
    if (!shown_) return;
    StandardError().ClearLine();
    shown_ = false;
  }

 private:
  bool onTerminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point lastShown_{};
};

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::string FolderOf(const std::string& file) {
  const fs::path parent = mail::FilePath(file).parent_path();
  return parent.empty() ? std::string(".") : mail::Utf8Text(parent);
}

int SayProblems(const std::string& where, const std::vector<std::string>& problems) {
  for (const std::string& problem : problems)
    std::cerr << "mailshift-cli: " << TerminalText(where) << ": " << TerminalText(problem) << '\n';
  return kExitBadArguments;
}

int RunBatchCommand(const BatchArguments& arguments) {
  const bool fromList = !arguments.list.empty();
  if (fromList == !arguments.findFolder.empty()) {
    std::cerr << "mailshift-cli: give either a list or --find DIR with --to DEST\n";
    return kExitBadArguments;
  }
  if (!fromList && arguments.findDestination.empty()) {
    std::cerr << "mailshift-cli: --find needs --to DEST, the folder the mailboxes' folders go to\n";
    return kExitBadArguments;
  }
  batch::MailboxListRead read;
  if (fromList) {
    const std::optional<std::string> text =
        ReadPlainFile(mail::FilePath(arguments.list), batch::kMostListBytes);
    if (!text) {
      std::cerr << "mailshift-cli: " << TerminalText(arguments.list)
                << ": cannot be read (a plain file of at most 64 MB)\n";
      return kExitBadArguments;
    }
    read = batch::ReadMailboxList(*text, FolderOf(arguments.list));
    if (!read.problems.empty()) return SayProblems(arguments.list, read.problems);
  } else {
    read = batch::FindMailboxes(arguments.findFolder, arguments.findDestination);
    if (!read.problems.empty()) return SayProblems(arguments.findFolder, read.problems);
  }

  std::optional<batch::Shard> shard;
  if (!arguments.shard.empty() || arguments.shardFromEnvironment) {
    const batch::ShardRead found = arguments.shardFromEnvironment
                                       ? batch::ShardFromEnvironment(Variable, arguments.shardCount)
                                       : batch::ParseShard(arguments.shard);
    if (!found.shard) {
      std::cerr << "mailshift-cli: " << TerminalText(found.problem) << '\n';
      return kExitBadArguments;
    }
    shard = found.shard;
  }
  std::vector<batch::Mailbox> mailboxes = std::move(read.mailboxes);
  if (shard) {
    const std::size_t size = mailboxes.size();
    mailboxes =
        std::vector<batch::Mailbox>(mailboxes.begin() + static_cast<std::ptrdiff_t>(shard->Begin(size)),
                                    mailboxes.begin() + static_cast<std::ptrdiff_t>(shard->End(size)));
  }

  std::string reportFolder = arguments.reportFolder;
  if (reportFolder.empty()) reportFolder = fromList ? FolderOf(arguments.list) : arguments.findDestination;
  if (shard) reportFolder = mail::Utf8Text(mail::FilePath(reportFolder) / shard->FolderName());
  std::error_code error;
  fs::create_directories(mail::FilePath(reportFolder), error);
  if (!fs::is_directory(mail::FilePath(reportFolder), error)) {
    std::cerr << "mailshift-cli: the report folder cannot be made: " << TerminalText(reportFolder) << '\n';
    return kExitFailed;
  }

  batch::BatchOptions options;
  options.program = platform::ThisProgramPath();
  if (options.program.empty()) {
    std::cerr
        << "mailshift-cli: the system does not tell where this program is, so it cannot start its exports\n";
    return kExitFailed;
  }
  options.reportFolder = reportFolder;
  options.workers =
      arguments.workers > 0 ? arguments.workers : std::max(1u, std::thread::hardware_concurrency());
  options.timeoutSeconds = arguments.timeoutSeconds;
  options.retryFailed = arguments.retryFailed;
  options.again = arguments.again;
  options.plainText = arguments.plainText;

  const StopRequests stopRequests;
  platform::SystemProcesses processes;
  BatchLine line(ErrorStreamIsTerminal());
  const batch::BatchOutcome outcome = batch::RunBatch(mailboxes, options, processes, line);
  line.Clear();

  std::map<batch::MailboxStatus, int> counts;
  for (const batch::MailboxResult& row : outcome.rows) {
    ++counts[row.status];
    if (row.status == batch::MailboxStatus::Failed || row.status == batch::MailboxStatus::DoneWithErrors) {
      std::cerr << TerminalText(row.database) << ": " << batch::StatusText(row.status) << ": "
                << TerminalText(row.firstError) << '\n';
    }
  }
  std::cout << "Batch"
            << (shard ? " part " + std::to_string(shard->index) + " of " + std::to_string(shard->count) : "")
            << ": " << outcome.rows.size() << " mailboxes, " << counts[batch::MailboxStatus::Done]
            << " done, " << counts[batch::MailboxStatus::DoneWithErrors] << " done with errors, "
            << counts[batch::MailboxStatus::Failed] << " failed, " << counts[batch::MailboxStatus::Skipped]
            << " skipped" << (outcome.stopped ? " (stopped)" : "") << '\n';
  if (!outcome.reportProblem.empty()) {
    std::cerr << "mailshift-cli: " << TerminalText(outcome.reportProblem) << '\n';
    return kExitFailed;
  }
  std::cout << "Report: "
            << TerminalText(
                   mail::Utf8Text(mail::FilePath(reportFolder) / std::string(batch::kReportHtmlName)))
            << '\n';
  const bool allDone =
      std::all_of(outcome.rows.begin(), outcome.rows.end(), [&](const batch::MailboxResult& row) {
        return row.status == batch::MailboxStatus::Done ||
               (arguments.retryFailed && row.status == batch::MailboxStatus::Skipped);
      });
  return allDone && !outcome.stopped ? kExitDone : kExitFailed;
}

// The report folders a merge reads: a folder holding shard folders gives theirs, in part order;
// any other gives its own.
std::vector<fs::path> ReportFolders(const std::string& given) {
  const fs::path folder = mail::FilePath(given);
  std::vector<std::pair<std::size_t, fs::path>> shards;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator();
       entry.increment(error)) {
    const std::string name = mail::Utf8Text(entry->path().filename());
    if (name.rfind("shard-", 0) != 0 || !entry->is_directory(error)) continue;
    const auto of = name.find("-of-");
    const batch::ShardRead shard =
        of == std::string::npos ? batch::ShardRead{}
                                : batch::ParseShard(name.substr(6, of - 6) + "/" + name.substr(of + 4));
    if (shard.shard) shards.emplace_back(shard.shard->index, entry->path());
  }
  if (shards.empty()) return {folder};
  std::sort(shards.begin(), shards.end());
  std::vector<fs::path> folders;
  for (auto& [index, path] : shards) folders.push_back(path);
  return folders;
}

int RunBatchReportCommand(const std::vector<std::string>& folders, std::string output) {
  std::vector<batch::MailboxResult> merged;
  std::map<std::string, std::string> seenIn;
  int problems = 0;
  for (const std::string& given : folders) {
    for (const fs::path& folder : ReportFolders(given)) {
      const std::string name = mail::Utf8Text(folder);
      if (!fs::exists(folder / std::string(batch::kReportCsvName))) {
        std::cerr << "mailshift-cli: " << TerminalText(name) << ": no " << batch::kReportCsvName << '\n';
        ++problems;
        continue;
      }
      batch::ReportRead read = batch::ReadReportFile(name);
      for (const std::string& problem : read.problems) {
        std::cerr << "mailshift-cli: " << TerminalText(name) << ": " << TerminalText(problem) << '\n';
        ++problems;
      }
      for (batch::MailboxResult& row : read.rows) {
        const auto [earlier, added] = seenIn.emplace(row.database, name);
        if (!added) {
          std::cerr << "mailshift-cli: " << TerminalText(row.database) << " is in the reports of both "
                    << TerminalText(earlier->second) << " and " << TerminalText(name) << '\n';
          ++problems;
        }
        merged.push_back(std::move(row));
      }
    }
  }
  if (output.empty()) output = folders.front();
  std::error_code error;
  fs::create_directories(mail::FilePath(output), error);
  if (const std::string problem = batch::WriteReport(output, merged); !problem.empty()) {
    std::cerr << "mailshift-cli: " << TerminalText(problem) << '\n';
    return kExitFailed;
  }
  std::map<batch::MailboxStatus, int> counts;
  for (const batch::MailboxResult& row : merged) ++counts[row.status];
  std::cout << "Merged: " << merged.size() << " mailboxes, " << counts[batch::MailboxStatus::Done]
            << " done, " << counts[batch::MailboxStatus::DoneWithErrors] << " done with errors, "
            << counts[batch::MailboxStatus::Failed] << " failed, " << counts[batch::MailboxStatus::Skipped]
            << " skipped, " << counts[batch::MailboxStatus::Running] << " running\nReport: "
            << TerminalText(mail::Utf8Text(mail::FilePath(output) / std::string(batch::kReportHtmlName)))
            << '\n';
  return problems == 0 ? kExitDone : kExitFailed;
}

}  // namespace

void AddBatchCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand(
      "batch",
      "Export many mailboxes, each in a process of its own, with a report (report.csv, report.html)");
  auto arguments = std::make_shared<BatchArguments>();
  command->add_option("LIST", arguments->list,
                      "a CSV list of mailboxes; its first line names the columns database, destination and "
                      "optionally names, owner, exclude (folders separated by ;)");
  command->add_option("--find", arguments->findFolder, "export every .nsf file found below this folder");
  command->add_option("--to", arguments->findDestination,
                      "with --find: the folder that gets one output folder per database");
  command->add_option(
      "--report", arguments->reportFolder,
      "the folder of the report and the mailboxes' logs; by default the list's folder (with --find, "
      "the --to folder)");
  command
      ->add_option("--workers", arguments->workers, "mailboxes exported at a time; by default one per core")
      ->check(CLI::Range(std::size_t{1}, std::size_t{256}));
  command
      ->add_option("--timeout", arguments->timeoutSeconds,
                   "end a mailbox's export after this many seconds and count it as failed")
      ->check(CLI::Range(0.0, 1e7));
  command->add_flag("--retry-failed", arguments->retryFailed,
                    "export again only the mailboxes the report has as failed or done with errors");
  command->add_flag("--again", arguments->again, "write every message again (as export --again)");
  command->add_flag("--plain-text", arguments->plainText, "bodies as plain text (as export --plain-text)");
  auto* shard =
      command->add_option("--shard", arguments->shard,
                          "take only the K-th of N equal parts of the list, by its order (K/N, K from 1)");
  auto* fromEnvironment =
      command->add_flag("--shard-from-env", arguments->shardFromEnvironment,
                        "take the part from an array job: SLURM_ARRAY_TASK_ID of SLURM_ARRAY_TASK_COUNT, or "
                        "JOB_COMPLETION_INDEX (Kubernetes) of --shard-count");
  shard->excludes(fromEnvironment);
  command->add_option("--shard-count", arguments->shardCount, "with --shard-from-env: the number of parts")
      ->check(CLI::Range(std::size_t{1}, batch::kMostShards));
  command->callback([arguments, &exitCode] { exitCode = RunBatchCommand(*arguments); });

  auto* merge = app.add_subcommand("batch-report", "Merge the reports of the parts of a batch into one");
  auto folders = std::make_shared<std::vector<std::string>>();
  auto output = std::make_shared<std::string>();
  merge->add_option("DIR", *folders, "report folders, or folders holding the parts' shard-K-of-N folders")
      ->required();
  merge->add_option("--report", *output, "where the merged report goes; by default the first DIR");
  merge->callback([folders, output, &exitCode] { exitCode = RunBatchReportCommand(*folders, *output); });
}

}  // namespace mailshift::cli
