#include "export/ExportDriver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/Global.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "export/AttachmentFolder.h"
#include "export/Destination.h"
#include "export/EarlierExports.h"
#include "export/FieldExtraction.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

using notes::Database;
using notes::Document;
using notes::View;

constexpr std::string_view kTab = "\t";
constexpr std::string_view kCustomFoldersHeader = "Saving Emails (Custom Folders)...";
constexpr std::string_view kSeparatorLine = "---------------- Starting User Folders ---------------";

struct StandardFolder {
  std::string_view selectionWord;
  std::string_view viewName;
  std::string_view outputFolder;
  std::string_view header;
  // The writer gets the run's own attachment list, whose leading "|" it removes before the log
  // line shows the list.
  bool writerTakesAttachmentList;
};

// Follow Up and Junk Mail carry check boxes and counts like the others, so a checked one is
// exported like the others too.
constexpr std::array<StandardFolder, 6> kStandardFolders{{
    {"Inbox", "($Inbox)", "Inbox", "Saving Emails (Inbox)...", false},
    {"Sent", "($Sent)", "Sent Items", "Saving Emails (Sent Items)...", true},
    {"Drafts", "($Drafts)", "Drafts", "Saving Emails (Drafts)...", true},
    {"Follow-Up", "($Follow-Up)", "Follow Up", "Saving Emails (Follow Up)...", false},
    {"JunkMail", "($JunkMail)", "Junk Mail", "Saving Emails (Junk Mail)...", false},
    {"Trash", "($Trash)", "Deleted Items", "Saving Emails (Deleted Items)...", false},
}};

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

std::string Reason(const std::exception& error) {
  const std::string what = error.what();
  return what.empty() ? "unknown error" : what;
}

// Puts the shared Notes objects back at every end of the run: what the run opened is released,
// and the session the scan left there is there again for the preview.
class NotesObjectsRestorer {
 public:
  explicit NotesObjectsRestorer(notes::NotesState& state)
      : state_(state), previousSession_(state.SessionObj) {}
  ~NotesObjectsRestorer() {
    state_.ReleaseDatabaseObjects();
    state_.SessionObj = previousSession_;
  }
  NotesObjectsRestorer(const NotesObjectsRestorer&) = delete;
  NotesObjectsRestorer& operator=(const NotesObjectsRestorer&) = delete;

 private:
  notes::NotesState& state_;
  std::shared_ptr<notes::Session> previousSession_;
};

class ExportRun {
 public:
  explicit ExportRun(const ExportSetup& setup)
      : setup_(setup),
        state_(setup.notes),
        observer_(setup.observer),
        log_(setup.logPath, setup.databasePath()),
        selected_(setup.values.SelectedFolders.begin(), setup.values.SelectedFolders.end()) {}

  ExportResult Run();

 private:
  void SetLabel(ExportLabel label, const std::string& text) { observer_.SetLabel(label, text); }
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
  std::string NotWrittenLine(const std::string& folder, std::int64_t handled, std::int64_t count,
                             const WriteOutcome& outcome) const;
  ExportResult Fail(ExportEnd end, const std::string& reason);
  ExportResult Complete();
  std::string CompletionText() const;

  const ExportSetup& setup_;
  notes::NotesState& state_;
  ExportObserver& observer_;
  NotesObjectsRestorer restorer_{setup_.notes};
  ExportLog log_;
  // SelectedFolders, for looking a tag up among many folders.
  const std::unordered_set<std::string> selected_;
  AttachmentFolder attachments_;
  HeldRoot root_;
  std::string databaseIdentity_;  // of the database file the run opened first
  std::optional<EarlierExports> earlier_;
  MessageFields fields_;
  ExportResult result_;
};

std::int64_t EntryCountOrZero(View* view) {
  try {
    return view == nullptr ? 0 : view->AllEntriesCount();
  } catch (const std::exception&) {
    return 0;  // the count only adds to a report of what was not written
  }
}

ExportResult ExportRun::Run() {
  SetLabel(ExportLabel::LblSaveHeader, "Checking Configuration...");
  SetLabel(ExportLabel::LblProcessing, "Processing...");
  SetLabel(ExportLabel::LblFound, "");
  SetLabel(ExportLabel::LblCurrent, "");
  observer_.SetSubjectVisible(false);

  const notes::ObtainedSession obtained = notes::ObtainSession(setup_.notesClient);
  if (!obtained.session) return Fail(ExportEnd::NotesNotInstalled, obtained.failure);
  state_.SessionObj = obtained.session;
  if (obtained.origin == notes::SessionOrigin::Notes) log_.WriteLine("Lotus Notes Found");

  observer_.SetSubjectVisible(true);
  if (const std::string problem = BuildOutputRoot(); !problem.empty()) {
    return Fail(ExportEnd::DestinationError, problem);
  }
  if (const std::string problem = OpenManifest(); !problem.empty()) {
    return Fail(ExportEnd::DestinationError, problem);
  }

  try {
    state_.DatabaseObj = OpenDatabase();
  } catch (const std::exception& error) {
    return Fail(ExportEnd::ConversionError, Reason(error));
  }
  SetLabel(ExportLabel::LblSaveHeader, std::string(kCustomFoldersHeader));
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
  for (const auto& folder : kStandardFolders) ExportStandardFolder(folder);
  return Complete();
}

