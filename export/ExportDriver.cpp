#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/Global.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "export/AttachmentFolder.h"
#include "export/Destination.h"
#include "export/ExportManifest.h"
#include "export/ExportPlan.h"
#include "export/FieldExtraction.h"
#include "export/MessageFile.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"
#include "notes/FolderCatalogue.h"
#include "notes/NotesState.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

using notes::Database;
using notes::Document;
using notes::View;

constexpr std::string_view kTab = "\t";
constexpr std::string_view kSeparatorLine = "---------------- Starting User Folders ---------------";

using notes::StandardFolder;

// A selected user folder: its folder tag, the name its view reported, and why its output folder
// could not be made ("" when it was).
struct UserFolder {
  std::string tag;
  std::string viewName;
  std::string folderProblem;
};

// "1 message", "2 messages".
std::string Counted(std::int64_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// The item names of unreadable-item entries ("Body: why"), joined by ", ".
std::string ItemNames(const std::vector<std::string>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.substr(0, entry.find(": ")));
  return Join(names, ", ");
}

std::string Reason(const std::exception& error) {
  const std::string what = error.what();
  return what.empty() ? "unknown error" : what;
}

class ExportRun {
 public:
  ExportRun(const ExportPlan& plan, const ExportServices& services, ExportObserver& observer)
      : plan_(plan),
        services_(services),
        observer_(observer),
        log_(plan.logPath, plan.databasePath),
        selected_(plan.folders.begin(), plan.folders.end()) {}

  ExportReport Run();

 private:
  bool IsSelected(const std::string& tag) const;
  // "" when the output root is there to write into; otherwise why not.
  std::string BuildOutputRoot();
  std::shared_ptr<Database> OpenDatabase();
  std::vector<UserFolder> FindUserFolders(const std::vector<std::shared_ptr<View>>& views);
  void ExportUserFolder(const UserFolder& folder);
  void ExportStandardFolder(const StandardFolder& folder);
  void ExportDocuments(View& view, std::shared_ptr<Document> document, const std::string& folder,
                       bool writerTakesAttachmentList);
  void ExportDocument(Document& document, std::int64_t handled, std::int64_t count, const std::string& folder,
                      bool writerTakesAttachmentList);
  // Whether an earlier run into this output root wrote the document into the folder.
  bool WrittenBefore(Document& document, const std::string& folder);
  // Opens the record of what this output root holds, or starts it anew.
  void OpenManifest();
  void ReportManifestProblem();
  // Looks at what earlier runs left in the output folder: records the messages a run wrote but
  // could not record before it ended (found by the document id in their header), and removes the
  // passing files of messages whose run was killed before they were whole.
  void LookAtEarlierFiles(const std::string& folder);
  void FolderNotExported(const std::string& reason);
  // A folder whose output folder could not be made: its documents are counted as not written.
  void FolderNotCreated(const std::string& name, const std::string& problem, View* view);
  // True once the user asked the run to stop; asked before each document.
  bool Stopping();
  // After a stop: the documents of a folder the run does not reach.
  void CountLeft(const std::string& viewName);
  std::string NotWrittenLine(const std::string& folder, std::int64_t handled, std::int64_t count,
                             const WriteOutcome& outcome) const;
  ExportReport Fail(ExportEnd end, const std::string& reason);
  ExportReport Complete();

  const ExportPlan& plan_;
  const ExportServices& services_;
  ExportObserver& observer_;
  // The run's own session and the objects it has open.
  notes::NotesState state_;
  ExportLog log_;
  // SelectedFolders, for looking a tag up among many folders.
  const std::unordered_set<std::string> selected_;
  AttachmentFolder attachments_;
  std::optional<ExportManifest> manifest_;
  bool manifestProblemReported_ = false;
  MessageFields fields_;
  // The date item the preview shows for the folder being exported.
  std::string_view previewDateItem_ = "PostedDate";
  ExportReport result_;
};

std::int64_t EntryCountOrZero(View* view) {
  try {
    return view == nullptr ? 0 : view->AllEntriesCount();
  } catch (const std::exception&) {
    return 0;  // the count only adds to a report of what was not written
  }
}

