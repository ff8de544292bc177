#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/Global.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "export/AttachmentFolder.h"
#include "export/BodyExtraction.h"
#include "export/Destination.h"
#include "export/EarlierExports.h"
#include "export/ExportPlan.h"
#include "export/FieldExtraction.h"
#include "export/MessageFile.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"
#include "notes/FolderCatalogue.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

// The Notes objects a run holds between its steps.
struct NotesState {
  std::shared_ptr<notes::Session> SessionObj;
  std::shared_ptr<notes::Database> DatabaseObj;
  std::shared_ptr<notes::View> ViewObj;
  std::shared_ptr<notes::Document> DocumentObj;

  // Releases the database, view and document, keeping the session.
  void ReleaseDatabaseObjects() {
    DocumentObj.reset();
    ViewObj.reset();
    DatabaseObj.reset();
  }
};

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
  // The name the log and the window show and the output folder: the tag's, and for a second
  // folder of the same tag (names that differ only by blanks around them) the tag with " (2)".
  std::string shownName;
  std::string outputFolder;
  bool sharesItsTag = false;  // then found by its own name, which the tag would not reach
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
  // Makes the folder's place in the destination: "" when it is there, otherwise why not.
  std::string MakeOutputFolder(const DeliveryFolder& folder);
  // A destination that can take no more ends the run with the problem; the folder's documents
  // are left for the next run. False for any other problem.
  bool DestinationLost(const std::string& problem, View* view);
  // The universal ids of the documents unread for the plan's user; a failure is logged and every
  // message counts as read.
  void ReadUnreadMarks();
  // Whether an earlier run into this output root wrote the document into the folder.
  bool WrittenBefore(Document& document);
  // Opens the record of what this output root holds, or starts it anew. "" when the run may write
  // into the output root; otherwise why not.
  std::string OpenManifest();
  // Ends the run early when the record of what it writes can no longer be kept.
  void CheckManifest();
  void FolderNotExported(const std::string& reason);
  // A folder whose output folder could not be made: its documents are counted as not written.
  void FolderNotCreated(const std::string& name, const std::string& problem, View* view);
  // True once the user asked the run to stop; asked before each document.
  bool Stopping();
  // After a stop: the documents of a folder the run does not reach.
  void CountLeft(const std::string& viewName);
  // The entry counts of the selected folders' views, read while the database is the one the run
  // opened: a database replaced during the run can no longer tell what was left of it.
  void CountEntriesAhead(const std::vector<UserFolder>& userFolders);
  // Adds the folder's count read at the start to what was left.
  void CountLeftAtTheStart(const std::string& viewName);
  std::string NotWrittenLine(const std::string& folder, std::int64_t handled, std::int64_t count,
                             const WriteOutcome& outcome) const;
  ExportReport Fail(ExportEnd end, const std::string& reason);
  ExportReport Complete();
  // MIME items stay MIME while the run reads documents; the session's setting is given back at
  // the end of the run.
  void KeepMimeWhole();
  void RestoreConvertMime();

  const ExportPlan& plan_;
  const ExportServices& services_;
  ExportObserver& observer_;
  // The run's own session and the objects it has open.
  NotesState state_;
  ExportLog log_;
  // SelectedFolders, for looking a tag up among many folders.
  const std::unordered_set<std::string> selected_;
  AttachmentFolder attachments_;
  HeldRoot root_;
  std::string databaseIdentity_;  // of the database file the run opened first
  std::optional<EarlierExports> earlier_;
  std::unordered_map<std::string, std::int64_t> entryCounts_;  // by view name
  bool databaseReplaced_ = false;
  MessageFields fields_;
  // The date item the preview shows for the folder being exported.
  std::string_view previewDateItem_ = "PostedDate";
  ExportReport result_;
  std::optional<bool> convertMimeBefore_;
  std::unordered_set<std::string> unread_;
  bool inDrafts_ = false;  // the folder being exported holds drafts
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
  KeepMimeWhole();

  observer_.SessionReady();
  if (const std::string problem = BuildOutputRoot(); !problem.empty()) {
    return Fail(ExportEnd::DestinationError, problem);
  }
  if (const std::string problem = OpenManifest(); !problem.empty()) {
    return Fail(ExportEnd::DestinationError, problem);
  }
  if (services_.destination != nullptr) {
    if (const std::string problem = services_.destination->Open(); !problem.empty()) {
      return Fail(ExportEnd::DestinationError, services_.destination->Name() + ": " + problem);
    }
  }

  try {
    state_.DatabaseObj = OpenDatabase();
  } catch (const std::exception& error) {
    return Fail(ExportEnd::ConversionError, Reason(error));
  }
  ReadUnreadMarks();
  observer_.LookingForFolders();
  std::vector<std::shared_ptr<View>> views;
  try {
    views = state_.DatabaseObj->Views();
  } catch (const std::exception& error) {
    return Fail(ExportEnd::ConversionError, Reason(error));
  }

  std::vector<UserFolder> userFolders = FindUserFolders(views);
  views.clear();
  CountEntriesAhead(userFolders);
  log_.WriteLine(kSeparatorLine);
  for (const auto& folder : userFolders) ExportUserFolder(folder);
  for (const std::size_t index : notes::kExportOrder) ExportStandardFolder(notes::kStandardFolders[index]);
  return Complete();
}

