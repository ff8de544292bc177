// The controls of the main window over the Windows common controls: what the Win32 controls do not
// do by themselves.
#pragma once

#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Controls.h"
#include "notes/FolderChecks.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "shell/presenters/MainView.h"

namespace mailshift::shell::win {

// A label, frame, picture, button or text box over its window handle. A new caption is painted
// at once, so that captions set by a command that does not return to the message loop still show.
class WinControl final {
 public:
  explicit WinControl(HWND window) : window_(window) {}
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Visible as set, whether or not its tab is showing right now.
  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible);
  bool IsEnabled() const;
  void SetEnabled(bool enabled);
  // Shows or hides the window as its tab page comes and goes, keeping its own visibility.
  void ShowWithPage(bool pageShown);
  HWND Handle() const { return window_; }

 private:
  HWND window_;
  bool visible_ = true;
  bool pageShown_ = true;
};

// The state images of the tree: 1 unchecked, 2 checked, 3 partly checked.
inline constexpr int kUncheckedImage = 1;
inline constexpr int kCheckedImage = 2;
inline constexpr int kPartlyCheckedImage = 3;

// The folder tree over a TreeView whose state images are the three check boxes. A box shows what
// it is told.
class WinFolderTree final : public FolderTreeView {
 public:
  WinFolderTree(HWND tree, HIMAGELIST smallIcons) : tree_(tree), smallIcons_(smallIcons) {}
  void ShowTree(const std::vector<notes::FolderNode>& nodes) override;
  void ShowCheck(std::size_t node, notes::CheckShown shown) override;
  std::optional<std::size_t> SelectedNode() const override;
  std::size_t NodeCount() const { return items_.size(); }
  HTREEITEM Item(std::size_t node) const { return items_.at(node); }
  // The node of a tree item; none for an item that is not one of the nodes.
  std::optional<std::size_t> NodeOf(HTREEITEM item) const;
  // The image a node's box shows.
  int ShownImage(std::size_t node) const;

 private:
  HWND tree_;
  HIMAGELIST smallIcons_;
  std::vector<HTREEITEM> items_;
  std::unordered_map<HTREEITEM, std::size_t> byItem_;
};

// The message list: a virtual ListView in report mode over rows kept here, so that a click on a
// column's header sorts them and tens of thousands of rows list quickly.
class WinReportList final : public MessageListView {
 public:
  WinReportList(HWND list, int columns) : list_(list), columns_(columns) {}
  // The rows replace the list, in the folder's own order.
  void ShowRows(const std::vector<notes::PreviewRow>& rows) override;

  // Answers the list's LVN_GETDISPINFO.
  void FillDisplayInfo(NMLVDISPINFOW& info) const;
  // Orders the rows by a column; a second click on the same column reverses the order.
  void SortBy(int column);
  int Rows() const { return static_cast<int>(rows_.size()); }
  const std::wstring& Cell(int row, int column) const;

 private:
  void Publish();
  // The header's arrow on the column the rows are sorted by, none when they are not.
  void ShowSortArrow();

  HWND list_;
  int columns_;
  std::vector<std::vector<std::wstring>> rows_;
  int sortColumn_ = -1;
  bool descending_ = false;
};

// The tab strip; each tab shows its page's controls only while selected. A disabled tab cannot be
// selected and shows its caption greyed.
class WinTabControl final : public TabsView {
 public:
  WinTabControl(HWND tabs, std::function<void(int)> showPage) : tabs_(tabs), showPage_(std::move(showPage)) {}
  void EnableTab(MainTab tab, bool enabled) override;
  void SelectTab(MainTab tab) override;
  MainTab SelectedTab() const override;
  bool IsTabEnabled(int tab) const;
  // Called for TCN_SELCHANGE: shows the page the user selected, or goes back to the previous
  // tab when the selected one is disabled.
  void UserSelected(int previous);

 private:
  int Current() const;  // from 1
  HWND tabs_;
  std::function<void(int)> showPage_;
  std::vector<bool> disabled_ = std::vector<bool>(2, false);
};

// The scan panel: the frame keeps its own visibility as its tab page comes and goes.
class WinScanPanel final : public ScanPanelView {
 public:
  WinScanPanel(HWND frame, std::array<HWND, 3> arrows, std::array<HWND, 3> captions, HWND folderName);
  void ShowScanPanel(bool shown) override { frame_.SetVisible(shown); }
  void ShowArrow(ScanArrow arrow, bool shown) override {
    arrows_[static_cast<std::size_t>(arrow)].SetVisible(shown);
  }
  void ShowFolderName(const std::string& caption) override { folderName_.SetCaption(caption); }
  void ShowPhaseCaption(ScanArrow phase, const std::string& caption) override {
    captions_[static_cast<std::size_t>(phase)].SetCaption(caption);
  }
  WinControl& Frame() { return frame_; }

 private:
  WinControl frame_;
  std::array<WinControl, 3> arrows_;    // ImgReadingArrow, ImgEmailsArrow, ImgMailFolderArrow
  std::array<WinControl, 3> captions_;  // Label10, Label1, Label2
  WinControl folderName_;
};

// The toolbar's entries by index from 1, separators included; each has command id base + index.
class WinToolBar final {
 public:
  WinToolBar(HWND toolbar, int commandBase, int count)
      : toolbar_(toolbar), commandBase_(commandBase), count_(count) {}
  bool IsButtonEnabled(int index) const;
  void SetButtonEnabled(int index, bool enabled);

 private:
  int Checked(int index) const;
  HWND toolbar_;
  int commandBase_;
  int count_;
};

}  // namespace mailshift::shell::win
