// The main window: choose the database, scan it, preview its folders, start the export. It draws
// what its presenter tells it and forwards its input there.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <string>

#include "shell/HelpCommand.h"
#include "shell/QtControls.h"
#include "shell/ShellServices.h"
#include "shell/presenters/MainPresenter.h"
#include "shell/presenters/MainView.h"

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

class frmMain final : public QMainWindow, private ServicedMainView, private TabsView {
  Q_OBJECT

 public:
  explicit frmMain(ShellServices& services);
  ~frmMain() override;

  MainPresenter& Presenter() { return *presenter_; }
  QtFolderTree& Tree() { return *tree_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* BuildBanner();
  void BuildMenus(QWidget* menuHolder);
  void BuildToolBar();
  QWidget* BuildSelectFileTab();
  QWidget* BuildPreviewTab();
  void BuildStatusBar();
  void Connect();
  // The program's own help window over the HTML pages, opened once and brought up again.
  void ShowHelpPages(const QString& startPage);

  // MainView
  void ShowPath(const std::string& path) override;
  void EnableCommand(Command command, bool enabled) override;
  void CheckCommand(Command command, bool checked) override;
  void ShowExportWindow(ExportPresenter& presenter) override;
  void ShowAbout() override;
  void Warn(const std::string& problem) override;

  // TabsView
  void EnableTab(MainTab tab, bool enabled) override;
  void SelectTab(MainTab tab) override;
  MainTab SelectedTab() const override;

  QtHelpDesk help_;
  // Made with the controls, before the presenter is.
  std::unique_ptr<QtScanPanel> scanPanel_;
  std::unique_ptr<QtFolderTree> tree_;
  std::unique_ptr<QtMessageList> mailList_;
  std::unique_ptr<MainPresenter> presenter_;
  bool placed_ = false;

  QLabel* Image3 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Image2 = nullptr;
  std::array<QAction*, kMenus.size()> menuEntries_{};
  QToolBar* NotesToolBar = nullptr;
  std::array<QAction*, kToolbar.size()> toolbarEntries_{};
  QTabWidget* NotesTab = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* txtNotesDatabaseFile = nullptr;
  std::array<QPushButton*, kButtons.size()> buttons_{};
  QGroupBox* ScanFrame = nullptr;
  std::array<QLabel*, 3> arrows_{};  // ImgReadingArrow, ImgEmailsArrow, ImgMailFolderArrow
  QLabel* LblFolderName = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* OsenXPLabel11 = nullptr;
  QTreeWidget* ContactsTreeView = nullptr;
  QTableView* MailList = nullptr;
  ReportListModel* mailListModel_ = nullptr;

  QPointer<class HelpWindow> helpWindow_;
};

}  // namespace mailshift::shell
