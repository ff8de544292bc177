// The main window's commands, their enabling, the scan panel and the check boxes, against a
// recording window and a scripted mail core.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "PresenterFakes.h"
#include "common/Messages.h"
#include "export/Destination.h"
#include "export/ExportManifest.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/MainPresenter.h"

namespace mailshift::shell::testing {
namespace {

using notes::CheckShown;

constexpr const char* kDatabase = "/mail/jdoe.nsf";

struct MainWindow {
  explicit MainWindow(MainSettings settings = {}) : presenter(view.Views(), core, help, std::move(settings)) {
    presenter.Form_Load();
  }
  // Browse answered with the database and a completed scan of it.
  void BrowseAndScan() {
    core.scanResult = ScannedMailbox();
    view.databaseAnswers.push_back(kDatabase);
    presenter.CmdBrowse_Click();
    presenter.CmdScan_Click();
  }

  FakeMainView view;
  FakeMailCore core;
  FakeHelpDesk help;
  MainPresenter presenter;
};

TEST(MainPresenter, ChoosingAFileEnablesScanAndCancellingClearsEverything) {
  MainWindow window;
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[]\nbrowse=1 scan=0 export=0\npanel=0 arrows=000\ntree nodes=0");

  window.view.databaseAnswers = {kDatabase, ""};
  window.presenter.CmdBrowse_Click();
  EXPECT_EQ(window.view.filters, (std::vector<std::string>{"Notes Database (*.nsf)|*.nsf"}));
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[/mail/jdoe.nsf]\nbrowse=1 scan=1 export=0\npanel=0 arrows=000\n"
            "tree nodes=0");
  EXPECT_TRUE(window.presenter.IsEnabled(Command::Scan));

  // A scan shows the panel; a cancelled dialog then empties the path box and everything the scan
  // showed.
  window.core.scanResult = ScannedMailbox();
  window.view.selectedTab = MainTab::SelectFile;
  window.presenter.CmdScan_Click();
  EXPECT_TRUE(window.view.scanPanel);
  window.view.selectedTab = MainTab::SelectFile;
  window.presenter.CmdBrowse_Click();
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[]\nbrowse=1 scan=0 export=0\npanel=0 arrows=000\ntree nodes=0");
  EXPECT_FALSE(window.presenter.IsEnabled(Command::Scan));
  EXPECT_TRUE(window.view.messages.shown.size() == 1);
}

TEST(MainPresenter, EveryButtonMenuEntryAndToolbarButtonRunsItsCommand) {
  MainWindow window;
  window.view.databaseAnswers = {kDatabase, kDatabase};
  window.presenter.NotesToolBar_ButtonClick(1);
  window.presenter.mnuOpen_Click(0);
  window.presenter.mnuOpen_Click(1);  // there is no such entry
  EXPECT_EQ(window.view.filters.size(), 2u);

  // The separators and indexes outside the toolbar do nothing.
  for (int index : {0, 3, 5, 7}) window.presenter.NotesToolBar_ButtonClick(index);
  EXPECT_TRUE(window.view.messages.shown.empty());
  EXPECT_TRUE(window.core.scannedPaths.empty());

  window.core.scanResult = ScannedMailbox();
  window.presenter.NotesToolBar_ButtonClick(2);
  EXPECT_EQ(window.core.scannedPaths, (std::vector<std::string>{kDatabase}));

  window.view.destinationAnswers = {"/out"};
  window.presenter.NotesToolBar_ButtonClick(4);
  EXPECT_EQ(window.view.destinationTitles, (std::vector<std::string>{"Select Path to Save PST File"}));
  EXPECT_EQ(window.view.exportPlans.size(), 1u);

  window.presenter.NotesToolBar_ButtonClick(6);
  window.presenter.Run(Command::Help);
  EXPECT_EQ(window.view.messages.shown.size(), 3u);  // the scan's, and one per help without a file

  window.presenter.Run(Command::About);
  EXPECT_EQ(window.view.aboutShown, 1);

  // The table: each toolbar button and menu entry names the command of its window button.
  EXPECT_EQ(kToolbar[0].command, kButtons[0].command);
  EXPECT_EQ(kToolbar[1].command, kButtons[1].command);
  EXPECT_EQ(kToolbar[3].command, kButtons[2].command);
  EXPECT_EQ(kMenus[0].command, Command::Browse);
  EXPECT_TRUE(kMenus[0].ctrlO);
}

TEST(MainPresenter, AScanShowsItsPhasesFillsAndChecksTheTreeAndOpensThePreview) {
  MainWindow window;
  window.BrowseAndScan();
  EXPECT_EQ(window.core.scannedPaths, (std::vector<std::string>{kDatabase}));
  // Emptied when the file is chosen and again when the scan starts.
  EXPECT_EQ(window.view.folderNames,
            (std::vector<std::string>{"", "", "Projects (1 Emails)", "2008 (1 Emails)"}));
  EXPECT_EQ(window.view.pauses, (std::vector<int>{10, 10}));
  EXPECT_EQ(window.view.Describe(),
            "tab=2 preview tab=1\npath=[/mail/jdoe.nsf]\nbrowse=1 scan=1 export=1\npanel=1 arrows=111\n"
            "tree nodes=10");
  EXPECT_EQ(window.view.treeTexts[1], "Inbox (1)");
  EXPECT_EQ(window.view.checks, std::vector<CheckShown>(10, CheckShown::Checked));
  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text, "Notes Database Scan Completed Successfully");
  EXPECT_EQ(window.view.messages.shown[0].title, "Scan Completed...");
  EXPECT_EQ(window.view.messages.shown[0].icon, MessageIcon::Information);