bool ExportRun::IsSelected(const std::string& tag) const { return !tag.empty() && selected_.count(tag) != 0; }

std::string ExportRun::BuildOutputRoot() {
  // The destination is taken as chosen: a folder named "sp " is not the folder "sp".
  const std::string& destination = setup_.values.DestinationRoot;
  if (const std::string problem = DestinationProblem(destination); !problem.empty()) {
    result_.outputRoot = destination;
    return problem;
  }
  result_.outputRoot = OutputRootOf(destination, setup_.values.DatabaseTitle);
  const std::string root = result_.outputRoot.substr(0, result_.outputRoot.size() - 1);
  if (const std::string problem = MakeFolderNoFollow(root); !problem.empty()) return root + ": " + problem;
  if (const int error = root_.Hold(result_.outputRoot)) return root + ": " + std::strerror(error);
  log_.FallBackTo(result_.outputRoot);
  return {};
}

std::shared_ptr<Database> ExportRun::OpenDatabase() {
  const std::string path = setup_.databasePath();
  // One run reads one database: one replaced under its name (a rebuild renamed over it) ends the
  // run rather than mixing the two in one export.
  if (const std::string identity = FileIdentity(path); !identity.empty()) {
    if (databaseIdentity_.empty()) databaseIdentity_ = identity;
    if (identity != databaseIdentity_) {
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
      if (name.empty() || name.front() == '(' || !view->isfolder()) continue;
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
  SetLabel(ExportLabel::LblSaveHeader, std::string(kCustomFoldersHeader) + " [" + folder.shownName + "]");
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
    if (!folder.folderProblem.empty()) {
      FolderNotCreated(folder.outputFolder, folder.folderProblem, state_.ViewObj.get());
      return;
    }
    first = state_.ViewObj->GetFirstDocument();
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
    return;
  }
  if (first) ExportDocuments(*state_.ViewObj, std::move(first), folder.outputFolder, false);
}

void ExportRun::ExportStandardFolder(const StandardFolder& folder) {
  if (!IsSelected(std::string(folder.selectionWord))) return;
  if (Stopping()) {
    CountLeft(std::string(folder.viewName));
    state_.ReleaseDatabaseObjects();
    return;
  }
  const std::string outputFolder(folder.outputFolder);
  const std::string folderProblem = MakeFolderNoFollow(result_.outputRoot + outputFolder);
  SetLabel(ExportLabel::LblSaveHeader, std::string(folder.header));
  log_.WriteLine(folder.header);
  std::shared_ptr<Document> first;
  try {
    state_.DatabaseObj = OpenDatabase();
    // A mailbox without this folder's view has nothing in it, as the scan shows it with (0).
    state_.ViewObj = state_.DatabaseObj->GetView(folder.viewName);
    if (state_.ViewObj && !folderProblem.empty()) {
      FolderNotCreated(outputFolder, folderProblem, state_.ViewObj.get());
    } else if (state_.ViewObj) {
      first = state_.ViewObj->GetFirstDocument();
    }
  } catch (const std::exception& error) {
    FolderNotExported(Reason(error));
  }
  if (first)
    ExportDocuments(*state_.ViewObj, std::move(first), outputFolder, folder.writerTakesAttachmentList);
  state_.ReleaseDatabaseObjects();
}

std::string ExportRun::OpenManifest() {
  earlier_.emplace(root_.folder(), setup_.values.ExportEverythingAgain, log_);
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
  SetLabel(ExportLabel::LblFound, std::to_string(*count));
  earlier_->EnterFolder(folder);
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
      SetLabel(ExportLabel::LblCurrent, std::to_string(handled) + "/" + std::to_string(shown));
      observer_.DocumentHandled(ExportProgress{folder, handled + 1, shown, false, true});
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
  SetLabel(ExportLabel::LblProcessing, fields_.subject);
  SetLabel(ExportLabel::LblCurrent, std::to_string(handled) + "/" + std::to_string(count));
  ReadMessageFields(document, attachments_, fields_);

  std::string subject = Trim(fields_.subject);
  std::string attachmentCopy = fields_.hasEmbedded ? Trim(fields_.AttachmentList) : std::string();
  std::string& attachmentArgument = writerTakesAttachmentList ? fields_.AttachmentList : attachmentCopy;
  WriteOutcome outcome;
  try {
    outcome = setup_.writer.CreateEmailItem(result_.outputRoot, folder, Trim(fields_.from), subject,
                                            Trim(fields_.to), fields_.CcList, fields_.BccList,
                                            Trim(fields_.date), Trim(fields_.body), attachmentArgument,
                                            MessageOrigin{fields_.attachmentFiles, fields_.universalId});
  } catch (const std::exception& error) {
    outcome = WriteOutcome{false, {}, Reason(error), {}};
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
  for (const auto& item : fields_.unreadableItems) {
    log_.WriteLine(tab + "Not complete : the item " + item);
  }
  for (const auto& problem : outcome.problems) log_.WriteLine(tab + "Not complete : " + problem);
  if (!outcome.written) {
    log_.WriteLine(NotWrittenLine(folder, handled, count, outcome));
    ++result_.notWritten;
  } else {
    const bool whole =
        outcome.problems.empty() && fields_.unreadableItems.empty() && fields_.extractionFailures.empty();
    if (!outcome.problems.empty() || !fields_.unreadableItems.empty()) ++result_.incomplete;
    // A message without all its parts is recorded as such: the next run writes it again.
    earlier_->Written(fields_.universalId, outcome.path, whole);
    CheckManifest();
  }
  observer_.DocumentHandled(ExportProgress{folder, handled + 1, count, outcome.written});
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

ExportResult ExportRun::Fail(ExportEnd end, const std::string& reason) {
  if (earlier_) earlier_->Finish();
  log_.Close();
  result_.end = end;
  result_.failure = reason;
  result_.logPath = log_.path();
  result_.logComplete = log_.complete();
  if (end == ExportEnd::NotesNotInstalled) {
    observer_.ShowMessage(ExportMessage{NotInstalledText(), std::string(kNotInstalledTitle)});
  } else if (end == ExportEnd::DestinationError) {
    observer_.ShowMessage(ExportMessage{DestinationMessage(setup_.values.DestinationRoot, reason),
                                        std::string(kConversionErrorTitle), MessageIcon::Exclamation});
  } else {
    observer_.ShowMessage(
        ExportMessage{"Error occured during conversion...", std::string(kConversionErrorTitle)});
  }
  return result_;
}

ExportResult ExportRun::Complete() {
  state_.ReleaseDatabaseObjects();
  earlier_->Finish();
  if (result_.stopped) {
    log_.WriteLine("Stopped : the export was stopped before its end; " + Counted(result_.left, "message") +
                   " left");
  } else {
    log_.WriteLine("Done");
  }
  log_.Close();
  result_.end = ExportEnd::Completed;
  result_.logPath = log_.path();
  result_.logComplete = log_.complete();
  const MessageIcon icon = result_.Succeeded() ? MessageIcon::Information : MessageIcon::Exclamation;
  observer_.ShowMessage(ExportMessage{CompletionText(), std::string(kCompletionTitle), icon});
  return result_;
}

std::string ExportRun::CompletionText() const {
  std::vector<std::string> lines;
  std::string counts = Counted(result_.written(), "message") + " written, " +
                       std::to_string(result_.notWritten) + " not written";
  if (result_.skipped > 0) counts += ", " + std::to_string(result_.skipped) + " written before";
  if (result_.stopped) {
    lines.emplace_back("Migration Stopped !");
    counts += ", " + std::to_string(result_.left) + " left";
  } else if (!result_.failure.empty()) {
    lines.emplace_back("Migration Completed with Errors !");
    counts += ", " + std::to_string(result_.left) + " left";
  } else if (result_.Succeeded()) {
    lines.emplace_back("Migration Completed Successfully !");
  } else {
    lines.emplace_back("Migration Completed with Errors !");
  }
  lines.push_back(counts + ".");
  if (!result_.failure.empty()) lines.push_back("The export was ended early: " + result_.failure + ".");
  if (result_.incomplete > 0) {
    lines.push_back(std::to_string(result_.incomplete) + " of " + Counted(result_.messages, "message") +
                    " could be written only in part.");
  }
  if (result_.attachmentsNotExtracted > 0) {
    lines.push_back(Counted(result_.attachmentsNotExtracted, "attachment") + " could not be extracted.");
  }
  if (result_.foldersNotExported > 0) {
    lines.push_back(Counted(result_.foldersNotExported, "folder") + " could not be read completely.");
  }
  if (!result_.logComplete) {
    lines.emplace_back("The export log could not be written.");
  } else if (!result_.Succeeded()) {
    lines.push_back("The export log names each of them: " + result_.logPath);
  } else if (!log_.refusal().empty()) {
    lines.push_back("The export log is " + result_.logPath + " (" + log_.refusal() + ").");
  }
  lines.push_back(result_.outputRoot);
  lines.push_back(setup_.values.DatabaseTitle);
  return Join(lines, "\r\n");
}

}  // namespace

ExportResult RunExport(const ExportSetup& setup) { return ExportRun(setup).Run(); }

}  // namespace mailshift::mail