ExportReport ExportRun::Run() {
  result_.title = plan_.title;
  observer_.RunStarted();

  const notes::ObtainedSession obtained = notes::ObtainSession(services_.notesClient);
  if (!obtained.session) return Fail(ExportEnd::NotesNotInstalled, obtained.failure);
  state_.SessionObj = obtained.session;
  if (obtained.origin == notes::SessionOrigin::Notes) log_.WriteLine("Lotus Notes Found");

  observer_.SessionReady();
  if (const std::string problem = BuildOutputRoot(); !problem.empty()) {
    return Fail(ExportEnd::DestinationError, problem);
  }
  OpenManifest();

  try {
    state_.DatabaseObj = OpenDatabase();
  } catch (const std::exception& error) {
    return Fail(ExportEnd::ConversionError, Reason(error));
  }
  observer_.LookingForFolders();
  std::vector<std::shared_ptr<View>> views;
  try {
    views = state_.DatabaseObj->Views();
  } catch (const std::exception& error) {
    return Fail(ExportEnd::ConversionError, Reason(error));
  }

  std::vector<UserFolder> userFolders = FindUserFolders(views);
  views.clear();
  log_.WriteLine(kSeparatorLine);
  for (const auto& folder : userFolders) ExportUserFolder(folder);
  for (const std::size_t index : notes::kExportOrder) ExportStandardFolder(notes::kStandardFolders[index]);
  return Complete();
}

bool ExportRun::IsSelected(const std::string& tag) const { return !tag.empty() && selected_.count(tag) != 0; }

std::string ExportRun::BuildOutputRoot() {
  // The destination is taken as chosen: a folder named "sp " is not the folder "sp".
  const std::string& destination = plan_.destination;
  if (const std::string problem = DestinationProblem(destination); !problem.empty()) {
    result_.outputRoot = destination;
    return problem;
  }
  result_.outputRoot = OutputRootOf(destination, plan_.title);
  const std::string root = result_.outputRoot.substr(0, result_.outputRoot.size() - 1);
  if (const std::string problem = MakeFolderNoFollow(root); !problem.empty()) return root + ": " + problem;
  log_.FallBackTo(result_.outputRoot);
  return {};
}

std::shared_ptr<Database> ExportRun::OpenDatabase() {
  auto database = state_.SessionObj->GetDatabase("", plan_.databasePath);
  if (!database) throw notes::NotesError("the database could not be opened");
  return database;
}

std::vector<UserFolder> ExportRun::FindUserFolders(const std::vector<std::shared_ptr<View>>& views) {
  std::vector<UserFolder> found;
  found.reserve(views.size());
  for (const auto& view : views) {
    std::string name;
    try {
      if (!view) continue;
      name = view->Name();
      if (!notes::IsUserFolderView(name, *view)) continue;
    } catch (const std::exception& error) {
      const std::string which = name.empty() ? "a view" : "the view " + name;
      log_.WriteLine(std::string(kTab) + "Not exported : " + which + " cannot be read: " + Reason(error));
      continue;
    }
    std::string tag = Trim(name);
    if (!IsSelected(tag)) continue;
    std::string problem = MakeFolderNoFollow(result_.outputRoot + OutputFolderName(tag));
    log_.WriteLine("Customer Folder : " + name);
    found.push_back(UserFolder{std::move(tag), std::move(name), std::move(problem)});
  }

  // Each folder once (as the views first named it), in the order of the folder names.
  std::unordered_map<std::string, UserFolder> byTag;
  std::vector<std::string> tags;
  for (UserFolder& folder : found) {
    if (byTag.count(folder.tag) == 0) tags.push_back(folder.tag);
    byTag.emplace(folder.tag, std::move(folder));
  }
  notes::SortFolderNames(tags);
  std::vector<UserFolder> sorted;
  sorted.reserve(tags.size());
  for (const std::string& tag : tags) sorted.push_back(std::move(byTag.at(tag)));
  return sorted;
}

void ExportRun::ExportUserFolder(const UserFolder& folder) {
  if (Stopping()) {
    CountLeft(folder.tag);
    return;
  }
  if (folder.folderProblem.empty()) log_.WriteLine("Created : Folder[" + folder.tag + "]");
  observer_.FolderStarted(FolderStart{false, folder.tag, OutputFolderName(folder.tag)});
  state_.DocumentObj.reset();
  std::shared_ptr<Document> first;
  try {
    state_.DatabaseObj = OpenDatabase();
    state_.ViewObj = state_.DatabaseObj->GetView(folder.tag);
    // A name with spaces around it may be known only as it was reported.
    if (!state_.ViewObj && folder.viewName != folder.tag) {
      state_.ViewObj = state_.DatabaseObj->GetView(folder.viewName);
    }
    if (!state_.ViewObj) throw notes::NotesError("the folder " + folder.tag + " was not found");
    if (!folder.folderProblem.empty()) {
      FolderNotCreated(OutputFolderName(folder.tag), folder.folderProblem, state_.ViewObj.get());
      return;
    }
    first = state_.ViewObj->GetFirstDocument();
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
    return;
  }
  previewDateItem_ = "PostedDate";
  if (first) ExportDocuments(*state_.ViewObj, std::move(first), OutputFolderName(folder.tag), false);
}