void ExportRun::ReadUnreadMarks() {
  try {
    const auto unread = state_.DatabaseObj->GetAllUnreadDocuments(plan_.readMarksFor);
    if (!unread) return;
    for (auto document = unread->GetFirstDocument(); document; document = unread->GetNextDocument(document)) {
      unread_.insert(document->UniversalID());
    }
  } catch (const std::exception& error) {
    unread_.clear();
    log_.WriteLine(std::string(kTab) + "Read marks : the unread documents cannot be read: " + Reason(error) +
                   "; every message counts as read");
  }
}

std::string ExportRun::MakeOutputFolder(const DeliveryFolder& folder) {
  if (services_.destination != nullptr) return services_.destination->EnterFolder(folder);
  return MakeFolderNoFollow(result_.outputRoot + folder.outputFolder);
}

bool ExportRun::DestinationLost(const std::string& problem, View* view) {
  if (services_.destination == nullptr || !services_.destination->Lost()) return false;
  if (result_.failure.empty()) {
    result_.failure = problem;
    log_.WriteLine(std::string(kTab) + "Ended : " + problem);
  }
  result_.left += EntryCountOrZero(view);
  return true;
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
  if (const int error = root_.Hold(result_.outputRoot)) return root + ": " + std::strerror(error);
  log_.FallBackTo(result_.outputRoot);
  return {};
}

std::shared_ptr<Database> ExportRun::OpenDatabase() {
  const std::string& path = plan_.databasePath;
  // One run reads one database: one replaced under its name (a rebuild renamed over it) ends the
  // run rather than mixing the two in one export.
  if (const std::string identity = FileIdentity(path); !identity.empty()) {
    if (databaseIdentity_.empty()) databaseIdentity_ = identity;
    if (identity != databaseIdentity_) {
      databaseReplaced_ = true;
      if (result_.failure.empty()) {
        result_.failure = "the database " + path +
                          " was replaced during the export; export it again to have it as it is now";
      }
      throw notes::NotesError(result_.failure);
    }
  }
  auto database = state_.SessionObj->GetDatabase("", path);
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
    log_.WriteLine("Customer Folder : " + name);
    found.push_back(UserFolder{std::move(tag), std::move(name), {}, {}, {}, false});
  }

  // Each folder once, in ordinal order of its tag. A view reported twice under one name is one
  // folder; two names that differ only by blanks around them are two folders, and the second
  // gets an output folder of its own rather than being dropped.
  std::stable_sort(found.begin(), found.end(),
                   [](const UserFolder& a, const UserFolder& b) { return CompareOrdinal(a.tag, b.tag) < 0; });
  std::vector<UserFolder> kept;
  std::unordered_set<std::string> viewNames;
  std::unordered_map<std::string, int> foldersOfTag;
  for (UserFolder& folder : found) {
    if (!viewNames.insert(folder.viewName).second) continue;
    const int earlier = foldersOfTag[folder.tag]++;
    folder.sharesItsTag = earlier > 0;
    const std::string suffix = earlier > 0 ? " (" + std::to_string(earlier + 1) + ")" : "";
    folder.shownName = folder.tag + suffix;
    folder.outputFolder = OutputFolderName(folder.tag) + suffix;
    // A destination makes its place of a folder when the folder's turn comes.
    if (services_.destination == nullptr)
      folder.folderProblem = MakeFolderNoFollow(result_.outputRoot + folder.outputFolder);
    kept.push_back(std::move(folder));
  }
  return kept;
}