  // On the preview tab the command does nothing.
  window.presenter.CmdScan_Click();
  EXPECT_EQ(window.core.scannedPaths.size(), 1u);

  // A new file takes away the preview, the tree, the list, the scan panel and Export until it is
  // scanned.
  window.view.rows = {{"Ann Lee", "Hello", "1 KB", "01/02/2008 10:00:00"}};
  window.view.databaseAnswers = {"/mail/other.nsf"};
  window.view.selectedTab = MainTab::SelectFile;
  window.presenter.CmdBrowse_Click();
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[/mail/other.nsf]\nbrowse=1 scan=1 export=0\npanel=0 arrows=000\n"
            "tree nodes=0");
  EXPECT_TRUE(window.view.rows.empty());
  EXPECT_EQ(window.view.folderNames.back(), "");
  EXPECT_FALSE(window.presenter.LastScan().has_value());
}

TEST(MainPresenter, AScanWithoutAFileAClientOrDataSaysSo) {
  MainWindow window;
  window.presenter.CmdScan_Click();
  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text,
            "Please select a Notes database and click Start Scan to proceed.");
  EXPECT_EQ(window.view.messages.shown[0].title, "Select Notes Database");
  EXPECT_TRUE(window.core.scannedPaths.empty());
  EXPECT_EQ(window.view.selectedTab, MainTab::SelectFile);
  EXPECT_TRUE(window.presenter.IsEnabled(Command::Browse));

  // No Notes session: the not-installed message, and the tree is not touched.
  window.view.databaseAnswers = {kDatabase};
  window.presenter.CmdBrowse_Click();
  window.core.scanResult = notes::ScanResult{};
  window.core.scanResult.failure = "no Notes class is registered";
  window.presenter.CmdScan_Click();
  EXPECT_EQ(window.view.messages.shown.back().text,
            NotInstalledText() + "\r\n(no Notes class is registered)");
  EXPECT_EQ(window.view.messages.shown.back().title, "Notes Not Installed/Configured");
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::Information);
  EXPECT_TRUE(window.view.treeTexts.empty());
  // The panel shows the step that failed as failed, and none after it as reached.
  EXPECT_TRUE(window.view.scanPanel);
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[/mail/jdoe.nsf]\nbrowse=1 scan=1 export=0\npanel=1 arrows=100\n"
            "tree nodes=0");
  EXPECT_EQ(window.view.phaseCaptions[ScanArrow::Reading], "Reading Lotus Notes Mailbox... Failed");
  EXPECT_EQ(window.view.phaseCaptions[ScanArrow::Emails], "Scanning Mails...");

  // A session that fails before the views: the not-installed message over the tree read so far.
  window.core.scanResult = ScannedMailbox(notes::ScanEnd::NotInstalled);
  window.core.lastPhase = notes::ScanPhase::StandardFolders;
  window.presenter.CmdScan_Click();
  EXPECT_EQ(window.view.messages.shown.back().text, NotInstalledText());
  EXPECT_EQ(window.view.treeTexts.size(), 10u);
  EXPECT_TRUE(window.view.scanPanel);
  EXPECT_FALSE(window.presenter.IsEnabled(Command::Export));
  EXPECT_EQ(window.view.phaseCaptions[ScanArrow::Reading], "Reading Lotus Notes Mailbox...");
  EXPECT_EQ(window.view.phaseCaptions[ScanArrow::Emails], "Scanning Mails... Failed");

  // No data: the fixed folders stay unchecked, the reader's reason is said, nothing opens and
  // nothing can be exported.
  window.core.scanResult = ScannedMailbox(notes::ScanEnd::NoData);
  window.core.scanResult.failure = "not a mail store";
  window.presenter.CmdScan_Click();
  EXPECT_EQ(window.view.messages.shown.back().text,
            "No Data Found in NSF file or NSF file is encrypted\r\n(not a mail store)");
  EXPECT_EQ(window.view.messages.shown.back().title, "");
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::None);
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[/mail/jdoe.nsf]\nbrowse=1 scan=1 export=0\npanel=1 arrows=110\n"
            "tree nodes=10");
  EXPECT_EQ(window.view.checks, std::vector<CheckShown>(10, CheckShown::Unchecked));
  window.view.messages.shown.clear();
  window.presenter.CmdStartConversion_Click();
  EXPECT_EQ(window.view.messages.shown.back().text,
            "Please select a Notes database and click Start Scan to proceed.");
  EXPECT_TRUE(window.view.destinationTitles.empty());

  // A database this system does not read is named for what it is, not guessed to be encrypted.
  window.core.scanResult = ScannedMailbox(notes::ScanEnd::NoData);
  window.core.scanResult.failure = "/mail/jdoe.nsf: this is a Notes database; read it on Windows";
  window.core.scanResult.readElsewhere = true;
  window.presenter.CmdScan_Click();
  EXPECT_EQ(window.view.messages.shown.back().text,
            "/mail/jdoe.nsf: this is a Notes database; read it on Windows");
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::Information);
  EXPECT_FALSE(window.presenter.IsEnabled(Command::Export));
}