void ExportRun::ExportStandardFolder(const StandardFolder& folder) {
  if (!IsSelected(std::string(folder.tag))) return;
  if (Stopping()) {
    CountLeft(std::string(folder.view));
    state_.ReleaseDatabaseObjects();
    return;
  }
  const std::string outputFolder(folder.outputFolder);
  const std::string folderProblem = MakeFolderNoFollow(result_.outputRoot + outputFolder);
  observer_.FolderStarted(FolderStart{true, std::string(folder.tag), outputFolder});
  log_.WriteLine(folder.exportHeader);
  std::shared_ptr<Document> first;
  try {
    state_.DatabaseObj = OpenDatabase();
    // A mailbox without this folder's view has nothing in it, as the scan shows it with (0).
    state_.ViewObj = state_.DatabaseObj->GetView(folder.view);
    if (state_.ViewObj && !folderProblem.empty()) {
      FolderNotCreated(outputFolder, folderProblem, state_.ViewObj.get());
    } else if (state_.ViewObj) {
      first = state_.ViewObj->GetFirstDocument();
    }
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
  }
  previewDateItem_ = folder.previewDate;
  if (first)
    ExportDocuments(*state_.ViewObj, std::move(first), outputFolder, folder.writerTakesAttachmentList);
  state_.ReleaseDatabaseObjects();
}

void ExportRun::OpenManifest() {
  manifest_.emplace(result_.outputRoot, plan_.everythingAgain);
  ReportManifestProblem();
}

void ExportRun::ReportManifestProblem() {
  if (manifestProblemReported_ || manifest_->problem().empty()) return;
  manifestProblemReported_ = true;
  log_.WriteLine(std::string(kTab) + "Not recorded : " + manifest_->problem() +
                 "; a later export cannot tell which messages it has");
}

void ExportRun::LookAtEarlierFiles(const std::string& folder) {
  const bool recording = manifest_ && manifest_->existedBefore();  // without a manifest, nothing is skipped
  std::error_code error;
  for (auto entry = std::filesystem::directory_iterator(FilePath(result_.outputRoot + folder), error);
       !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    const std::string name = Utf8Text(entry->path().filename());
    if (const auto process = PassingFileProcess(name)) {
      if (*process == CurrentProcessNumber() || IsProcessRunning(*process)) continue;
      std::error_code removal;
      std::filesystem::remove(entry->path(), removal);
      log_.WriteLine(std::string(kTab) + (removal ? "Not removed : " : "Removed : ") + name +
                     ", the unfinished message of an export that was ended" +
                     (removal ? ": " + removal.message() : std::string()));
      continue;
    }
    if (!recording || entry->path().extension() != ".eml" || manifest_->KnowsFile(folder, name)) continue;
    const std::string universalId = UniversalIdOfMessageFile(Utf8Text(entry->path()));
    if (!universalId.empty() && !manifest_->Holds(folder, universalId))
      manifest_->AddEarlier(folder, universalId, name);
  }
}

bool ExportRun::Stopping() {
  if (!result_.stopped && observer_.StopRequested()) result_.stopped = true;
  return result_.stopped;
}

void ExportRun::CountLeft(const std::string& viewName) {
  try {
    const auto database = OpenDatabase();
    const auto view = database->GetView(viewName);
    result_.left += EntryCountOrZero(view.get());
  } catch (const std::exception&) {
    // Only the report of what was left loses this folder's documents.
  }
}

void ExportRun::FolderNotCreated(const std::string& name, const std::string& problem, View* view) {
  const std::int64_t documents = EntryCountOrZero(view);
  log_.WriteLine(std::string(kTab) + "Not exported : the folder " + name + " cannot be made: " + problem);
  ++result_.foldersNotExported;
  result_.messages += documents;
  result_.notWritten += documents;
}