void ExportRun::ExportUserFolder(const UserFolder& folder) {
  if (Stopping()) {
    CountLeft(folder.sharesItsTag ? folder.viewName : folder.tag);
    return;
  }
  if (folder.folderProblem.empty()) log_.WriteLine("Created : Folder[" + folder.shownName + "]");
  observer_.FolderStarted(FolderStart{false, folder.shownName, folder.outputFolder});
  state_.DocumentObj.reset();
  std::shared_ptr<Document> first;
  try {
    state_.DatabaseObj = OpenDatabase();
    state_.ViewObj = state_.DatabaseObj->GetView(folder.sharesItsTag ? folder.viewName : folder.tag);
    // A name with spaces around it may be known only as it was reported.
    if (!state_.ViewObj && folder.viewName != folder.tag) {
      state_.ViewObj = state_.DatabaseObj->GetView(folder.viewName);
    }
    if (!state_.ViewObj) throw notes::NotesError("the folder " + folder.tag + " was not found");
    const std::string folderProblem =
        services_.destination == nullptr
            ? folder.folderProblem
            : MakeOutputFolder(DeliveryFolder{false, folder.tag, folder.outputFolder});
    if (!folderProblem.empty()) {
      if (!DestinationLost(folderProblem, state_.ViewObj.get()))
        FolderNotCreated(folder.outputFolder, folderProblem, state_.ViewObj.get());
      return;
    }
    first = state_.ViewObj->GetFirstDocument();
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
    if (databaseReplaced_) CountLeftAtTheStart(folder.sharesItsTag ? folder.viewName : folder.tag);
    return;
  }
  previewDateItem_ = "PostedDate";
  inDrafts_ = false;
  if (first) ExportDocuments(*state_.ViewObj, std::move(first), folder.outputFolder, false);
}

void ExportRun::ExportStandardFolder(const StandardFolder& folder) {
  if (!IsSelected(std::string(folder.tag))) return;
  if (Stopping()) {
    CountLeft(std::string(folder.view));
    state_.ReleaseDatabaseObjects();
    return;
  }
  const std::string outputFolder(folder.outputFolder);
  const std::string folderProblem =
      MakeOutputFolder(DeliveryFolder{true, std::string(folder.tag), outputFolder});
  observer_.FolderStarted(FolderStart{true, std::string(folder.tag), outputFolder});
  log_.WriteLine(folder.exportHeader);
  std::shared_ptr<Document> first;
  try {
    state_.DatabaseObj = OpenDatabase();
    // A mailbox without this folder's view has nothing in it, as the scan shows it with (0).
    state_.ViewObj = state_.DatabaseObj->GetView(folder.view);
    if (state_.ViewObj && !folderProblem.empty()) {
      if (!DestinationLost(folderProblem, state_.ViewObj.get()))
        FolderNotCreated(outputFolder, folderProblem, state_.ViewObj.get());
    } else if (state_.ViewObj) {
      first = state_.ViewObj->GetFirstDocument();
    }
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
    if (databaseReplaced_) CountLeftAtTheStart(std::string(folder.view));
  }
  previewDateItem_ = folder.previewDate;
  inDrafts_ = folder.tag == "Drafts";
  if (first)
    ExportDocuments(*state_.ViewObj, std::move(first), outputFolder, folder.writerTakesAttachmentList);
  state_.ReleaseDatabaseObjects();
}

std::string ExportRun::OpenManifest() {
  earlier_.emplace(root_.folder(), plan_.everythingAgain, log_, services_.destination);
  // A second run into the same place refuses at once rather than waiting: it could wait for hours
  // without showing why, and started again after the first, it adds only what is missing.
  if (earlier_->busy()) {
    return "Another export is writing into " + result_.outputRoot +
           " at this moment. Start this export again when that one has ended.";
  }
  if (earlier_->failed()) return earlier_->problem();
  return {};
}

void ExportRun::CheckManifest() {
  if (earlier_->failed() && result_.failure.empty()) {
    result_.failure = earlier_->problem();
    log_.WriteLine(std::string(kTab) + "Ended : " + result_.failure);
  }
}

bool ExportRun::Stopping() {
  if (!result_.failure.empty()) return true;
  if (!result_.stopped && observer_.StopRequested()) result_.stopped = true;
  return result_.stopped;
}

