// mailshift-cli export DB DEST [--folder TAG]... [--log FILE] [--names FILE] [--plain-text]: the export of
// the export window, started as the main window starts it: a scan finds the folders, the folders asked for
// (or all) and the destination make the plan, and the run writes the messages and its log.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleText.h"
#include "cli/ExportSummaryFile.h"
#include "cli/FolderNames.h"
#include "cli/PasswordPrompt.h"
#include "cli/ProgressText.h"
#include "cli/ReaderOption.h"
#include "cli/ScanText.h"
#include "common/Global.h"
#include "common/TextRules.h"
#include "export/ComponentItemWriter.h"
#include "export/Destination.h"
#include "export/DestinationItemWriter.h"
#include "export/ExportPlan.h"
#include "export/MaildirDestination.h"
#include "export/MboxDestination.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"
#include "notes/FolderChecks.h"
#include "platform/SystemNotesClient.h"
#include "platform/mime/MailComposer.h"
#ifdef MAILSHIFT_IMAP
#include "export/ImapDestination.h"
#include "platform/net/SystemTransport.h"
#endif

namespace mailshift::cli {
namespace {

struct ExportArguments {
  std::string database;
  std::string destination;
  std::vector<std::string> folders;  // none: every folder a scan checks
  bool again = false;                // write every message again, also those an earlier run wrote
  std::string logPath = mail::DefaultLogPath();
  std::string namesPath;              // a names table (CSV of Notes name and Internet address); "" for none
  std::string reader;                 // "native", "notes" or "" for the usual choice
  bool plainText = false;             // bodies as the plain text of "Body" alone
  std::vector<std::string> excluded;  // folders left out, each with the folders below it
  std::string summaryPath;            // the run's figures as JSON, for a batch; "" for none
  std::string to;  // --to: "mbox:DIR", "maildir:DIR", "imap://...", "imaps://..."; "" for the .eml tree
  std::string unreadFor;  // whose read marks; "" for the database's owner
  bool allowPlaintext = false;
  std::string caFile;
  std::string oauth2TokenFile;
  std::uint64_t sizeLimit = 0;
  int timeoutSeconds = 60;
};

// The parts of imap://USER@HOST:PORT.
struct ImapPlace {
  bool implicitTls = false;
  std::string user;
  std::string host;
  int port = 0;
};

std::optional<ImapPlace> ImapPlaceOf(const std::string& to, std::string& problem) {
  ImapPlace place;
  std::string rest;
  if (to.starts_with("imaps://")) {
    place.implicitTls = true;
    rest = to.substr(8);
  } else {
    rest = to.substr(7);
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  const std::size_t at = rest.rfind('@');
  if (at == std::string::npos || at == 0) {
    problem = "--to " + to + ": the user is missing (imap://USER@HOST:PORT)";
    return std::nullopt;
  }
  place.user = rest.substr(0, at);
  std::string hostPort = rest.substr(at + 1);
  place.port = place.implicitTls ? 993 : 143;
  std::size_t colon = hostPort.rfind(':');
  if (!hostPort.empty() && hostPort.front() == '[') {
    const std::size_t close = hostPort.find(']');
    if (close == std::string::npos) colon = std::string::npos;
    place.host = hostPort.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    colon = close != std::string::npos && close + 1 < hostPort.size() && hostPort[close + 1] == ':'
                ? close + 1
                : std::string::npos;
  } else {
    place.host = hostPort.substr(0, colon);
  }
  if (colon != std::string::npos) {
    const std::string port = hostPort.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(port) == 0 || std::stoi(port) > 65535) {
      problem = "--to " + to + ": the port is no number from 1 to 65535";
      return std::nullopt;
    }
    place.port = std::stoi(port);
  }
  if (place.host.empty()) {
    problem = "--to " + to + ": the server is missing (imap://USER@HOST:PORT)";
    return std::nullopt;
  }
  return place;
}

// The folder where the run keeps its manifest and log for a server, when DEST gives none.
std::string StateFolderFor(const ImapPlace& place) {
  std::string base;
#ifdef _WIN32
  if (const char* local = std::getenv("LOCALAPPDATA"))
    base = std::string(local) + "\\Corvane Mailshift\\imap";
#else
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
    base = std::string(state) + "/corvane-mailshift/imap";
  } else if (const char* home = std::getenv("HOME")) {
    base = std::string(home) + "/.local/state/corvane-mailshift/imap";
  }
#endif
  if (base.empty()) return {};
  return base + kPathSeparator +
         mail::OutputFolderName(place.user + "@" + place.host + "-" + std::to_string(place.port));
}

// Where --to sends the messages: the kind and the folder the run keeps its manifest and log in.
struct Target {
  enum class Kind { EmlTree, Mbox, Maildir, Imap } kind = Kind::EmlTree;
  std::string folder;
  ImapPlace imap = {};
};

std::optional<Target> TargetOf(const ExportArguments& arguments, std::string& problem) {
  Target target;
  const std::string& to = arguments.to;
  if (to.empty()) {
    target.folder = arguments.destination;
  } else if (to.starts_with("mbox:")) {
    target = Target{Target::Kind::Mbox, to.substr(5)};
  } else if (to.starts_with("maildir:")) {
    target = Target{Target::Kind::Maildir, to.substr(8)};
  } else if (to.starts_with("imap://") || to.starts_with("imaps://")) {
    const auto place = ImapPlaceOf(to, problem);
    if (!place) return std::nullopt;
    // The manifest and the log stay on this computer: in DEST when given.
    target = Target{Target::Kind::Imap,
                    arguments.destination.empty() ? StateFolderFor(*place) : arguments.destination, *place};
    if (target.folder.empty()) {
      problem = "give DEST, the folder where the run keeps its manifest and log";
      return std::nullopt;
    }
    return target;
  } else {
    problem = "--to " + to +
              ": not a destination (mbox:DIR, maildir:DIR, imap://USER@HOST:PORT, imaps://USER@HOST:PORT)";
    return std::nullopt;
  }
  if (!to.empty() && !arguments.destination.empty()) {
    problem = "give the destination either as DEST or with --to, not both";
    return std::nullopt;
  }
  if (target.folder.empty()) {
    problem = to.empty() ? "the destination folder is empty" : "--to " + to + ": the folder is empty";
    return std::nullopt;
  }
  return target;
}

namespace fs = std::filesystem;

// The messages the scan counted in the folders of a plan.
std::int64_t CountedMessages(const notes::ScanResult& scan, const std::vector<std::string>& folders) {
  std::int64_t total = 0;
  for (const notes::FolderNode& node : scan.nodes) {
    if (!node.tag.empty() && std::find(folders.begin(), folders.end(), node.tag) != folders.end())
      total += node.count;
  }
  return total;
}

// Shows the run's progress on one terminal line, a few times a second at most.
class ProgressLine : public mail::ExportObserver {
 public:
  // The scan's count of each planned folder, so the line can tell the whole run from the start.
  ProgressLine(bool onTerminal, const notes::ScanResult& scan, const std::vector<std::string>& folders)
      : onTerminal_(onTerminal), scan_(scan), total_(CountedMessages(scan, folders)) {}
  ~ProgressLine() override { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool StopRequested() override { return StopRequests::Requested(); }
  void FolderStarted(const mail::FolderStart& folder) override { folderTag_ = folder.tag; }
  // The folder's count now may differ from the scan's; the run's total follows it.
  void FolderCounted(std::int64_t count) override {
    for (const notes::FolderNode& node : scan_.nodes) {
      if (node.tag == folderTag_) total_ += count - node.count;
    }
  }
  void DocumentHandled(const mail::DocumentProgress& progress) override {
    ++handled_;
    if (!onTerminal_) return;
    const auto now = Clock::now();
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(200) && progress.handled != progress.count)
      return;
    lastShown_ = now;
    const RunProgress run{TerminalText(progress.folder), handled_, total_,
                          std::chrono::duration<double>(now - started_).count()};
    StandardError().ShowLine(ProgressText(run));
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
  const notes::ScanResult& scan_;
  std::string folderTag_;
  std::int64_t total_;
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
    std::vector<std::size_t> chosen;
    for (const std::string& name : arguments.folders) {
      const FolderLookup lookup = FindFolder(scan.nodes, name);
      if (lookup.nodes.size() != 1) {
        std::cerr << "mailshift-cli: " << TerminalText(arguments.database) << ": "
                  << TerminalText(FolderLookupProblem(scan.nodes, name, lookup)) << '\n';
        return std::nullopt;
      }
      chosen.push_back(lookup.nodes.front());
    }
    checks.SetBranch(0, false);
    for (std::size_t node : chosen) checks.SetBranch(node, true);
  }
  for (const std::string& name : arguments.excluded) {
    const FolderLookup lookup = FindFolder(scan.nodes, name);
    if (lookup.nodes.size() != 1) {
      std::cerr << "mailshift-cli: " << TerminalText(arguments.database) << ": "
                << TerminalText(FolderLookupProblem(scan.nodes, name, lookup)) << '\n';
      return std::nullopt;
    }
    checks.SetBranch(lookup.nodes.front(), false);
  }
  return checks.CheckedTags();
}

int RunExportCommand(const ExportArguments& arguments) {
  std::string targetProblem;
  const std::optional<Target> target = TargetOf(arguments, targetProblem);
  if (!target) {
    std::cerr << "mailshift-cli: " << TerminalText(targetProblem) << '\n';
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
  platform::SystemNotesClient notesClient(ChosenReader(arguments.reader));
  notes::SessionFactory& client = notesClient.sessions();

  const notes::ScanResult scan = ScanOrSayWhyNot(client, arguments.database);
  if (scan.end != notes::ScanEnd::Completed) return kExitFailed;
  const std::string outputRoot = mail::OutputRootOf(target->folder, scan.title);
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
  if (const std::string problem = mail::DestinationProblem(target->folder); !problem.empty()) {
    std::cerr << ConsoleLines(mail::DestinationMessage(target->folder, problem)) << '\n';
    return kExitFailed;
  }

  mail::ExportPlan plan;
  plan.databasePath = arguments.database;
  plan.title = scan.title;
  plan.folders = *folders;
  plan.destination = target->folder;
  plan.readMarksFor = arguments.unreadFor;
  // The windows ask about an earlier export in the destination; here --again answers.
  plan.everythingAgain = arguments.again;
  plan.logPath = arguments.logPath;
  plan.names = names;
  plan.plainText = arguments.plainText;

  auto component = platform::CreateMailComposer();
  std::unique_ptr<mail::MessageDestination> destination;
#ifdef MAILSHIFT_IMAP
  const auto transports = platform::CreateSystemTransports();
  if (target->kind == Target::Kind::Imap) {
    mail::ImapAccount account;
    account.user = target->imap.user;
    account.server = mail::TransportOptions{target->imap.host, target->imap.port, target->imap.implicitTls,
                                            arguments.caFile, arguments.timeoutSeconds};
    account.allowPlaintext = arguments.allowPlaintext;
    account.sizeLimit = arguments.sizeLimit;
    if (!arguments.oauth2TokenFile.empty()) {
      std::ifstream tokenFile(mail::FilePath(arguments.oauth2TokenFile), std::ios::binary);
      std::getline(tokenFile, account.oauth2Token);
      account.oauth2Token = Trim(account.oauth2Token);
      if (!tokenFile && account.oauth2Token.empty()) {
        std::cerr << "mailshift-cli: " << TerminalText(arguments.oauth2TokenFile)
                  << ": no token can be read\n";
        return kExitBadArguments;
      }
    } else if (const char* token = std::getenv("MAILSHIFT_IMAP_OAUTH2_TOKEN");
               token != nullptr && *token != 0) {
      account.oauth2Token = token;
    } else if (const char* password = std::getenv("MAILSHIFT_IMAP_PASSWORD"); password != nullptr) {
      account.password = password;
    } else if (auto typed = AskPassword("Password for " + mail::ImapUrl(account) + ": ")) {
      account.password = std::move(*typed);
    } else {
      std::cerr << "mailshift-cli: no password: set MAILSHIFT_IMAP_PASSWORD or run on a terminal\n";
      return kExitBadArguments;
    }
    destination = std::make_unique<mail::ImapDestination>(std::move(account), *transports);
  }
#else
  if (target->kind == Target::Kind::Imap) {
    std::cerr << "mailshift-cli: this build of the program cannot deliver to an IMAP server\n";
    return kExitBadArguments;
  }
#endif
  if (target->kind == Target::Kind::Mbox) destination = std::make_unique<mail::MboxDestination>(outputRoot);
  if (target->kind == Target::Kind::Maildir)
    destination = std::make_unique<mail::MaildirDestination>(outputRoot);
  mail::ComponentItemWriter emlWriter(*component);
  std::optional<mail::DestinationItemWriter> destinationWriter;
  if (destination) destinationWriter.emplace(*component, *destination);
  mail::EmailItemWriter& writer =
      destination ? static_cast<mail::EmailItemWriter&>(*destinationWriter) : emlWriter;
  ProgressLine progress(ErrorStreamIsTerminal(), scan, plan.folders);
  const auto started = std::chrono::steady_clock::now();
  const mail::ExportReport report = mail::Export(plan, {client, writer, destination.get()}, progress);
  progress.Clear();
  if (!arguments.summaryPath.empty() &&
      !WriteExportSummary(
          arguments.summaryPath, plan, report,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count())) {
    std::cerr << "mailshift-cli: the summary cannot be written to " << TerminalText(arguments.summaryPath)
              << '\n';
    return kExitFailed;
  }

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
  command->add_option("DEST", arguments->destination, "the destination folder (or give --to)");
  command->add_option("--to", arguments->to,
                      "where the messages go instead of .eml files under DEST: mbox:DIR (mbox files as "
                      "Thunderbird keeps them), maildir:DIR (a Maildir++ tree), imap://USER@HOST:PORT "
                      "(STARTTLS) or imaps://USER@HOST:PORT (TLS); with imap, DEST (when given) keeps "
                      "the run's manifest and log");
  command->add_flag("--allow-plaintext", arguments->allowPlaintext,
                    "with imap://: go on without TLS when the server offers no STARTTLS");
  command->add_option("--ca-file", arguments->caFile,
                      "a PEM file of certificates to trust for the IMAP server, beside the system's");
  command->add_option("--oauth2-token-file", arguments->oauth2TokenFile,
                      "log in to the IMAP server with the OAuth2 access token in this file (XOAUTH2); "
                      "the environment variable MAILSHIFT_IMAP_OAUTH2_TOKEN may hold it instead. "
                      "Without a token the password is taken from MAILSHIFT_IMAP_PASSWORD or asked for");
  command->add_option("--size-limit", arguments->sizeLimit,
                      "with imap: the largest message sent, in bytes (the server's APPENDLIMIT holds too); "
                      "a larger one is named in the log and counted as not written");
  command->add_option("--timeout", arguments->timeoutSeconds, "with imap: seconds to wait for the server")
      ->check(CLI::Range(1, 3600));
  command->add_option("--unread-for", arguments->unreadFor,
                      "whose read marks the messages carry (a Notes user name); the database's owner "
                      "when left out");
  command
      ->add_option(
          "--folder", arguments->folders,
          "a folder to export, as scan shows it (\"Follow Up\", \"Projects\\2008\") or by its tag "
          "(Inbox, Drafts, Sent, Follow-Up, JunkMail, Trash, Folders or a user folder's name), in any "
          "letter case; may be repeated; every folder when left out")
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
  command
      ->add_option("--exclude", arguments->excluded,
                   "a folder to leave out, with the folders below it, named as for --folder; may be repeated")
      ->allow_extra_args(false);
  command->add_option("--summary", arguments->summaryPath,
                      "write the run's figures to this file as JSON at its end (for a batch)");
  command->add_option("--reader", arguments->reader,
                      "native: read the Notes database file directly; notes: through the Notes client")
      ->check(CLI::IsMember({"native", "notes"}));
  command->callback([arguments, &exitCode] { exitCode = RunExportCommand(*arguments); });
}

}  // namespace mailshift::cli
