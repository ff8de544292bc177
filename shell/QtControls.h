// The control operations of the logic, carried out on Qt widgets.
#pragma once

#include <QAbstractTableModel>
#include <QAction>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Controls.h"
#include "shell/ReportColumns.h"

namespace mailshift::shell {

// A label, frame, picture, button or text box. The caption is a label's or button's text, a
// frame's title or a text box's text. A new caption is painted at once, so that captions set by
// a command that does not return to the event loop still show; captions that change faster than
// the eye follows are painted every few hundredths of a second, the last one when the event loop
// runs again.
class WidgetControl final : public Control {
 public:
  explicit WidgetControl(QWidget& widget) : widget_(widget) {}
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  // Visible as set, whether or not its tab is showing right now.
  bool IsVisible() const override;
  void SetVisible(bool visible) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;

 private:
  QWidget& widget_;
  QElapsedTimer sincePaint_;
};

// The folder tree: a check box at every node, emphasis in bold, positions in the order added. A
// node keeps its own check apart from what its box shows, which is the partly-checked state while
// the node and the nodes below it differ.
class QtTreeControl final : public TreeControl {
 public:
  explicit QtTreeControl(QTreeWidget& tree);
  // What runs when the user changes a node's check box: the node's position and its new check.
  void OnNodeCheck(std::function<void(int, bool)> handler) { onNodeCheck_ = std::move(handler); }
  void Clear() override;
  void UseSmallIcons() override;
  void AddNode(const TreeNodeSpec& node) override;
  int NodeCount() const override;
  std::string NodeTag(int position) const override;
  int CheckState(int position) const override;
  void SetCheckState(int position, int state) override;
  bool IsPartlyChecked(int position) const override;
  void SetPartlyChecked(int position, bool partly) override;
  std::optional<int> ParentNode(int position) const override;
  std::optional<int> SelectedNode() const override;
  void FinishUpdate() override;

  // The node at a position, for the windows and the tests.
  QTreeWidgetItem* Item(int position) const;

 private:
  // Sets one of the two check values of an item and shows its box accordingly.
  void ShowCheck(QTreeWidgetItem* item, int role, bool value);
  void ItemChanged(QTreeWidgetItem* item, int column);

  QTreeWidget& tree_;
  std::function<void(int, bool)> onNodeCheck_;
  bool showingCheck_ = false;
  std::vector<QTreeWidgetItem*> byPosition_;
  std::unordered_map<std::string, QTreeWidgetItem*> byKey_;
  std::vector<int> images_;
  bool iconsShown_ = false;
};

// The rows of the message list. Rows added in a burst are announced to the view in one step.
class ReportListModel final : public QAbstractTableModel {
 public:
  explicit ReportListModel(std::vector<ReportColumn> columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Clear();
  void Append(const QString& rowText);
  // Rows added so far, shown or not.
  int StoredRows() const { return static_cast<int>(rows_.size()); }
  void SetIcon(int row, int column, int icon);
  void ShowIcons(bool shown);
  // Makes every stored row known to the view.
  void Publish();
  // Orders the rows by a column, as the header's click asks; -1 leaves them as they are.
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    std::vector<QString> cells;
    std::vector<int> icons;  // per column, -1 for none
  };
  void SchedulePublish();

  std::vector<ReportColumn> columns_;
  std::vector<Row> rows_;
  int published_ = 0;
  bool publishScheduled_ = false;
  bool iconsShown_ = false;
};

// The message list's view: Home and End go to the first and the last row.
class ReportListView final : public QTableView {
 public:
  using QTableView::QTableView;

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};

class QtReportList final : public ReportList {
 public:
  QtReportList(QTableView& view, ReportListModel& model) : view_(view), model_(model) {}
  void Clear() override;
  void UseSmallIcons() override;
  void AddItem(const std::string& rowText) override;
  void SetReportIcon(int row, int column, int icon) override;
  void LockUpdate(bool locked) override;

 private:
  QTableView& view_;
  ReportListModel& model_;
};

class QtTabControl final : public TabControl {
 public:
  explicit QtTabControl(QTabWidget& tabs) : tabs_(tabs) {}
  int SelectedTab() const override;
  void SelectTab(int tab) override;
  bool IsTabEnabled(int tab) const override;
  void SetTabEnabled(int tab, bool enabled) override;

 private:
  int Checked(int tab) const;
  QTabWidget& tabs_;
};

// The toolbar's entries by index from 1, separators included.
class QtToolBar final : public ToolBar {
 public:
  explicit QtToolBar(std::vector<QAction*> entries) : entries_(std::move(entries)) {}
  bool IsButtonEnabled(int index) const override;
  void SetButtonEnabled(int index, bool enabled) override;
  // The index of an entry, 0 when it is not one of them.
  int IndexOf(const QAction* action) const;
  QAction* Entry(int index) const;

 private:
  std::vector<QAction*> entries_;
};

}  // namespace mailshift::shell
