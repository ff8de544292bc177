// mailshift-cli export DB DEST [--folder TAG]... [--log FILE]: the export of the export window,
// started as the main window starts it: a scan fills the folder tree, the launch takes the checked
// folders and the destination, and the run writes the messages and its log.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "common/Global.h"
#include "common/HeadlessControls.h"
#include "common/ProgramValues.h"
#include "export/ComponentItemWriter.h"
#include "export/ExportDriver.h"
#include "export/ExportLaunch.h"
#include "notes/FolderSelection.h"
#include "notes/NotesState.h"
#include "notes/Scan.h"
#include "platform/gmime/GMimeEmailComponent.h"
#include "platform/SystemNotesClient.h"

namespace mailshift::cli {
namespace {

struct ExportArguments {
  std::string database;
  std::string destination;
  std::vector<std::string> folders;  // none: every folder a scan checks
  std::string logPath = mail::DefaultLogPath();
};

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
  void DocumentHandled(const mail::ExportProgress& progress) override {
    ++handled_;
    if (!onTerminal_) return;
    const auto now = Clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(200) && progress.handled != progress.count)
      return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? static_cast<double>(handled_) / seconds : 0.0;
    std::fprintf(stderr, "\r\033[K%s: %lld/%lld (%.0f messages/s)", progress.folder.c_str(),
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

int RunExportCommand(const ExportArguments& arguments) {
  if (arguments.destination.empty()) {
    std::cerr << "mailshift-cli: the destination folder is empty\n";
    return kExitBadArguments;
  }
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
    return kExitFailed;
  }
  if (!arguments.folders.empty()) {
    if (const auto unknown = notes::CheckOnlyFolders(window.ContactsTreeView, arguments.folders)) {
      std::cerr << "mailshift-cli: " << arguments.database << " has no folder \"" << *unknown << "\"\n";
      return kExitBadArguments;
    }
  }

  const GivenFolder picker(arguments.destination);
  const std::size_t messagesBefore = window.Messages.shown.size();
  if (!mail::CmdStartConversion_Click(window.ContactsTreeView, window.Messages, values)) {
    if (window.Messages.shown.size() > messagesBefore) std::cerr << window.Messages.shown.back().text << '\n';
    return kExitFailed;
  }

  auto component = platform::CreateGMimeEmailComponent();
  mail::ComponentItemWriter writer(*component);
  ProgressLine progress(isatty(STDERR_FILENO) != 0);
  const mail::ExportResult result =
      mail::RunExport({client, state, values, [&window] { return window.txtNotesDatabaseFile.Caption(); },
                       writer, progress, arguments.logPath});

  const std::string message = ConsoleLines(progress.message().text);
  if (result.end == mail::ExportEnd::Completed) {
    std::cout << message << '\n';
  } else {
    std::cerr << message << '\n';
    if (!result.failure.empty()) std::cerr << "(" << result.failure << ")\n";
  }
  return result.Succeeded() ? kExitDone : kExitFailed;
}

}  // namespace

void AddExportCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("export", "Export the folders of a Notes mail database as .eml files");
  auto arguments = std::make_shared<ExportArguments>();
  command->add_option("DB", arguments->database, "the mail database")->required();
  command->add_option("DEST", arguments->destination, "the destination folder")->required();
  command->add_option(
      "--folder", arguments->folders,
      "a folder to export (its tag: Inbox, Drafts, Sent, Follow-Up, JunkMail, Trash, Folders or a "
      "user folder's name); may be repeated; every folder when left out");
  command->add_option("--log", arguments->logPath, "the export log")->capture_default_str();
  command->callback([arguments, &exitCode] { exitCode = RunExportCommand(*arguments); });
}

}  // namespace mailshift::cli