TEST(MainPresenter, ClickingAFolderListsItsMessages) {
  MainWindow window;
  window.BrowseAndScan();
  window.core.previewRows = {{"Ann Lee", "Hello", "1 KB", "01/02/2008 10:00:00"}};

  window.presenter.ContactsTreeView_Click();  // no node selected
  EXPECT_TRUE(window.core.previewedTags.empty());

  window.view.selectedNode = 1;
  window.presenter.ContactsTreeView_Click();
  window.view.selectedNode = 9;
  window.presenter.ContactsTreeView_Click();
  EXPECT_EQ(window.core.previewedTags, (std::vector<std::string>{"Inbox", "Projects\\2008"}));
  ASSERT_EQ(window.view.rows.size(), 1u);
  EXPECT_EQ(window.view.rows[0].subject, "Hello");
  EXPECT_EQ(window.view.doEvents, 2);

  // What the client wrote into the file as it read the folders is not taken for a change of it.
  EXPECT_FALSE(window.presenter.LastScan()->stamp.has_value());
  window.core.scanResult.stamp = FileStamp{100, 1, 2, 3};
  window.view.selectedTab = MainTab::SelectFile;
  window.presenter.CmdScan_Click();
  window.core.stampNow = FileStamp{120, 5, 2, 3};
  window.presenter.ContactsTreeView_Click();
  EXPECT_EQ(window.presenter.LastScan()->stamp, window.core.stampNow);
}

