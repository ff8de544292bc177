// mailshift-cli export DB DEST [--folder TAG]... [--log FILE] [--names FILE] [--plain-text]: the export of
// the export window, started as the main window starts it: a scan finds the folders, the folders asked for
// (or all) and the destination make the plan, and the run writes the messages and its log.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleText.h"
#include "cli/ScanText.h"
#include "export/ComponentItemWriter.h"
#include "export/Destination.h"
#include "export/ExportPlan.h"
#include "export/SafeFiles.h"
#include "notes/FolderChecks.h"
#include "platform/SystemNotesClient.h"
#include "platform/mime/MailComposer.h"

namespace mailshift::cli {
namespace {

struct ExportArguments {
  std::string database;
  std::string destination;
  std::vector<std::string> folders;  // none: every folder a scan checks
  bool again = false;                // write every message again, also those an earlier run wrote
  std::string logPath = mail::DefaultLogPath();
  std::string namesPath;   // a names table (CSV of Notes name and Internet address); "" for none
  bool plainText = false;  // bodies as the plain text of "Body" alone
};

namespace fs = std::filesystem;

// Shows the run's progress on one terminal line, a few times a second at most.
class ProgressLine : public mail::ExportObserver {
 public:
  explicit ProgressLine(bool onTerminal) : onTerminal_(onTerminal) {}
  ~ProgressLine() override { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool StopRequested() override { return StopRequests::Requested(); }
  void DocumentHandled(const mail::DocumentProgress& progress) override {
    ++handled_;
    if (!onTerminal_) return;
    const auto now = Clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(200) && progress.handled != progress.count)
      return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? static_cast<double>(handled_) / seconds : 0.0;
    char counts[96];
    std::snprintf(counts, sizeof counts, ": %lld/%lld (%.0f messages/s)",
                  static_cast<long long>(progress.handled), static_cast<long long>(progress.count), rate);
    StandardError().ShowLine(TerminalText(progress.folder) + counts);
    shown_ = true;
  }