void ExportRun::ExportDocuments(View& view, std::shared_ptr<Document> document, const std::string& folder,
                                bool writerTakesAttachmentList) {
  // The entry count is read again before every document, as the view may change meanwhile.
  const auto entryCount = [&view, this]() -> std::optional<std::int64_t> {
    try {
      return view.AllEntriesCount();
    } catch (const std::exception& error) {
      FolderNotExported("the number of documents cannot be read: " + Reason(error));
      return std::nullopt;
    }
  };

  std::optional<std::int64_t> count = entryCount();
  if (!count) return;
  observer_.FolderCounted(*count);
  LookAtEarlierFiles(folder);
  std::int64_t skipped = 0;
  const auto reportSkipped = [&] {
    if (skipped == 0) return;
    log_.WriteLine(std::string(kTab) + "Skipped : " + Counted(skipped, "message") +
                   " written by an earlier export");
    result_.skipped += skipped;
  };
  for (std::int64_t handled = 0; handled < *count; ++handled) {
    if (Stopping()) {
      result_.left += *count - handled;
      break;
    }
    state_.DocumentObj = document;
    if (WrittenBefore(*document, folder)) {
      ++skipped;
      observer_.DocumentHandled(DocumentProgress{folder, {}, handled + 1, *count, false, true});
    } else {
      ExportDocument(*document, handled, *count, folder, writerTakesAttachmentList);
    }
    try {
      document = view.GetNextDocument(document);
    } catch (const std::exception& error) {
      reportSkipped();
      FolderNotExported("the next document cannot be read: " + Reason(error));
      return;
    }
    if (!document) break;
    count = entryCount();
    if (!count) break;
  }
  reportSkipped();
}

bool ExportRun::WrittenBefore(Document& document, const std::string& folder) {
  if (!manifest_ || !manifest_->existedBefore()) return false;
  try {
    const std::string universalId = document.UniversalID();
    return !universalId.empty() && manifest_->Holds(folder, universalId);
  } catch (const std::exception&) {
    return false;  // written again; the message's own reading reports the id it cannot read
  }
}

void ExportRun::ExportDocument(Document& document, std::int64_t handled, std::int64_t count,
                               const std::string& folder, bool writerTakesAttachmentList) {
  ReadSubject(document, fields_);
  observer_.DocumentStarted(DocumentProgress{folder, fields_.subject, handled, count, false, false});
  ReadMessageFields(document, attachments_, fields_,
                    FieldReading{plan_.names.get(), previewDateItem_, plan_.plainText});

  std::string subject = Trim(fields_.subject);
  std::string attachmentCopy = fields_.hasEmbedded ? Trim(fields_.AttachmentList) : std::string();
  std::string& attachmentArgument = writerTakesAttachmentList ? fields_.AttachmentList : attachmentCopy;
  if (manifest_ && !fields_.universalId.empty()) {
    manifest_->MakeFile();
    ReportManifestProblem();
  }
  WriteOutcome outcome;
  try {
    outcome = services_.writer.CreateEmailItem(
        result_.outputRoot, folder,
        EmailItem{Trim(fields_.from), subject, Trim(fields_.to), fields_.CcList, fields_.BccList,
                  Trim(fields_.date), Trim(fields_.body), attachmentArgument,
                  MessageOrigin{fields_.attachmentFiles, fields_.universalId}, fields_.headers});
    attachmentArgument = outcome.attachments;
  } catch (const std::exception& error) {
    outcome.reason = Reason(error);
  }
  attachments_.RemoveFiles();
  ++result_.messages;

  const std::string tab(kTab);
  log_.WriteLine(tab + "Email Subject : SUBJECT[" + Trim(fields_.subject) + "]");
  if (fields_.hasEmbedded) log_.WriteLine(tab + "Attachment : ATTACH[" + Trim(fields_.AttachmentList) + "]");
  for (const auto& failure : fields_.extractionFailures) {
    log_.WriteLine(tab + "Not extracted : " + failure.name + " : " + failure.reason);
    ++result_.attachmentsNotExtracted;
  }
  const bool encryptedInPart = fields_.encrypted && !fields_.unreadableItems.empty();
  if (encryptedInPart) {
    log_.WriteLine(tab +
                   "Encrypted : the document is encrypted; not read: " + ItemNames(fields_.unreadableItems));
  } else {
    for (const auto& item : fields_.unreadableItems) {
      log_.WriteLine(tab + "Not complete : the item " + item);
    }
  }
  for (const auto& problem : outcome.problems) log_.WriteLine(tab + "Not complete : " + problem);
  if (!outcome.written) {
    log_.WriteLine(NotWrittenLine(folder, handled, count, outcome));
    ++result_.notWritten;
  } else {
    if (!outcome.problems.empty() || !fields_.unreadableItems.empty()) ++result_.incomplete;
    if (encryptedInPart) ++result_.encrypted;
    if (manifest_ && !fields_.universalId.empty()) {
      manifest_->Add(folder, fields_.universalId, Utf8Text(FilePath(outcome.path).filename()));
      ReportManifestProblem();
    }
  }
  observer_.DocumentHandled(
      DocumentProgress{folder, fields_.subject, handled + 1, count, outcome.written, false});
}

