// What the main window's presenter asks of a main window: show this, ask the user that. The Qt
// window and the Windows window each implement these over their own controls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/Controls.h"
#include "notes/FolderChecks.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "shell/presenters/CommandTable.h"
#include "shell/presenters/WindowServices.h"

namespace mailshift::shell {

class ExportPresenter;

enum class MainTab { SelectFile = 1, EmailsPreview = 2 };
// The arrows of the scan panel: ImgReadingArrow, ImgEmailsArrow, ImgMailFolderArrow.
enum class ScanArrow { Reading, Emails, MailFolder };

// ScanFrame, its arrows and LblFolderName.
class ScanPanelView {
 public:
  virtual ~ScanPanelView() = default;
  virtual void ShowScanPanel(bool shown) = 0;
  virtual void ShowArrow(ScanArrow arrow, bool shown) = 0;
  virtual void ShowFolderName(const std::string& caption) = 0;
  // The caption beside the phase's arrow (Label10, Label1, Label2).
  virtual void ShowPhaseCaption(ScanArrow phase, const std::string& caption) = 0;
};

// ContactsTreeView.
class FolderTreeView {
 public:
  virtual ~FolderTreeView() = default;
  // The nodes replace the tree, every box unchecked.
  virtual void ShowTree(const std::vector<notes::FolderNode>& nodes) = 0;
  virtual void ShowCheck(std::size_t node, notes::CheckShown shown) = 0;
  // The node the user selected last, if any.
  virtual std::optional<std::size_t> SelectedNode() const = 0;
};

// MailList: the rows replace the list.
class MessageListView {
 public:
  virtual ~MessageListView() = default;
  virtual void ShowRows(const std::vector<notes::PreviewRow>& rows) = 0;
};

// NotesTab.
class TabsView {
 public:
  virtual ~TabsView() = default;
  virtual void EnableTab(MainTab tab, bool enabled) = 0;
  virtual void SelectTab(MainTab tab) = 0;
  virtual MainTab SelectedTab() const = 0;
};

// The window itself: its dialogs, the path box, the commands' controls, the windows it opens.
class MainView {
 public:
  virtual ~MainView() = default;

  virtual MessageBoxes& Messages() = 0;
  // The file-open dialog: the chosen file's full path, or "" when cancelled.
  virtual std::string ChooseDatabaseFile(const std::string& filter) = 0;
  // The file-open dialog for a names table: the chosen file's full path, or "" when cancelled.
  virtual std::string ChooseNamesTable(const std::string& filter) = 0;
  // The folder dialog: the chosen folder, or "" when cancelled.
  virtual std::string ChooseDestination(const std::string& title) = 0;
  // Waits while the windows keep painting; lets pending window events run once. The user's keys and
  // clicks meanwhile wait, in their order, until the command that waits is over.
  virtual void Pause(int milliseconds) = 0;
  virtual void DoEvents() = 0;
  // Ends the program at once: every window closes and no further event runs.
  virtual void EndProgram() = 0;

  // txtNotesDatabaseFile.
  virtual void ShowPath(const std::string& path) = 0;
  // Every button and toolbar button that runs the command (see the command table).
  virtual void EnableCommand(Command command, bool enabled) = 0;
  // The check mark of the menu entry that runs the command.
  virtual void CheckCommand(Command command, bool checked) = 0;
  // Shows the export window over this one until it is closed.
  virtual void ShowExportWindow(ExportPresenter& presenter) = 0;
  virtual void ShowAbout() = 0;
  // A problem the user need not be asked about, for the developer's log.
  virtual void Warn(const std::string& problem) = 0;
};

// The parts of a main window the presenter draws on.
struct MainViews {
  MainView& window;
  TabsView& tabs;
  ScanPanelView& scanPanel;
  FolderTreeView& tree;
  MessageListView& list;
};

// A main window whose dialogs, waits and end are the ones it was handed.
class ServicedMainView : public MainView {
 public:
  explicit ServicedMainView(WindowServices& services) : services_(services) {}
  MessageBoxes& Messages() override { return services_.Messages; }
  std::string ChooseDatabaseFile(const std::string& filter) override {
    return services_.FileDialog.ShowOpen(filter);
  }
  std::string ChooseNamesTable(const std::string& filter) override {
    return services_.FileDialog.ShowOpen(filter);
  }
  std::string ChooseDestination(const std::string& title) override {
    return services_.Folders.PickFolder(0, title);
  }
  void Pause(int milliseconds) override { services_.Wait.Pause(milliseconds); }
  void DoEvents() override { services_.Wait.DoEvents(); }
  void EndProgram() override { services_.EndProgram(); }

 protected:
  WindowServices& services_;
};

}  // namespace mailshift::shell
