// The control operations of the logic, carried out on the Windows common controls.
#pragma once

#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Controls.h"

namespace mailshift::shell::win {

// A label, frame, picture, button or text box over its window handle. A new caption is painted
// at once, so that captions set by a command that does not return to the message loop still show.
class WinControl final : public Control {
 public:
  explicit WinControl(HWND window) : window_(window) {}
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  // Visible as set, whether or not its tab is showing right now.
  bool IsVisible() const override { return visible_; }
  void SetVisible(bool visible) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;
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

// The folder tree over a TreeView whose state images are the three check boxes. A node keeps its
// own check apart from what its box shows, which is the partly-checked state while the node and
// the nodes below it differ.
class WinTreeControl final : public TreeControl {
 public:
  WinTreeControl(HWND tree, HIMAGELIST smallIcons) : tree_(tree), smallIcons_(smallIcons) {}
  void Clear() override;
  void UseSmallIcons() override;
  void AddNode(const TreeNodeSpec& node) override;
  int NodeCount() const override { return static_cast<int>(nodes_.size()); }
  std::string NodeTag(int position) const override { return At(position).tag; }
  int CheckState(int position) const override { return At(position).checked ? 1 : 0; }
  void SetCheckState(int position, int state) override;
  bool IsPartlyChecked(int position) const override { return At(position).partly; }
  void SetPartlyChecked(int position, bool partly) override;
  std::optional<int> ParentNode(int position) const override { return At(position).parent; }
  std::optional<int> SelectedNode() const override;
  void FinishUpdate() override;

  HTREEITEM Item(int position) const { return At(position).item; }
  // The position of a tree item; none for an item that is not one of the nodes.
  std::optional<int> PositionOf(HTREEITEM item) const;
  // The image a node's box shows.
  int ShownImage(int position) const;

 private:
  struct Node {
    HTREEITEM item = nullptr;
    std::string tag;
    std::optional<int> parent;
    bool checked = false;
    bool partly = false;
  };
  const Node& At(int position) const;
  Node& At(int position);
  void ShowCheck(int position);

  HWND tree_;
  HIMAGELIST smallIcons_;
  std::vector<Node> nodes_;
  std::unordered_map<std::string, int> byKey_;
  std::unordered_map<HTREEITEM, int> byItem_;
};

// The message list: a virtual ListView in report mode over rows kept here, so that a click on a
// column's header sorts them and tens of thousands of rows list quickly.
class WinReportList final : public ReportList {
 public:
  WinReportList(HWND list, int columns) : list_(list), columns_(columns) {}
  void Clear() override;
  void UseSmallIcons() override;
  void AddItem(const std::string& rowText) override;
  void SetReportIcon(int row, int column, int icon) override;
  void LockUpdate(bool locked) override;

  // Answers the list's LVN_GETDISPINFO.
  void FillDisplayInfo(NMLVDISPINFOW& info) const;
  // Orders the rows by a column; a second click on the same column reverses the order.
  void SortBy(int column);
  int Rows() const { return static_cast<int>(rows_.size()); }
  const std::wstring& Cell(int row, int column) const;

 private:
  struct Row {
    std::vector<std::wstring> cells;
    std::vector<int> icons;  // per column, -1 for none
  };
  void Publish();

  HWND list_;
  int columns_;
  std::vector<Row> rows_;
  bool iconsShown_ = false;
  bool locked_ = false;
  int sortColumn_ = -1;
  bool descending_ = false;
};

// The tab strip; each tab shows its page's controls only while selected. A disabled tab cannot be
// selected and shows its caption greyed.
class WinTabControl final : public TabControl {
 public:
  WinTabControl(HWND tabs, std::function<void(int)> showPage) : tabs_(tabs), showPage_(std::move(showPage)) {}
  int SelectedTab() const override;
  void SelectTab(int tab) override;
  bool IsTabEnabled(int tab) const override;
  void SetTabEnabled(int tab, bool enabled) override;
  // Called for TCN_SELCHANGE: shows the page the user selected, or goes back to the previous
  // tab when the selected one is disabled.
  void UserSelected(int previous);

 private:
  int Checked(int tab) const;
  HWND tabs_;
  std::function<void(int)> showPage_;
  std::vector<bool> disabled_ = std::vector<bool>(2, false);
};

// The toolbar's entries by index from 1, separators included; each has command id base + index.
class WinToolBar final : public ToolBar {
 public:
  WinToolBar(HWND toolbar, int commandBase, int count)
      : toolbar_(toolbar), commandBase_(commandBase), count_(count) {}
  bool IsButtonEnabled(int index) const override;
  void SetButtonEnabled(int index, bool enabled) override;

 private:
  int Checked(int index) const;
  HWND toolbar_;
  int commandBase_;
  int count_;
};

}  // namespace mailshift::shell::win