std::string ExportRun::NotWrittenLine(const std::string& folder, std::int64_t handled, std::int64_t count,
                                      const WriteOutcome& outcome) const {
  const std::string document = fields_.universalId.empty() ? "" : " (" + fields_.universalId + ")";
  return std::string(kTab) + "Not written : " + folder + ", document " + std::to_string(handled + 1) +
         " of " + std::to_string(count) + document + " : " +
         (outcome.reason.empty() ? "unknown error" : outcome.reason);
}

void ExportRun::FolderNotExported(const std::string& reason) {
  log_.WriteLine(std::string(kTab) + "Not exported : " + reason);
  ++result_.foldersNotExported;
}

ExportReport ExportRun::Fail(ExportEnd end, const std::string& reason) {
  log_.Close();
  state_.ReleaseDatabaseObjects();
  result_.end = end;
  result_.failure = reason;
  result_.logPath = log_.path();
  result_.logRefusal = log_.refusal();
  result_.logComplete = log_.complete();
  return result_;
}

ExportReport ExportRun::Complete() {
  state_.ReleaseDatabaseObjects();
  if (result_.stopped) {
    log_.WriteLine("Stopped : the export was stopped before its end; " + Counted(result_.left, "message") +
                   " left");
  } else {
    log_.WriteLine("Done");
  }
  log_.Close();
  result_.end = ExportEnd::Completed;
  result_.logPath = log_.path();
  result_.logRefusal = log_.refusal();
  result_.logComplete = log_.complete();
  return result_;
}

}  // namespace

ExportReport Export(const ExportPlan& plan, const ExportServices& services, ExportObserver& observer) {
  return ExportRun(plan, services, observer).Run();
}

std::string CompletionText(const ExportReport& report) {
  std::vector<std::string> lines;
  std::string counts = Counted(report.written(), "message") + " written, " +
                       std::to_string(report.notWritten) + " not written";
  if (report.skipped > 0) counts += ", " + std::to_string(report.skipped) + " written before";
  if (report.stopped) {
    lines.emplace_back("Migration Stopped !");
    counts += ", " + std::to_string(report.left) + " left";
  } else if (report.Succeeded()) {
    lines.emplace_back("Migration Completed Successfully !");
  } else {
    lines.emplace_back("Migration Completed with Errors !");
  }
  lines.push_back(counts + ".");
  if (report.incomplete > 0) {
    lines.push_back(std::to_string(report.incomplete) + " of " + Counted(report.messages, "message") +
                    " could be written only in part.");
  }
  if (report.encrypted > 0) {
    lines.push_back(Counted(report.encrypted, "message") + (report.encrypted == 1 ? " was" : " were") +
                    " encrypted and written with what could be read.");
  }
  if (report.attachmentsNotExtracted > 0) {
    lines.push_back(Counted(report.attachmentsNotExtracted, "attachment") + " could not be extracted.");
  }
  if (report.foldersNotExported > 0) {
    lines.push_back(Counted(report.foldersNotExported, "folder") + " could not be read completely.");
  }
  if (!report.logComplete) {
    lines.emplace_back("The export log could not be written.");
  } else if (!report.Succeeded()) {
    lines.push_back("The export log names each of them: " + report.logPath);
  } else if (!report.logRefusal.empty()) {
    lines.push_back("The export log is " + report.logPath + " (" + report.logRefusal + ").");
  }
  lines.push_back(report.outputRoot);
  lines.push_back(report.title);
  return Join(lines, "\r\n");
}

std::string EndText(const ExportPlan& plan, const ExportReport& report) {
  switch (report.end) {
    case ExportEnd::NotesNotInstalled:
      return NotInstalledText();
    case ExportEnd::DestinationError:
      return DestinationMessage(plan.destination, report.failure);
    case ExportEnd::ConversionError:
      return std::string(kConversionErrorText);
    case ExportEnd::Completed:
      break;
  }
  return CompletionText(report);
}

}  // namespace mailshift::mail
