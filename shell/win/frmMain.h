// The main window on Windows: choose the database, scan it, preview its folders, start the
// export. It draws what its presenter tells it and forwards its input there.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/presenters/MainPresenter.h"
#include "shell/presenters/MainView.h"
#include "shell/win/HelpCommand.h"
#include "shell/win/WinControls.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {

class frmMain final : private ServicedMainView {
 public:
  explicit frmMain(WinServices& services);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  HWND Handle() const { return window_; }
  void Show();
  MainPresenter& Presenter() { return *presenter_; }
  WinFolderTree& Tree() { return *tree_; }
  WinReportList& MailListControl() { return *mailList_; }
  WinToolBar& ToolBar() { return *toolbar_; }
  WinTabControl& Tabs() { return *tabs_; }
  const WinControl& ScanFrame() const { return scanPanel_->Frame(); }
  // The real controls, for the tests that drive them with messages.
  HWND TreeHandle() const { return ContactsTreeView; }
  HWND ListHandle() const { return MailList; }
  HWND ButtonHandle(int id) const { return GetDlgItem(window_, id); }
  // Whether the message is one of the window's own keys (Tab, Enter on a button, Ctrl+O); the
  // message loop asks before dispatching.
  bool TranslateOwnKeys(MSG& message);
  // Whether the menu entry of the command shows its check mark.
  bool IsCommandChecked(mailshift::shell::Command command) const;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Command ids of the buttons, menu entries and toolbar buttons (toolbar: base + index).
  // The buttons in the order of the command table.
  enum Id : int {
    kCmdBrowse = 101,
    kCmdScan,
    kCmdStartConversion,
    kTxtNotesDatabaseFile,
    kNotesTab,
    kContactsTreeView,
    kMailList,
    kMenuBase = 150,  // + the index of the entry in the menu table
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
  void OnCommand(int id, int code, LPARAM lParam);
  void Drop(HDROP drop);

  // MainView
  void ShowPath(const std::string& path) override;
  void EnableCommand(mailshift::shell::Command command, bool enabled) override;
  void CheckCommand(mailshift::shell::Command command, bool checked) override;
  void ShowExportWindow(ExportPresenter& presenter) override;
  void ShowAbout() override;
  void Warn(const std::string& problem) override;

  WinHelpDesk help_;
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

  std::unique_ptr<WinTabControl> tabs_;
  std::unique_ptr<WinToolBar> toolbar_;
  std::unique_ptr<WinScanPanel> scanPanel_;
  std::unique_ptr<WinFolderTree> tree_;
  std::unique_ptr<WinReportList> mailList_;
  std::unique_ptr<MainPresenter> presenter_;
};

}  // namespace mailshift::shell::win
