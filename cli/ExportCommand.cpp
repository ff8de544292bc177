// mailshift-cli export DB DEST [--folder TAG]... [--log FILE]: the export of the export window,
// started as the main window starts it: a scan fills the folder tree, the launch takes the checked
// folders and the destination, and the run writes the messages and its log.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleText.h"
#include "common/Global.h"
#include "common/HeadlessControls.h"
#include "common/ProgramValues.h"
#include "export/ComponentItemWriter.h"
#include "export/Destination.h"
#include "export/ExportDriver.h"
#include "export/ExportLaunch.h"
#include "export/SafeFiles.h"
#include "notes/FolderSelection.h"
#include "notes/NotesState.h"
#include "notes/Scan.h"
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
};

namespace fs = std::filesystem;

// The folder dialog, answered with the destination of the command line.
class GivenFolder : public FolderPicker {
 public:
  explicit GivenFolder(std::string folder) : folder_(std::move(folder)) { SetFolderPicker(this); }
  ~GivenFolder() override { SetFolderPicker(nullptr); }
  GivenFolder(const GivenFolder&) = delete;
  GivenFolder& operator=(const GivenFolder&) = delete;
  std::string PickFolder(std::intptr_t, const std::string&) override { return folder_; }

 private:
  std::string folder_;
};

// Shows the run's progress on one terminal line, a few times a second at most.
class ProgressLine : public mail::ExportObserver {
 public:
  explicit ProgressLine(bool onTerminal) : onTerminal_(onTerminal) {}
  ~ProgressLine() override { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void SetLabel(mail::ExportLabel, const std::string&) override {}
  void SetSubjectVisible(bool) override {}
  void ShowMessage(const mail::ExportMessage& message) override {
    Clear();
    message_ = message;
  }
  bool StopRequested() override { return StopRequests::Requested(); }
  void DocumentHandled(const mail::ExportProgress& progress) override {
    ++handled_;
    if (!onTerminal_) return;
    const auto now = Clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(200) && progress.handled != progress.count)
      return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? static_cast<double>(handled_) / seconds : 0.0;
    std::fprintf(stderr, "\r\033[K%s: %lld/%lld (%.0f messages/s)", TerminalText(progress.folder).c_str(),
                 static_cast<long long>(progress.handled), static_cast<long long>(progress.count), rate);
    std::fflush(stderr);
    shown_ = true;
  }

  const mail::ExportMessage& message() const { return message_; }

 private:
  using Clock = std::chrono::steady_clock;

  void Clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

  bool onTerminal_;
  bool shown_ = false;
  std::int64_t handled_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastShown_{};
  mail::ExportMessage message_;
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

// Why the log cannot go where the command line says; "" when it can.
std::string LogPlaceProblem(const std::string& logPath, const std::string& database,
                            const std::string& outputRoot) {
  if (logPath.empty()) return {};
  std::error_code error;
  if (fs::equivalent(mail::FilePath(logPath), mail::FilePath(database), error))
    return "the log cannot be the database";
  if (IsInside(Resolved(logPath), Resolved(outputRoot))) {
    return "the log cannot lie inside the folder the messages are written to (" + outputRoot + ")";
  }
  return {};
}

int RunExportCommand(const ExportArguments& arguments) {
  if (arguments.destination.empty()) {
    std::cerr << "mailshift-cli: the destination folder is empty\n";
    return kExitBadArguments;
  }
  if (const std::string problem =
          LogPlaceProblem(arguments.logPath, arguments.database, arguments.destination);
      problem.find("database") != std::string::npos) {
    std::cerr << "mailshift-cli: " << problem << '\n';
    return kExitBadArguments;
  }
  const StopRequests stopRequests;
  HeadlessMainWindow window;
  window.txtNotesDatabaseFile.SetCaption(arguments.database);
  platform::SystemNotesClient notesClient;
  notes::SessionFactory& client = notesClient.sessions();
  notes::NotesState state;
  ProgramValues values;

  MainWindowControls controls = window.controls();
  const notes::ScanOutcome scan = notes::CmdScan_Click(controls, client, state, values);
  if (scan.end != notes::ScanEnd::Completed) {
    if (!window.Messages.shown.empty()) std::cerr << ConsoleLines(window.Messages.shown.back().text) << '\n';
    if (!scan.noDataReason.empty()) std::cerr << "(" << TerminalText(scan.noDataReason) << ")\n";
    return kExitFailed;
  }
  const std::string outputRoot = mail::OutputRootOf(arguments.destination, values.DatabaseTitle);
  if (const std::string problem = LogPlaceProblem(arguments.logPath, arguments.database, outputRoot);
      !problem.empty()) {
    std::cerr << "mailshift-cli: " << TerminalText(problem) << '\n';
    return kExitBadArguments;
  }
  if (!arguments.folders.empty()) {
    if (const auto unknown = notes::CheckOnlyFolders(window.ContactsTreeView, arguments.folders)) {
      std::cerr << "mailshift-cli: " << arguments.database << " has no folder \"" << TerminalText(*unknown)
                << "\"\n";
      return kExitBadArguments;
    }
  }

  const GivenFolder picker(arguments.destination);
  const std::size_t messagesBefore = window.Messages.shown.size();
  if (!mail::CmdStartConversion_Click(window.ContactsTreeView, window.Messages, values)) {
    if (window.Messages.shown.size() > messagesBefore)
      std::cerr << ConsoleLines(window.Messages.shown.back().text) << '\n';
    return kExitFailed;
  }
  // The windows ask about an earlier export in the destination; here --again answers.
  values.ExportEverythingAgain = arguments.again;

  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  ProgressLine progress(ErrorStreamIsTerminal());
  const mail::ExportResult result =
      mail::RunExport({client, state, values, [&window] { return window.txtNotesDatabaseFile.Caption(); },
                       writer, progress, arguments.logPath});

  const std::string message = ConsoleLines(progress.message().text);
  if (result.end == mail::ExportEnd::Completed) {
    std::cout << message << '\n';
  } else {
    std::cerr << message << '\n';
    if (!result.failure.empty() && result.end != mail::ExportEnd::DestinationError)
      std::cerr << "(" << TerminalText(result.failure) << ")\n";
  }
  return result.Succeeded() ? kExitDone : kExitFailed;
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
  command->callback([arguments, &exitCode] { exitCode = RunExportCommand(*arguments); });
}

}  // namespace mailshift::cli
