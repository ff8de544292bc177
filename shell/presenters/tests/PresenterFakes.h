// A main window, an export window, a help desk and a mail core that record what the presenters
// ask of them and answer as the test scripts.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shell/presenters/ExportView.h"
#include "shell/presenters/HelpCommand.h"
#include "shell/presenters/MailCore.h"
#include "shell/presenters/MainView.h"

namespace mailshift::shell::testing {

struct ShownMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
  MessageButtons buttons;
};

class ScriptedMessages final : public MessageBoxes {
 public:
  MessageAnswer Show(const std::string& text, const std::string& title, MessageIcon icon,
                     MessageButtons buttons) override;
  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;  // in turn; Ok (Yes for a question) when none is left
};

class FakeMainView final : public MainView,
                           public TabsView,
                           public ScanPanelView,
                           public FolderTreeView,
                           public MessageListView {
 public:
  MainViews Views() { return MainViews{*this, *this, *this, *this, *this}; }
  MessageBoxes& Messages() override { return messages; }
  std::string ChooseDatabaseFile(const std::string& filter) override;
  std::string ChooseDestination(const std::string& title) override;
  std::string ChooseNamesTable(const std::string& filter) override;
  void ShowPath(const std::string& shown) override { path = shown; }
  void EnableCommand(Command command, bool enabled) override { commands[command] = enabled; }
  void CheckCommand(Command command, bool checked) override { checkedCommands[command] = checked; }
  void EnableTab(MainTab tab, bool enabled) override { tabEnabled[tab] = enabled; }
  void SelectTab(MainTab tab) override { selectedTab = tab; }
  MainTab SelectedTab() const override { return selectedTab; }
  void ShowScanPanel(bool shown) override { scanPanel = shown; }
  void ShowArrow(ScanArrow arrow, bool shown) override { arrows[arrow] = shown; }
  void ShowFolderName(const std::string& caption) override { folderNames.push_back(caption); }
  void ShowPhaseCaption(ScanArrow phase, const std::string& caption) override {
    phaseCaptions[phase] = caption;
  }
  void ShowTree(const std::vector<notes::FolderNode>& nodes) override;
  void ShowCheck(std::size_t node, notes::CheckShown shown) override { checks.at(node) = shown; }
  std::optional<std::size_t> SelectedNode() const override { return selectedNode; }
  void ShowRows(const std::vector<notes::PreviewRow>& shown) override { rows = shown; }
  void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
  void DoEvents() override { ++doEvents; }
  void ShowExportWindow(ExportPresenter& presenter) override;
  void ShowAbout() override { ++aboutShown; }
  void EndProgram() override { ++endProgram; }
  void Warn(const std::string& problem) override { warnings.push_back(problem); }

  // Everything of the window's state the commands change, one line each.
  std::string Describe() const;

  ScriptedMessages messages;
  std::deque<std::string> databaseAnswers;
  std::vector<std::string> filters;
  std::deque<std::string> destinationAnswers;
  std::vector<std::string> destinationTitles;
  std::deque<std::string> namesTableAnswers;
  std::vector<std::string> namesTableFilters;
  std::string path;
  std::map<Command, bool> commands;
  std::map<Command, bool> checkedCommands;
  std::map<MainTab, bool> tabEnabled;
  MainTab selectedTab = MainTab::SelectFile;
  bool scanPanel = true;
  std::map<ScanArrow, bool> arrows;
  std::vector<std::string> folderNames;
  std::map<ScanArrow, std::string> phaseCaptions;
  std::vector<std::string> treeTexts;
  int treeFills = 0;
  std::vector<notes::CheckShown> checks;
  std::optional<std::size_t> selectedNode;
  std::vector<notes::PreviewRow> rows;
  std::vector<int> pauses;
  int doEvents = 0;
  // What the export window was opened with, and what runs while it is open.
  std::vector<mail::ExportPlan> exportPlans;
  std::function<void(ExportPresenter&)> whileExportWindowOpen;
  int aboutShown = 0;
  int endProgram = 0;
  std::vector<std::string> warnings;
};

class FakeExportView final : public ExportView {
 public:
  MessageBoxes& Messages() override { return messages; }
  void SetLabel(ExportLabel label, const std::string& text) override;
  void ShowSubjectCaption(bool shown) override { subjectShown = shown; }
  void ShowStage(ExportStage shown, bool openFolder, bool openLog) override;
  void LetWindowsFollow() override { ++follows; }
  bool OpenWithDesktop(const std::string& path) override;
  void Close() override { ++closed; }

  ScriptedMessages messages;
  std::map<ExportLabel, std::string> labels;
  // Every label text in the order they were set: "LblFound=3".
  std::vector<std::string> labelHistory;
  bool subjectShown = true;
  std::optional<ExportStage> stage;
  bool canOpenFolder = false;
  bool canOpenLog = false;
  int follows = 0;
  std::vector<std::string> opened;
  bool openSucceeds = true;
  int closed = 0;
};

class FakeHelpDesk final : public HelpDesk {
 public:
  bool IsFile(const std::string& path) override;
  bool ShowHelpFile(const std::string& path) override;
  bool ShowHelpPages(const std::string& startPage) override;
  std::vector<std::string> files;  // what exists
  bool fileViewer = true;
  bool pagesViewer = true;
  std::vector<std::string> shownFiles;
  std::vector<std::string> shownPages;
};

class FakeMailCore : public MailCore {
 public:
  notes::ScanResult Scan(const std::string& databasePath, notes::ScanObserver& observer) override;
  notes::PreviewResult Preview(const notes::ScanResult& scan, const std::string& tag) override;
  bool DatabaseChanged(const std::string& databasePath, const std::optional<FileStamp>& scanned) override;
  std::optional<FileStamp> DatabaseStamp(const std::string& databasePath) override;
  mail::ExportReport Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) override;
  std::string CompletionText(const mail::ExportReport& report) override;
  std::string DestinationProblem(const std::string& destination) override;
  std::string DestinationMessage(const std::string& destination, const std::string& problem) override;
  std::string OutputRootOf(const std::string& destination, const std::string& title) override;
  bool HasEarlierExport(const std::string& outputRoot) override;

  // The scan's answer; what it tells its observer on the way.
  notes::ScanResult scanResult;
  // The last phase the scan starts (where a failed one fails).
  notes::ScanPhase lastPhase = notes::ScanPhase::UserFolders;
  std::vector<std::string> scannedPaths;
  // Database files that changed on disk after their scan.
  std::vector<std::string> changedDatabases;
  // The stamp the files have now.
  std::optional<FileStamp> stampNow;
  std::vector<std::string> previewedTags;
  std::vector<notes::PreviewRow> previewRows;
  // Runs in place of the export: tells the observer what a run would and makes the report.
  std::function<mail::ExportReport(const mail::ExportPlan&, mail::ExportObserver&)> exportRun;
  std::map<std::string, std::string> destinationProblems;
  std::vector<std::string> earlierExports;  // output roots that hold one
};

// A scanned mailbox: the root, the six standard folders, "Folders" and the user folders
// "Projects" and "Projects\2008", every one counted.
notes::ScanResult ScannedMailbox(notes::ScanEnd end = notes::ScanEnd::Completed);

}  // namespace mailshift::shell::testing