TEST(MainPresenter, ABoxTakesItsBranchAndAPartlyCheckedBoxChecksTheWholeBranch) {
  MainWindow window;
  window.BrowseAndScan();
  // Unchecking Projects unchecks its subfolder; the root and "Folders" show partly checked.
  window.presenter.ContactsTreeView_NodeCheck(8);
  EXPECT_EQ(window.view.checks[8], CheckShown::Unchecked);
  EXPECT_EQ(window.view.checks[9], CheckShown::Unchecked);
  EXPECT_EQ(window.view.checks[7], CheckShown::Partly);
  EXPECT_EQ(window.view.checks[0], CheckShown::Partly);
  EXPECT_EQ(window.view.checks[1], CheckShown::Checked);
  EXPECT_EQ(
      window.presenter.Checks()->CheckedTags(),
      (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash", "Folders"}));

  // A click on the partly-checked root checks everything again.
  window.presenter.ContactsTreeView_NodeCheck(0);
  EXPECT_EQ(window.view.checks, std::vector<CheckShown>(10, CheckShown::Checked));
  // A parent whose one subfolder is unchecked still exports its own messages.
  window.presenter.ContactsTreeView_NodeCheck(9);
  EXPECT_EQ(window.view.checks[8], CheckShown::Partly);
  const std::vector<std::string> tags = window.presenter.Checks()->CheckedTags();
  EXPECT_NE(std::find(tags.begin(), tags.end(), "Projects"), tags.end());
  EXPECT_EQ(std::find(tags.begin(), tags.end(), "Projects\\2008"), tags.end());

  // The partly-checked root checks everything, and a click on the checked root unchecks it all.
  window.presenter.ContactsTreeView_NodeCheck(0);
  window.presenter.ContactsTreeView_NodeCheck(0);
  EXPECT_EQ(window.view.checks, std::vector<CheckShown>(10, CheckShown::Unchecked));
  window.presenter.CmdStartConversion_Click();
  EXPECT_EQ(window.view.messages.shown.back().text, "Please Select Folders to Export");
}

TEST(MainPresenter, ExportTakesTheCheckedFoldersAndTheChosenDestination) {
  MainWindow window(MainSettings{"/logs/Log.txt", "", nullptr});
  // Before a scan there is nothing to export.
  window.presenter.CmdStartConversion_Click();
  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text,
            "Please select a Notes database and click Start Scan to proceed.");
  EXPECT_EQ(window.view.messages.shown[0].title, "Select Notes Database");
  EXPECT_TRUE(window.view.destinationTitles.empty());

  window.BrowseAndScan();
  window.presenter.ContactsTreeView_NodeCheck(2);  // Drafts

  // The folder dialog cancelled: nothing opens.
  window.presenter.CmdStartConversion_Click();
  EXPECT_TRUE(window.view.exportPlans.empty());

  // A destination that cannot be written is refused before the window opens.
  window.core.destinationProblems["/readonly"] = "permission denied";
  window.view.destinationAnswers = {"/readonly"};
  window.presenter.CmdStartConversion_Click();
  EXPECT_EQ(window.view.messages.shown.back().text, "/readonly cannot be written: permission denied");
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::Exclamation);
  EXPECT_TRUE(window.view.exportPlans.empty());

  window.view.destinationAnswers = {"/out"};
  window.presenter.CmdStartConversion_Click();
  ASSERT_EQ(window.view.exportPlans.size(), 1u);
  const mail::ExportPlan& plan = window.view.exportPlans[0];
  EXPECT_EQ(plan.databasePath, kDatabase);
  EXPECT_EQ(plan.title, "John Doe Mail");
  EXPECT_EQ(plan.destination, "/out");
  EXPECT_EQ(plan.logPath, "/logs/Log.txt");
  EXPECT_FALSE(plan.everythingAgain);
  EXPECT_EQ(plan.folders, (std::vector<std::string>{"Inbox", "Sent", "Follow-Up", "JunkMail", "Trash",
                                                    "Folders", "Projects", "Projects\\2008"}));

  // An earlier export there: Cancel stops, No writes everything again, Yes adds what is missing.
  window.core.earlierExports = {"/out/John Doe Mail/"};
  window.view.destinationAnswers = {"/out", "/out", "/out"};
  window.view.messages.answers = {MessageAnswer::Cancel, MessageAnswer::No, MessageAnswer::Yes};
  for (int run = 0; run < 3; ++run) window.presenter.CmdStartConversion_Click();
  EXPECT_EQ(
      window.view.messages.shown.back().text,
      "An earlier export of this database is in:\r\n/out/John Doe Mail/\r\n\r\nYes: add only the messages "
      "that are missing there.\r\nNo: write every message again.\r\nCancel: export nothing now.");
  EXPECT_EQ(window.view.messages.shown.back().buttons, MessageButtons::YesNoCancel);
  ASSERT_EQ(window.view.exportPlans.size(), 3u);
  EXPECT_TRUE(window.view.exportPlans[1].everythingAgain);
  EXPECT_FALSE(window.view.exportPlans[2].everythingAgain);
}