  // Takes the line off the terminal.
  void Clear() {
    if (!shown_) return;
    StandardError().ClearLine();
    shown_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;

  bool onTerminal_;
  bool shown_ = false;
  std::int64_t handled_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastShown_{};
};

// A path as it is on disk, as far as it exists, for comparing places.
fs::path Resolved(const std::string& path) {
  std::error_code error;
  fs::path resolved = fs::weakly_canonical(fs::absolute(mail::FilePath(path), error), error);
  return error ? mail::FilePath(path).lexically_normal() : resolved;
}

bool IsInside(const fs::path& path, const fs::path& folder) {
  auto inFolder = folder.begin();
  auto inPath = path.begin();
  for (; inFolder != folder.end(); ++inFolder, ++inPath) {
    if (inFolder->empty()) continue;  // the empty last part of a path that ends in a separator
    if (inPath == path.end() || !mail::SameName(mail::Utf8Text(*inPath), mail::Utf8Text(*inFolder)))
      return false;
  }
  return true;
}

bool IsTheDatabase(const std::string& logPath, const std::string& database) {
  std::error_code error;
  return !logPath.empty() && fs::equivalent(mail::FilePath(logPath), mail::FilePath(database), error);
}

// Why the log cannot go where the command line says; "" when it can.
std::string LogPlaceProblem(const std::string& logPath, const std::string& database,
                            const std::string& outputRoot) {
  if (logPath.empty()) return {};
  if (IsTheDatabase(logPath, database)) return "the log cannot be the database";
  if (IsInside(Resolved(logPath), Resolved(outputRoot))) {
    return "the log cannot lie inside the folder the messages are written to (" + outputRoot + ")";
  }
  return {};
}

// The folders to export: the tags of every node a scan leaves checked, or of the nodes asked
// for with their branches. Empty, after the error was told, when one asked for is not there.
std::optional<std::vector<std::string>> ChosenFolders(const notes::ScanResult& scan,
                                                      const ExportArguments& arguments) {
  notes::FolderChecks checks(scan.nodes);
  if (!arguments.folders.empty()) {
    if (const auto unknown = checks.CheckOnly(arguments.folders)) {
      std::cerr << "mailshift-cli: " << arguments.database << " has no folder \"" << TerminalText(*unknown)
                << "\"\n";
      return std::nullopt;
    }
  }
  return checks.CheckedTags();
}

int RunExportCommand(const ExportArguments& arguments) {
  if (arguments.destination.empty()) {
    std::cerr << "mailshift-cli: the destination folder is empty\n";
    return kExitBadArguments;
  }
  if (IsTheDatabase(arguments.logPath, arguments.database)) {
    std::cerr << "mailshift-cli: the log cannot be the database\n";
    return kExitBadArguments;
  }
  std::shared_ptr<const mail::NamesTable> names;
  if (!arguments.namesPath.empty()) {
    try {
      names = std::make_shared<const mail::NamesTable>(
          mail::NamesTable::FromFile(mail::FilePath(arguments.namesPath)));
    } catch (const mail::NamesTableError& error) {
      std::cerr << "mailshift-cli: " << TerminalText(arguments.namesPath) << ": "
                << TerminalText(error.what()) << '\n';
      return kExitBadArguments;
    }
  }
  const StopRequests stopRequests;
  platform::SystemNotesClient notesClient;
  notes::SessionFactory& client = notesClient.sessions();

  const notes::ScanResult scan = ScanOrSayWhyNot(client, arguments.database);
  if (scan.end != notes::ScanEnd::Completed) return kExitFailed;
  const std::string outputRoot = mail::OutputRootOf(arguments.destination, scan.title);
  if (const std::string problem = LogPlaceProblem(arguments.logPath, arguments.database, outputRoot);
      !problem.empty()) {
    std::cerr << "mailshift-cli: " << TerminalText(problem) << '\n';
    return kExitBadArguments;
  }
  const std::optional<std::vector<std::string>> folders = ChosenFolders(scan, arguments);
  if (!folders) return kExitBadArguments;
  if (folders->empty()) {
    std::cerr << mail::kNoFoldersCheckedText << '\n';
    return kExitFailed;
  }
  // Checked once before the run, as the windows check it at the launch.
  if (const std::string problem = mail::DestinationProblem(arguments.destination); !problem.empty()) {
    std::cerr << ConsoleLines(mail::DestinationMessage(arguments.destination, problem)) << '\n';
    return kExitFailed;
  }

  mail::ExportPlan plan;
  plan.databasePath = arguments.database;
  plan.title = scan.title;
  plan.folders = *folders;
  plan.destination = arguments.destination;
  // The windows ask about an earlier export in the destination; here --again answers.
  plan.everythingAgain = arguments.again;
  plan.logPath = arguments.logPath;
  plan.names = names;
  plan.plainText = arguments.plainText;

  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  ProgressLine progress(ErrorStreamIsTerminal());
  const mail::ExportReport report = mail::Export(plan, {client, writer}, progress);
  progress.Clear();

  const std::string message = ConsoleLines(mail::EndText(plan, report));
  if (report.end == mail::ExportEnd::Completed) {
    std::cout << message << '\n';
  } else {
    std::cerr << message << '\n';
    if (!report.failure.empty() && report.end != mail::ExportEnd::DestinationError)
      std::cerr << "(" << TerminalText(report.failure) << ")\n";
  }
  return report.Succeeded() ? kExitDone : kExitFailed;
}

}  // namespace

void AddExportCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("export", "Export the folders of a Notes mail database as .eml files");
  auto arguments = std::make_shared<ExportArguments>();
  command->add_option("DB", arguments->database, "the mail database")->required();
  command->add_option("DEST", arguments->destination, "the destination folder")->required();
  command
      ->add_option(
          "--folder", arguments->folders,
          "a folder to export (its tag: Inbox, Drafts, Sent, Follow-Up, JunkMail, Trash, Folders or a "
          "user folder's name); may be repeated; every folder when left out")
      ->allow_extra_args(false);
  command->add_option("--log", arguments->logPath, "the export log")->capture_default_str();
  command->add_flag(
      "--again", arguments->again,
      "write every message again; without it, a destination that holds an earlier export of the "
      "database gets only the messages that are missing there");
  command->add_option("--names", arguments->namesPath,
                      "a names table: CSV lines of a Notes name and its Internet address, for the "
                      "people whose mail carries no Internet address");
  command->add_flag("--plain-text", arguments->plainText,
                    "write each body as the plain text of the document's \"Body\" item alone");
  command->callback([arguments, &exitCode] { exitCode = RunExportCommand(*arguments); });
}

}  // namespace mailshift::cli
