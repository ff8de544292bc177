// The main window on Windows: choose the database, scan it, preview its folders, start the
// export. Every command runs the same logic as the Linux window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/MainWindowControls.h"
#include "shell/win/WinControls.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {

inline constexpr const char* kNotesDatabaseFilter = "Notes Database (*.nsf)|*.nsf";

class frmMain {
 public:
  frmMain(WinServices& services, ProgramState& state);
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  HWND Handle() const { return window_; }
  void Show();
  MainWindowControls& Controls();
  WinTreeControl& TreeControl();
  WinReportList& MailListControl();
  // The real controls, for the tests that drive them with messages.
  HWND TreeHandle() const { return ContactsTreeView; }
  HWND ListHandle() const { return MailList; }
  HWND ButtonHandle(int id) const { return GetDlgItem(window_, id); }
  // Whether the message is one of the window's own keys (Tab, Enter on a button, Ctrl+O); the
  // message loop asks before dispatching.
  bool TranslateOwnKeys(MSG& message);

  void CmdBrowse_Click();
  void txtNotesDatabaseFile_Change();
  void CmdScan_Click();
  void ContactsTreeView_Click();
  void ContactsTreeView_NodeCheck(int position, bool checked);
  void DatabaseFile_Drop(const std::string& path);
  void CmdStartConversion_Click();
  void NotesToolBar_ButtonClick(int index);
  void mnuOpen_Click(int index);
  void mnuHelp_Click();
  void mnuAbout_Click();
  void mnuExit_Click();

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Command ids of the buttons, menu entries and toolbar buttons (toolbar: base + index).
  enum Id : int {
    kCmdBrowse = 101,
    kCmdScan,
    kCmdStartConversion,
    kTxtNotesDatabaseFile,
    kNotesTab,
    kContactsTreeView,
    kMailList,
    kMnuOpen,
    kMnuExit,
    kMnuHelp,
    kMnuAbout,
    kToolBarBase = 200,
  };

 private:
  void Build();
  void BuildBanner();
  void BuildMenus();
  void BuildToolBar();
  void BuildSelectFilePage();
  void BuildPreviewPage();
  void ShowPage(int tab);
  LRESULT Notify(const NMHDR& header);
  template <typename Command>
  void Guarded(Command&& command) {
    RunGuarded(services_.Messages, std::forward<Command>(command));
  }
  void TakeDatabaseFile(const std::string& chosen);
  void PreviewSelected();

  WinServices& services_;
  ProgramState& state_;
  HWND window_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HIMAGELIST smallIcons_ = nullptr;
  HIMAGELIST toolbarIcons_ = nullptr;
  HIMAGELIST checkBoxes_ = nullptr;

  HWND NotesToolBar = nullptr;
  HWND NotesTab = nullptr;
  HWND txtNotesDatabaseFile = nullptr;
  HWND ContactsTreeView = nullptr;
  HWND MailList = nullptr;
  HWND StatusBar = nullptr;
  std::vector<HWND> selectFilePage_;
  std::vector<HWND> previewPage_;
  bool selectionByClick_ = false;

  struct ControlSet;
  std::unique_ptr<ControlSet> controls_;
};

}  // namespace mailshift::shell::win