TEST(MainPresenter, HelpFallsBackToThePagesAndOnlyThenToAMessage) {
  MainWindow window(MainSettings{"", "/opt/mailshift", nullptr});
  window.presenter.mnuHelp_Click();
  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text,
            "The help file could not be found:\r\n" + InFolder("/opt/mailshift", "Help.chm"));

  const std::string helpFile = InFolder("/opt/mailshift", "Help.chm");
  const std::string pages = InFolder(InFolder("/opt/mailshift", "help"), "index.html");
  window.help.files = {helpFile};
  window.presenter.mnuHelp_Click();
  EXPECT_EQ(window.help.shownFiles, (std::vector<std::string>{helpFile}));
  EXPECT_EQ(window.view.messages.shown.size(), 1u);

  // The file that nothing shows: the pages beside it, without a message.
  window.help.fileViewer = false;
  window.help.files = {helpFile, pages};
  window.presenter.mnuHelp_Click();
  EXPECT_EQ(window.help.shownPages, (std::vector<std::string>{pages}));
  EXPECT_EQ(window.view.messages.shown.size(), 1u);

  // Nothing shows the pages either: the message says why.
  window.help.pagesViewer = false;
  window.presenter.mnuHelp_Click();
  EXPECT_EQ(window.view.messages.shown.back().text,
            "No program on this computer can show the help file:\r\n" + helpFile);
}

TEST(MainPresenter, ExitAsksAndEndsOnlyOnYes) {
  MainWindow window;
  window.view.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
  window.presenter.Run(Command::Exit);
  EXPECT_EQ(window.view.endProgram, 0);
  window.presenter.mnuExit_Click();
  EXPECT_EQ(window.view.endProgram, 1);
  ASSERT_EQ(window.view.messages.shown.size(), 2u);
  EXPECT_EQ(window.view.messages.shown[0].text, "Are you sure you want to close the software");
  EXPECT_EQ(window.view.messages.shown[0].title, "Corvane Quillon");
  EXPECT_EQ(window.view.messages.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(window.view.messages.shown[0].buttons, MessageButtons::YesNo);
}

TEST(MainPresenter, ADroppedDatabaseIsTakenAsIfChosenAndAFailureIsShown) {
  MainWindow window;
  window.presenter.DatabaseFile_Drop({"/mail/notes.txt", "/mail/a.NSF", "/mail/b.nsf"});
  EXPECT_EQ(window.view.path, "/mail/a.NSF");
  EXPECT_TRUE(window.presenter.IsEnabled(Command::Scan));
  window.presenter.DatabaseFile_Drop({"/mail/notes.txt"});
  EXPECT_EQ(window.view.path, "/mail/a.NSF");

  // A failure nobody planned for ends the command with a message, not the program.
  struct ThrowingCore : FakeMailCore {
    notes::ScanResult Scan(const std::string&, notes::ScanObserver&) override {
      throw std::runtime_error("the client went away");
    }
  } throwing;
  MainPresenter presenter(window.view.Views(), throwing, window.help, {});
  presenter.DatabaseFile_Drop({kDatabase});
  window.view.selectedTab = MainTab::SelectFile;
  presenter.Run(Command::Scan);
  ASSERT_FALSE(window.view.messages.shown.empty());
  EXPECT_EQ(window.view.messages.shown.back().text,
            "The command could not be completed:\r\nthe client went away");
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::Critical);
}

