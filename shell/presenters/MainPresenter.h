// The main window's behaviour without its widgets: what each command does, which commands are
// enabled, the scan panel's phases and the folder tree's check boxes. The window forwards its
// input here and draws what it is told through MainView.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/RememberedFolders.h"
#include "notes/FolderChecks.h"
#include "notes/MailScan.h"
#include "shell/presenters/HelpCommand.h"
#include "shell/presenters/MailCore.h"
#include "shell/presenters/MainView.h"

namespace mailshift::shell {

struct MainSettings {
  // Where the export run writes its log.
  std::string logPath;
  // The folder that holds the program's own files (the help file among them).
  std::string programFolder;
  // The last database folder and destination, the names table and the plain-text option, kept
  // between runs; none keeps nothing.
  RememberedFolders* remembered = nullptr;
};

class MainPresenter {
 public:
  MainPresenter(MainViews views, MailCore& core, HelpDesk& help, MainSettings settings);

  // The window's load steps: the first tab, and the design state of the commands.
  void Form_Load();

  // Runs the command of a button, menu entry or toolbar button, guarded: a failure nobody planned
  // for is shown instead of ending the program.
  void Run(Command command);
  void NotesToolBar_ButtonClick(int index);
  void mnuOpen_Click(int index);

  void CmdBrowse_Click();
  void txtNotesDatabaseFile_Change();
  void CmdScan_Click();
  void ContactsTreeView_Click();
  // The user clicked a node's check box.
  void ContactsTreeView_NodeCheck(std::size_t node);
  // Files dropped on the window: the first Notes database among them is taken as if chosen.
  void DatabaseFile_Drop(const std::vector<std::string>& paths);
  void CmdStartConversion_Click();
  void mnuHelp_Click();
  void mnuAbout_Click();
  void mnuExit_Click();
  // Chooses the names table the export uses, or (the dialog cancelled) offers to stop using one.
  void mnuNamesTable_Click();
  // Turns writing bodies as the plain text of "Body" alone on or off.
  void mnuPlainText_Click();

  bool IsEnabled(Command command) const;
  const std::string& DatabasePath() const { return path_; }
  // The last scan of the chosen file, none before it is scanned.
  const std::optional<notes::ScanResult>& LastScan() const { return scan_; }
  const std::string& NamesTablePath() const { return namesTable_; }
  bool PlainText() const { return plainText_; }
  const std::optional<notes::FolderChecks>& Checks() const { return checks_; }

 private:
  class ScanProgress;
  void TakeDatabaseFile(const std::string& chosen);
  // Forgets the last scan: the tree, the list and the scan panel are emptied, Export waits for a
  // new scan.
  void ForgetScan();
  // Whether the last scan completed and its file is still as it was; says what to do otherwise.
  bool ScanStillValid();
  // The names table to export with: null for none; false when it cannot be read (and said so).
  bool LoadNamesTable(std::shared_ptr<const mail::NamesTable>& names);
  void Enable(Command command, bool enabled);
  void ShowAllChecks();
  void ShowScanResult(const notes::ScanResult& result, notes::ScanPhase reached);
  void ShowScanFailure(const std::string& message, const std::string& title, MessageIcon icon,
                       const notes::ScanResult& result, notes::ScanPhase reached);
  // Whether the export is to go on after the question about an earlier export there.
  bool AskAboutAnEarlierExport(const std::string& destination, bool& everythingAgain);

  MainViews views_;
  MainView& view_;
  MailCore& core_;
  HelpDesk& help_;
  MainSettings settings_;
  std::string path_;
  std::map<Command, bool> enabled_;
  std::optional<notes::ScanResult> scan_;
  std::optional<notes::FolderChecks> checks_;
  std::string namesTable_;
  bool plainText_ = false;
};

}  // namespace mailshift::shell
