#include "notes/Scan.h"

#include <memory>
#include <optional>
#include <utility>

#include "common/Global.h"
#include "common/Messages.h"
#include "common/TextRules.h"
#include "notes/CountEmails.h"
#include "notes/FolderTree.h"
#include "notes/SessionOrigin.h"
#include "notes/StepPolicy.h"

namespace mailshift::notes {
namespace {

constexpr int kSelectFileTab = 1;
constexpr int kPreviewTab = 2;
constexpr int kExportButton = 4;

using Views = std::vector<std::shared_ptr<View>>;

void ShowNotInstalled(MainWindowControls& window) {
  window.Messages.Show(NotInstalledText(), std::string(kNotInstalledTitle), MessageIcon::Information,
                       MessageButtons::Ok);
}

// The views of the database, or nothing (and why) when it holds no readable data.
std::optional<Views> ReadViews(const std::shared_ptr<Database>& database, std::string& reason) {
  if (!database) {
    reason = "the database could not be opened";
    return std::nullopt;
  }
  try {
    return database->Views();
  } catch (const NotesError& error) {
    reason = error.what();
    return std::nullopt;
  }
}

// The names of the user folders in the order of the views: no hidden "(" views, folders only.
std::vector<std::string> CollectFolderNames(const Views& views, MainWindowControls& window,
                                            StepPolicy& policy) {
  std::vector<std::string> folderNames;
  folderNames.reserve(views.size());
  for (const auto& view : views) {
    policy.Run([&] {
      if (!view) throw NotesError("the database listed an empty view");
      std::string name = view->Name();
      if (name.empty() || name.front() == '(' || !view->isfolder()) return;
      folderNames.push_back(std::move(name));
      window.LblFolderName.SetCaption(folderNames.back());
    });
  }
  return folderNames;
}

void AddUserFolders(const std::vector<std::string>& folderNames, MainWindowControls& window,
                    NotesState& notes, StepPolicy& policy) {
  UserFolderNodes nodes(window.ContactsTreeView);
  for (const std::string& name : folderNames) {
    const std::int64_t count = CountEmails(Trim(name), window, notes);
    policy.Run([&] {
      window.LblFolderName.SetCaption(std::string(LastLevel(name)) + " (" + std::to_string(count) +
                                      " Emails)");
    });
    nodes.Add(name, count, policy);
  }
}

void CheckEveryNode(TreeControl& tree, StepPolicy& policy) {
  int count = 0;
  policy.Run([&] { count = tree.NodeCount(); });
  for (int position = 1; position <= count; ++position) {
    policy.Run([&] { tree.SetCheckState(position, 1); });
  }
  policy.Run([&] { tree.FinishUpdate(); });
}

}  // namespace

ScanOutcome CmdScan_Click(MainWindowControls& window, SessionFactory& sessions, NotesState& notes,
                          ProgramValues& values) {
  ScanOutcome outcome;
  if (window.NotesTab.SelectedTab() != kSelectFileTab) return outcome;

  if (window.txtNotesDatabaseFile.Caption().empty()) {
    window.Messages.Show("Please select a Notes database and click Start Scan to proceed.",
                         "Select Notes Database", MessageIcon::Information, MessageButtons::Ok);
    window.NotesTab.SelectTab(kSelectFileTab);
    window.CmdBrowse.SetEnabled(true);
    outcome.end = ScanEnd::NoDatabaseChosen;
    return outcome;
  }

  window.ImgReadingArrow.SetVisible(true);
  window.ImgMailFolderArrow.SetVisible(true);
  window.LblFolderName.SetCaption("");
  window.ScanFrame.SetVisible(true);
  window.Wait.Pause(10);

  notes.SessionObj.reset();
  ObtainedSession obtained = ObtainSession(sessions);
  if (!obtained.session) {
    ShowNotInstalled(window);
    outcome.end = ScanEnd::NotInstalled;
    return outcome;
  }
  notes.SessionObj = std::move(obtained.session);

  // A session of the Domino class lets the scan step over every failure; one of the Notes class
  // takes a failure before the views are read as a sign of a broken client.
  StepPolicy policy(obtained.origin == SessionOrigin::Domino ? StepPolicy::OnFailure::Skip
                                                             : StepPolicy::OnFailure::End);
  std::optional<Views> views;
  try {
    EmailTreeFill(window, notes, values, policy);

    notes.DatabaseObj.reset();
    policy.Run([&] {
      notes.DatabaseObj = notes.SessionObj->GetDatabase("", window.txtNotesDatabaseFile.Caption());
      if (!notes.DatabaseObj) throw NotesError("the database could not be opened");
    });

    // A title that cannot be read stays empty rather than the previous database's.
    values.DatabaseTitle.clear();
    policy.Run([&] {
      if (!notes.DatabaseObj) throw NotesError("no database is open to read the title from");
      values.DatabaseTitle = notes.DatabaseObj->Title();
    });

    views = ReadViews(notes.DatabaseObj, outcome.noDataReason);
    if (!views) {
      policy.Run([&] {
        window.Messages.Show("No Data Found in NSF file or NSF file is encrypted", "", MessageIcon::None,
                             MessageButtons::Ok);
      });
      policy.Run([&] { window.ScanFrame.SetVisible(false); });
      notes.SessionObj.reset();
      outcome.end = ScanEnd::NoData;
      outcome.skippedFailures = policy.TakeSkipped();
      return outcome;
    }
  } catch (const std::exception&) {
    ShowNotInstalled(window);
    outcome.end = ScanEnd::NotInstalled;
    outcome.skippedFailures = policy.TakeSkipped();
    return outcome;
  }

  policy.SetOnFailure(StepPolicy::OnFailure::Skip);
  std::vector<std::string> folderNames = CollectFolderNames(*views, window, policy);
  if (!folderNames.empty()) {
    policy.Run([&] {
      QuickSort(folderNames, 0, static_cast<std::ptrdiff_t>(folderNames.size()) - 1);
      RemoveDuplicates(folderNames);
    });
  }
  AddUserFolders(folderNames, window, notes, policy);
  CheckEveryNode(window.ContactsTreeView, policy);

  policy.Run([&] {
    window.Messages.Show("Notes Database Scan Completed Successfully", "Scan Completed...",
                         MessageIcon::Information, MessageButtons::Ok);
  });
  policy.Run([&] { window.NotesToolBar.SetButtonEnabled(kExportButton, true); });
  policy.Run([&] { window.NotesTab.SetTabEnabled(kPreviewTab, true); });
  policy.Run([&] { window.NotesTab.SelectTab(kPreviewTab); });

  outcome.end = ScanEnd::Completed;
  outcome.skippedFailures = policy.TakeSkipped();
  return outcome;
}

}  // namespace mailshift::notes