TEST(MainPresenter, TheExportTakesTheDatabaseOfTheLastCompletedScanAsItWasScanned) {
  MainWindow window(MainSettings{"/logs/Log.txt", "", nullptr});
  window.BrowseAndScan();
  const auto exportTo = [&](const std::string& destination) {
    window.view.destinationAnswers = {destination};
    window.presenter.CmdStartConversion_Click();
  };

  // Another file chosen without a scan: nothing of the first one's scan is exported.
  window.view.databaseAnswers = {"/mail/other.nsf"};
  window.view.selectedTab = MainTab::SelectFile;
  window.presenter.CmdBrowse_Click();
  EXPECT_FALSE(window.presenter.IsEnabled(Command::Export));
  exportTo("/out");
  EXPECT_TRUE(window.view.exportPlans.empty());
  EXPECT_EQ(window.view.messages.shown.back().text,
            "Please select a Notes database and click Start Scan to proceed.");

  // Scanned, it is the one exported, under its own title.
  window.core.scanResult = ScannedMailbox();
  window.core.scanResult.title = "Other Mail";
  window.presenter.CmdScan_Click();
  EXPECT_TRUE(window.presenter.IsEnabled(Command::Export));
  exportTo("/out");
  ASSERT_EQ(window.view.exportPlans.size(), 1u);
  EXPECT_EQ(window.view.exportPlans[0].databasePath, "/mail/other.nsf");
  EXPECT_EQ(window.view.exportPlans[0].title, "Other Mail");

  // The file changed after its scan: said, nothing exported, and the scan is to be made again.
  window.core.changedDatabases = {"/mail/other.nsf"};
  window.view.messages.shown.clear();
  exportTo("/out");
  EXPECT_EQ(window.view.exportPlans.size(), 1u);
  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text,
            "The database has changed since it was scanned:\r\n/mail/other.nsf\r\n\r\nPlease scan it again "
            "(Start Scan) before the export.");
  EXPECT_EQ(window.view.Describe(),
            "tab=1 preview tab=0\npath=[/mail/other.nsf]\nbrowse=1 scan=1 export=0\npanel=1 arrows=000\n"
            "tree nodes=0");

  // A change while the export window is open is found by its export button.
  window.core.changedDatabases.clear();
  window.presenter.CmdScan_Click();
  bool exported = false;
  window.core.exportRun = [&](const mail::ExportPlan&, mail::ExportObserver&) {
    exported = true;
    return mail::ExportReport{};
  };
  FakeExportView exportView;
  window.view.whileExportWindowOpen = [&](ExportPresenter& presenter) {
    window.core.changedDatabases = {"/mail/other.nsf"};
    presenter.Attach(exportView);
    presenter.CmdConversion_Click();
  };
  exportTo("/out");
  EXPECT_FALSE(exported);
  EXPECT_EQ(exportView.messages.shown.back().text.rfind("The database has changed since it was scanned:", 0),
            0u);
  EXPECT_EQ(exportView.stage, ExportStage::Ready);
  EXPECT_FALSE(window.presenter.IsEnabled(Command::Export));
  EXPECT_EQ(window.view.selectedTab, MainTab::SelectFile);
}