void ExportRun::CountEntriesAhead(const std::vector<UserFolder>& userFolders) {
  std::vector<std::string> viewNames;
  for (const UserFolder& folder : userFolders)
    viewNames.push_back(folder.sharesItsTag ? folder.viewName : folder.tag);
  for (const std::size_t index : notes::kExportOrder) {
    const auto& folder = notes::kStandardFolders[index];
    if (IsSelected(std::string(folder.tag))) viewNames.emplace_back(folder.view);
  }
  for (const std::string& name : viewNames) {
    try {
      entryCounts_[name] = EntryCountOrZero(state_.DatabaseObj->GetView(name).get());
    } catch (const std::exception&) {
      // counted when the folder is exported, or left out of the report of what was left
    }
  }
}

void ExportRun::CountLeftAtTheStart(const std::string& viewName) {
  if (const auto counted = entryCounts_.find(viewName); counted != entryCounts_.end())
    result_.left += counted->second;
}

void ExportRun::CountLeft(const std::string& viewName) {
  try {
    const auto database = OpenDatabase();
    const auto view = database->GetView(viewName);
    result_.left += EntryCountOrZero(view.get());
  } catch (const std::exception&) {
    CountLeftAtTheStart(viewName);  // replaced, say: the count read at the start stands for it
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
  earlier_->EnterFolder(folder);
  CheckManifest();
  std::int64_t skipped = 0;
  const auto reportSkipped = [&] {
    if (skipped == 0) return;
    log_.WriteLine(std::string(kTab) + "Skipped : " + Counted(skipped, "message") +
                   " written by an earlier export");
    result_.skipped += skipped;
  };
  // The view is walked to its last document, whatever it counts: a count below the entries would
  // otherwise leave documents out without a word. A count that disagrees is logged.
  std::int64_t handled = 0;
  bool walkedToTheEnd = false;
  for (;; ++handled) {
    if (Stopping()) {
      result_.left += std::max<std::int64_t>(*count - handled, 0);
      break;
    }
    const std::int64_t shown = std::max(*count, handled + 1);
    state_.DocumentObj = document;
    if (WrittenBefore(*document)) {
      ++skipped;
      observer_.DocumentHandled(DocumentProgress{folder, {}, handled + 1, shown, false, true});
    } else {
      ExportDocument(*document, handled, shown, folder, writerTakesAttachmentList);
    }
    try {
      document = view.GetNextDocument(document);
    } catch (const std::exception& error) {
      reportSkipped();
      FolderNotExported("the next document cannot be read: " + Reason(error));
      return;
    }
    if (!document) {
      walkedToTheEnd = true;
      ++handled;
      break;
    }
    count = entryCount();
    if (!count) break;
  }
  reportSkipped();
  if (walkedToTheEnd && handled != *count) {
    log_.WriteLine(std::string(kTab) + "Counted : " + folder + " holds " + Counted(handled, "document") +
                   ", its view counts " + std::to_string(*count));
  }
}

bool ExportRun::WrittenBefore(Document& document) {
  try {
    return earlier_->WrittenBefore(document.UniversalID());
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
  // The plain-text body changes the body alone: attachments and header fields are read all the same.
  ReadMessageBody(document, attachments_, fields_, plan_.plainText);
  // Files attached outside the body's rich text are listed like the embedded ones.
  const bool listsAttachments = fields_.hasEmbedded || !fields_.attachmentFiles.empty();

  std::string subject = Trim(fields_.subject);
  std::string attachmentCopy = listsAttachments ? Trim(fields_.AttachmentList) : std::string();
  std::string& attachmentArgument = writerTakesAttachmentList ? fields_.AttachmentList : attachmentCopy;
  WriteOutcome outcome;
  try {
    EmailItem item{Trim(fields_.from),
                   subject,
                   Trim(fields_.to),
                   fields_.CcList,
                   fields_.BccList,
                   Trim(fields_.date),
                   Trim(fields_.body),
                   attachmentArgument,
                   MessageOrigin{fields_.attachmentFiles, fields_.universalId, fields_.attachmentMediaTypes,
                                 fields_.attachments},
                   std::exchange(fields_.bodyParts, std::nullopt),
                   fields_.headers,
                   MessageMarks{!unread_.contains(fields_.universalId), inDrafts_, fields_.headers.keywords}};
    item.people = fields_.people;
    item.when = fields_.when;
    outcome = services_.writer.CreateEmailItem(result_.outputRoot, folder, item);
    attachmentArgument = outcome.attachments;
  } catch (const std::exception& error) {
    outcome.reason = Reason(error);
  }
  attachments_.RemoveFiles();
  ++result_.messages;

  const std::string tab(kTab);
  log_.WriteLine(tab + "Email Subject : SUBJECT[" + Trim(fields_.subject) + "]");
  if (listsAttachments) log_.WriteLine(tab + "Attachment : ATTACH[" + Trim(fields_.AttachmentList) + "]");
  if (!fields_.plainBodyReason.empty()) log_.WriteLine(tab + "Plain body : " + fields_.plainBodyReason);
  bool bodyInPart = false;  // a part of the body text, not an attachment, could not be read
  for (const auto& failure : fields_.extractionFailures) {
    log_.WriteLine(tab + "Not extracted : " + failure.name + " : " + failure.reason);
    if (failure.attachment) {
      ++result_.attachmentsNotExtracted;
    } else {
      bodyInPart = true;
    }
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
  for (const auto& fallback : outcome.fallbacks) log_.WriteLine(tab + "Fallback : " + fallback);
  if (!outcome.written) {
    log_.WriteLine(NotWrittenLine(folder, handled, count, outcome));
    ++result_.notWritten;
    if (outcome.destinationLost && result_.failure.empty()) {
      result_.failure = outcome.reason;
      log_.WriteLine(std::string(kTab) + "Ended : " + result_.failure);
    }
  } else {
    // An encrypted document written with what this ID can read is as whole as any later run could
    // write it: the log names what was not read.
    const bool itemsWhole = fields_.unreadableItems.empty() || encryptedInPart;
    const bool whole = outcome.problems.empty() && itemsWhole && fields_.extractionFailures.empty();
    if (!outcome.problems.empty() || !itemsWhole || bodyInPart) ++result_.incomplete;
    if (encryptedInPart) ++result_.encrypted;
    // A message without all its parts is recorded as such: the next run writes it again.
    earlier_->Written(fields_.universalId, outcome.path, whole, outcome.bytes);
    CheckManifest();
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

void ExportRun::KeepMimeWhole() {
  try {
    const bool before = state_.SessionObj->ConvertMIME();
    state_.SessionObj->SetConvertMIME(false);
    convertMimeBefore_ = before;
  } catch (const std::exception& error) {
    log_.WriteLine(std::string(kTab) + "Plain body : MIME bodies cannot be kept as MIME: " + Reason(error));
  }
}

void ExportRun::RestoreConvertMime() {
  if (!convertMimeBefore_) return;
  try {
    state_.SessionObj->SetConvertMIME(*convertMimeBefore_);
  } catch (const std::exception& error) {
    log_.WriteLine(
        std::string(kTab) +
        "Not complete : the session's ConvertMIME setting could not be restored: " + Reason(error));
  }
  convertMimeBefore_.reset();
}

ExportReport ExportRun::Fail(ExportEnd end, const std::string& reason) {
  if (earlier_) earlier_->Finish();
  if (services_.destination != nullptr) services_.destination->Close();
  RestoreConvertMime();
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
  earlier_->Finish();
  if (services_.destination != nullptr) services_.destination->Close();
  RestoreConvertMime();
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
  FailWritesPastTheFileSizeLimit();
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
  } else if (!report.failure.empty()) {
    lines.emplace_back("Migration Completed with Errors !");
    counts += ", " + std::to_string(report.left) + " left";
  } else if (report.Succeeded()) {
    lines.emplace_back("Migration Completed Successfully !");
  } else {
    lines.emplace_back("Migration Completed with Errors !");
  }
  lines.push_back(counts + ".");
  if (!report.failure.empty()) lines.push_back("The export was ended early: " + report.failure + ".");
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
  // A stop alone leaves nothing in the log to name but the count of what was left.
  const bool logNamesProblems = !report.failure.empty() || report.notWritten > 0 || report.incomplete > 0 ||
                                report.encrypted > 0 || report.attachmentsNotExtracted > 0 ||
                                report.foldersNotExported > 0;
  if (!report.logComplete) {
    lines.emplace_back("The export log could not be written.");
  } else if (!report.Succeeded() && logNamesProblems) {
    lines.push_back("The export log names each of them: " + report.logPath);
  } else if (!report.Succeeded()) {
    lines.push_back("The export log is " + report.logPath);
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
