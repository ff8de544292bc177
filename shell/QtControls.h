// The folder tree and the message list of the main window, on Qt widgets.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTableView>
#include <QTreeWidget>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "notes/FolderChecks.h"
#include "notes/MailScan.h"
#include "shell/presenters/MailListColumns.h"
#include "shell/presenters/MainView.h"

class QGroupBox;
class QLabel;

namespace mailshift::shell {

// The folder tree: a check box at every node, emphasis in bold, the small icons. A box shows what
// it is told; the user's click on it is reported, not applied.
class QtFolderTree final : public FolderTreeView {
 public:
  explicit QtFolderTree(QTreeWidget& tree);
  // What runs when the user clicks a node's box: the node's index.
  void OnBoxClicked(std::function<void(std::size_t)> handler) { onBoxClicked_ = std::move(handler); }
  void ShowTree(const std::vector<notes::FolderNode>& nodes) override;
  void ShowCheck(std::size_t node, notes::CheckShown shown) override;
  std::optional<std::size_t> SelectedNode() const override;
  std::size_t NodeCount() const { return items_.size(); }
  QTreeWidgetItem* Item(std::size_t node) const;

 private:
  void ItemChanged(QTreeWidgetItem* item, int column);
  void Draw(QTreeWidgetItem* item, Qt::CheckState state);

  QTreeWidget& tree_;
  std::function<void(std::size_t)> onBoxClicked_;
  bool drawing_ = false;
  std::vector<QTreeWidgetItem*> items_;
};

// The rows of the message list, each with the message icon in its first cell. Rows added in a
// burst are announced to the view in one step.
class ReportListModel final : public QAbstractTableModel {
 public:
  explicit ReportListModel(std::vector<ReportColumn> columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Clear();
  void Append(std::vector<QString> cells, int icon);
  // Rows added so far, shown or not.
  int StoredRows() const { return static_cast<int>(rows_.size()); }
  // Makes every stored row known to the view.
  void Publish();
  // Orders the rows by a column, as the header's click asks; -1 leaves them as they are.
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    std::vector<QString> cells;
    int icon = -1;  // in the first cell
  };
  void SchedulePublish();

  std::vector<ReportColumn> columns_;
  std::vector<Row> rows_;
  int published_ = 0;
  bool publishScheduled_ = false;
};

// The message list's view: Home and End go to the first and the last row.
class ReportListView final : public QTableView {
 public:
  using QTableView::QTableView;

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};

// The message list: a new listing comes in the folder's own order, the message icon in each row.
class QtMessageList final : public MessageListView {
 public:
  QtMessageList(QTableView& view, ReportListModel& model) : view_(view), model_(model) {}
  void ShowRows(const std::vector<notes::PreviewRow>& rows) override;

 private:
  QTableView& view_;
  ReportListModel& model_;
};

// The scan panel. Its changes show at once: the scan does not return to the event loop. Folder
// names that change faster than the eye follows are painted every few hundredths of a second, the
// last one when the event loop runs again.
class QtScanPanel final : public ScanPanelView {
 public:
  QtScanPanel(QGroupBox& frame, std::array<QLabel*, 3> arrows, std::array<QLabel*, 3> captions,
              QLabel& folderName)
      : frame_(frame), arrows_(arrows), captions_(captions), folderName_(folderName) {}
  void ShowScanPanel(bool shown) override;
  void ShowArrow(ScanArrow arrow, bool shown) override;
  void ShowFolderName(const std::string& caption) override;
  void ShowPhaseCaption(ScanArrow phase, const std::string& caption) override;

 private:
  QGroupBox& frame_;
  std::array<QLabel*, 3> arrows_;    // ImgReadingArrow, ImgEmailsArrow, ImgMailFolderArrow
  std::array<QLabel*, 3> captions_;  // Label10, Label1, Label2
  QLabel& folderName_;
  QElapsedTimer sinceFolderName_;
};

Qt::Alignment ToQtAlignment(ColumnAlignment alignment);

}  // namespace mailshift::shell