TEST(MainPresenter, TheNamesTableAndThePlainTextOptionReachThePlanAndAreRemembered) {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("presenter-names-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(scratch);
  const std::string table = (scratch / "names.csv").string();
  std::ofstream(table) << "Notes name,Internet address\nHal Okafor/IT/Corvane,hal@corvane.com\n";
  const std::string wrong = (scratch / "wrong.csv").string();
  std::ofstream(wrong) << "Hal Okafor/IT/Corvane\n";
  RememberedFolders remembered(scratch / "settings.txt");
  {
    MainWindow window(MainSettings{"", "", &remembered});
    EXPECT_FALSE(window.view.checkedCommands.at(Command::PlainText));
    // A file that is no names table is refused with the reason; the dialog cancelled without a
    // table in use asks nothing.
    window.view.namesTableAnswers = {wrong, ""};
    window.presenter.Run(Command::NamesTable);
    window.presenter.Run(Command::NamesTable);
    EXPECT_EQ(window.view.namesTableFilters,
              (std::vector<std::string>{"Names Table (*.csv)|*.csv", "Names Table (*.csv)|*.csv"}));
    ASSERT_EQ(window.view.messages.shown.size(), 1u);
    EXPECT_EQ(window.view.messages.shown[0].text.rfind("The names table could not be read:\r\n" + wrong, 0),
              0u);
    EXPECT_EQ(window.presenter.NamesTablePath(), "");

    window.view.namesTableAnswers = {table};
    window.presenter.Run(Command::NamesTable);
    window.presenter.Run(Command::PlainText);
    EXPECT_TRUE(window.view.checkedCommands.at(Command::PlainText));
  }
  // The next start has both, and the export takes them.
  MainWindow window(MainSettings{"", "", &remembered});
  EXPECT_TRUE(window.view.checkedCommands.at(Command::PlainText));
  EXPECT_EQ(window.presenter.NamesTablePath(), table);
  window.BrowseAndScan();
  window.view.destinationAnswers = {"/out"};
  window.presenter.CmdStartConversion_Click();
  ASSERT_EQ(window.view.exportPlans.size(), 1u);
  EXPECT_TRUE(window.view.exportPlans[0].plainText);
  ASSERT_NE(window.view.exportPlans[0].names, nullptr);
  EXPECT_EQ(window.view.exportPlans[0].names->AddressOf("CN=Hal Okafor/OU=IT/O=Corvane"), "hal@corvane.com");

  // A table that went bad since is said before the destination is asked for.
  std::ofstream(table) << "Hal Okafor/IT/Corvane\n";
  window.presenter.CmdStartConversion_Click();
  EXPECT_EQ(window.view.exportPlans.size(), 1u);
  EXPECT_EQ(window.view.messages.shown.back().text.rfind("The names table could not be read:\r\n" + table, 0),
            0u);

  // Cancelling the dialog offers to stop using the table; No keeps it, Yes drops it for good.
  window.view.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
  window.view.namesTableAnswers = {"", ""};
  window.presenter.mnuNamesTable_Click();
  EXPECT_EQ(window.presenter.NamesTablePath(), table);
  window.presenter.mnuNamesTable_Click();
  EXPECT_EQ(window.view.messages.shown.back().buttons, MessageButtons::YesNo);
  EXPECT_EQ(window.presenter.NamesTablePath(), "");
  window.presenter.mnuPlainText_Click();
  EXPECT_EQ(remembered.NamesTable(), "");
  EXPECT_FALSE(remembered.PlainText());
  std::filesystem::remove_all(scratch);
}

// The launch's checks of the destination as the core makes them on disk.
struct DiskCheckingCore final : FakeMailCore {
  std::string DestinationProblem(const std::string& destination) override {
    return mail::DestinationProblem(destination);
  }
  std::string DestinationMessage(const std::string& destination, const std::string& problem) override {
    return mail::DestinationMessage(destination, problem);
  }
  std::string OutputRootOf(const std::string& destination, const std::string& title) override {
    return mail::OutputRootOf(destination, title);
  }
  bool HasEarlierExport(const std::string& outputRoot) override { return mail::HasManifest(outputRoot); }
};

TEST(MainPresenter, AnUnwritableDestinationIsSaidAndAnEarlierExportThereIsAskedAboutOnce) {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("presenter-launch-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(scratch);
  FakeMainView view;
  DiskCheckingCore core;
  FakeHelpDesk help;
  MainPresenter presenter(view.Views(), core, help, {});
  core.scanResult = ScannedMailbox();
  presenter.DatabaseFile_Drop({kDatabase});
  presenter.CmdScan_Click();
  view.messages.shown.clear();

  std::ofstream((scratch / "file").string()) << "not a folder";
  const std::string below = (scratch / "file" / "below").string();
  view.destinationAnswers = {below};
  presenter.CmdStartConversion_Click();
  ASSERT_EQ(view.messages.shown.size(), 1u);
  EXPECT_EQ(view.messages.shown[0].text.rfind("The destination folder cannot be written:\r\n" + below, 0),
            0u);
  EXPECT_EQ(view.messages.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(view.exportPlans.empty());

  // Nothing exported there yet: no question.
  const std::string out = (scratch / "out").string();
  view.messages.shown.clear();
  view.destinationAnswers = {out};
  presenter.CmdStartConversion_Click();
  EXPECT_TRUE(view.messages.shown.empty());
  ASSERT_EQ(view.exportPlans.size(), 1u);
  EXPECT_FALSE(view.exportPlans[0].everythingAgain);

  std::filesystem::create_directories(scratch / "out" / "John Doe Mail");
  std::ofstream((scratch / "out" / "John Doe Mail" / "Mailshift-Manifest.txt").string())
      << "Corvane Mailshift export manifest 1\r\n";
  view.destinationAnswers = {out, out, out};
  view.messages.answers = {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Cancel};
  for (int launch = 0; launch < 3; ++launch) presenter.CmdStartConversion_Click();
  ASSERT_EQ(view.messages.shown.size(), 3u);
  EXPECT_EQ(view.messages.shown[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_NE(view.messages.shown[0].text.find(mail::OutputRootOf(out, "John Doe Mail")), std::string::npos);
  ASSERT_EQ(view.exportPlans.size(), 3u);
  EXPECT_FALSE(view.exportPlans[1].everythingAgain);
  EXPECT_TRUE(view.exportPlans[2].everythingAgain);
  std::filesystem::remove_all(scratch);
}

}  // namespace
}  // namespace mailshift::shell::testing
