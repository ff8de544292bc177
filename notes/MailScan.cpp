#include "notes/MailScan.h"

#include <array>
#include <exception>
#include <utility>

#include "common/TextRules.h"
#include "notes/FolderCatalogue.h"
#include "notes/FolderTree.h"
#include "notes/StepPolicy.h"

namespace mailshift::notes {
namespace {

using Views = std::vector<std::shared_ptr<View>>;

// The entry count of the view of that name. A folder that cannot be counted shows as empty.
std::int64_t CountEmails(Database& database, const std::string& viewName) {
  try {
    const auto view = database.GetView(viewName);
    if (!view) return 0;
    return view->AllEntriesCount();
  } catch (const std::exception&) {
    return 0;
  }
}

// The same with the database opened anew for the count.
std::int64_t CountEmails(Session& session, const std::string& databasePath, const std::string& viewName) {
  try {
    const auto database = session.GetDatabase("", databasePath);
    return database ? CountEmails(*database, viewName) : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

// The views of the database, or nothing (and why) when it holds no readable data.
std::optional<Views> ReadViews(const std::shared_ptr<Database>& database, std::string& reason,
                               bool& readElsewhere) {
  if (!database) {
    reason = "the database could not be opened";
    return std::nullopt;
  }
  try {
    return database->Views();
  } catch (const DatabaseReadElsewhere& error) {
    reason = error.what();
    readElsewhere = true;
    return std::nullopt;
  } catch (const NotesError& error) {
    reason = error.what();
    return std::nullopt;
  }
}

class ScanRun {
 public:
  ScanRun(const std::string& databasePath, ScanObserver& observer) : observer_(observer) {
    result_.databasePath = databasePath;
  }

  ScanResult Run(SessionFactory& sessions);

 private:
  // Reads the fixed nodes, the database and its title and views; false when the scan ends there.
  bool ReadDatabase(Views& views);
  std::vector<std::string> CollectFolderNames(const Views& views);
  void AddUserFolders(const std::vector<std::string>& folderNames);
  bool Stopping();
  ScanResult End(ScanEnd end);

  ScanObserver& observer_;
  ScanResult result_;
  // The database whose views were read; the user folders are counted in it.
  std::shared_ptr<Database> database_;
  StepPolicy policy_{StepPolicy::OnFailure::Skip};
};

ScanResult ScanRun::Run(SessionFactory& sessions) {
  observer_.PhaseStarted(ScanPhase::Reading);
  ObtainedSession obtained = ObtainSession(sessions);
  if (!obtained.session) {
    result_.failure = std::move(obtained.failure);
    return End(ScanEnd::NotInstalled);
  }
  result_.session = std::move(obtained.session);
  result_.origin = obtained.origin;

  // A session of the Domino class lets the scan step over every failure; one of the Notes class
  // takes a failure before the views are read as a sign of a broken client.
  policy_.SetOnFailure(obtained.origin == SessionOrigin::Domino ? StepPolicy::OnFailure::Skip
                                                                : StepPolicy::OnFailure::End);
  Views views;
  try {
    if (!ReadDatabase(views)) return End(ScanEnd::NoData);
  } catch (const std::exception& failure) {
    result_.failure = failure.what();
    return End(ScanEnd::NotInstalled);
  }

  policy_.SetOnFailure(StepPolicy::OnFailure::Skip);
  observer_.PhaseStarted(ScanPhase::UserFolders);
  std::vector<std::string> folderNames = CollectFolderNames(views);
  views.clear();
  if (Stopping()) return End(ScanEnd::Stopped);
  policy_.Run([&] { SortFolderNames(folderNames); });
  AddUserFolders(folderNames);
  return End(Stopping() ? ScanEnd::Stopped : ScanEnd::Completed);
}

bool ScanRun::ReadDatabase(Views& views) {
  observer_.PhaseStarted(ScanPhase::StandardFolders);
  // Counted before the database is opened for the scan, so that their nodes stand (with 0) also
  // when that fails.
  std::array<std::int64_t, kStandardFolders.size()> counts{};
  for (std::size_t index = 0; index < kStandardFolders.size(); ++index) {
    counts[index] =
        CountEmails(*result_.session, result_.databasePath, std::string(kStandardFolders[index].view));
  }
  AddFixedNodes(result_.nodes, counts);

  std::shared_ptr<Database> database;
  policy_.Run([&] {
    database = result_.session->GetDatabase("", result_.databasePath);
    if (!database) throw NotesError("the database could not be opened");
  });
  // A title that cannot be read stays empty.
  policy_.Run([&] {
    if (!database) throw NotesError("no database is open to read the title from");
    result_.title = database->Title();
  });

  std::optional<Views> read = ReadViews(database, result_.failure, result_.readElsewhere);
  if (!read) return false;
  views = std::move(*read);
  database_ = std::move(database);
  return true;
}

std::vector<std::string> ScanRun::CollectFolderNames(const Views& views) {
  std::vector<std::string> folderNames;
  folderNames.reserve(views.size());
  for (const auto& view : views) {
    if (Stopping()) break;
    policy_.Run([&] {
      if (!view) throw NotesError("the database listed an empty view");
      std::string name = view->Name();
      if (!IsUserFolderView(name, *view)) return;
      folderNames.push_back(std::move(name));
      observer_.FolderShown(folderNames.back());
    });
  }
  return folderNames;
}

void ScanRun::AddUserFolders(const std::vector<std::string>& folderNames) {
  UserFolderNodes nodes(result_.nodes);
  for (const std::string& name : folderNames) {
    if (Stopping()) return;
    const std::int64_t count = CountEmails(*database_, Trim(name));
    policy_.Run([&] {
      observer_.FolderShown(std::string(LastLevel(name)) + " (" + std::to_string(count) + " Emails)");
    });
    nodes.Add(name, count, policy_);
  }
}

bool ScanRun::Stopping() {
  if (result_.end != ScanEnd::Stopped && observer_.StopRequested()) result_.end = ScanEnd::Stopped;
  return result_.end == ScanEnd::Stopped;
}

ScanResult ScanRun::End(ScanEnd end) {
  result_.end = end;
  result_.skippedFailures = policy_.TakeSkipped();
  // Only a finished scan keeps its session for the preview.
  if (end != ScanEnd::Completed) result_.session.reset();
  // Taken after the client has read the database, which may write its own indexes into it.
  if (end == ScanEnd::Completed) result_.stamp = StampOfFile(result_.databasePath);
  return std::move(result_);
}

class NoScanObserver : public ScanObserver {};

}  // namespace

ScanResult Scan(SessionFactory& sessions, const std::string& databasePath, ScanObserver* observer) {
  NoScanObserver none;
  return ScanRun(databasePath, observer != nullptr ? *observer : none).Run(sessions);
}

}  // namespace mailshift::notes
