// The main window: choose the database, scan it, preview its folders, start the export.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>

#include "common/MainWindowControls.h"
#include "shell/QtControls.h"
#include "shell/ShellServices.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace mailshift::shell {

inline constexpr const char* kNotesDatabaseFilter = "Notes Database (*.nsf)|*.nsf";

class frmMain final : public QMainWindow {
  Q_OBJECT

 public:
  frmMain(ShellServices& services, ProgramState& state);
  ~frmMain() override;

  // The controls as the scan, the preview and the export launch work on them.
  MainWindowControls& Controls();
  QtTreeControl& TreeControl();

  // The window's commands, each run by its button, menu entry or toolbar button.
  void CmdBrowse_Click();
  void txtNotesDatabaseFile_Change();
  void CmdScan_Click();
  void ContactsTreeView_Click();
  // A node's check box changed by the user: the node's branch takes the new check.
  void ContactsTreeView_NodeCheck(int position, bool checked);
  // A database file dropped on the window is taken as if chosen with Browse.
  void DatabaseFile_Drop(const std::string& path);
  void CmdStartConversion_Click();
  void NotesToolBar_ButtonClick(int index);
  void mnuOpen_Click(int index);
  void mnuHelp_Click();
  void mnuAbout_Click();
  void mnuExit_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Form_Load();
  QWidget* BuildBanner();
  void BuildMenus(QWidget* menuHolder);
  void BuildToolBar();
  QWidget* BuildSelectFileTab();
  QWidget* BuildPreviewTab();
  void BuildStatusBar();
  void BuildControlSet();
  // Runs a command; a failure nobody planned for is shown instead of ending the program.
  template <typename Command>
  void Guarded(Command&& command);
  // Shows the export window over this one until it is closed.
  void ShowExportWindow();
  // Browse's steps after the dialog: the path box takes the file ("" when none was chosen).
  void TakeDatabaseFile(const std::string& chosen);
  // The program's own help window over the HTML pages, opened once and brought up again.
  void ShowHelpPages(const QString& startPage);

  ShellServices& services_;
  ProgramState& state_;
  bool placed_ = false;

  QLabel* Image3 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Image2 = nullptr;
  QMenu* mnuFileTop = nullptr;
  QMenu* mnuHelpTop = nullptr;
  QAction* mnuOpen = nullptr;
  QAction* mnuSep1 = nullptr;
  QAction* mnuExit = nullptr;
  QAction* mnuHelp = nullptr;
  QAction* mnuAbout = nullptr;
  QToolBar* NotesToolBar = nullptr;
  QTabWidget* NotesTab = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* txtNotesDatabaseFile = nullptr;
  QPushButton* CmdBrowse = nullptr;
  QPushButton* CmdScan = nullptr;
  QGroupBox* ScanFrame = nullptr;
  QLabel* ImgReadingArrow = nullptr;
  QLabel* ImgEmailsArrow = nullptr;
  QLabel* ImgMailFolderArrow = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LblFolderName = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* OsenXPLabel11 = nullptr;
  QTreeWidget* ContactsTreeView = nullptr;
  QTableView* MailList = nullptr;
  ReportListModel* mailListModel_ = nullptr;
  QPushButton* CmdStartConversion = nullptr;

  QPointer<class HelpWindow> helpWindow_;

  struct ControlSet;
  std::unique_ptr<ControlSet> controls_;
};

}  // namespace mailshift::shell
