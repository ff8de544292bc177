#include "shell/QtControls.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>

#include "common/Controls.h"
#include "shell/Artwork.h"

namespace mailshift::shell {
namespace {

constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kShownRole = Qt::UserRole + 2;

}  // namespace

Qt::Alignment ToQtAlignment(ColumnAlignment alignment) {
  switch (alignment) {
    case ColumnAlignment::Centre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ColumnAlignment::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlignment::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QtFolderTree::QtFolderTree(QTreeWidget& tree) : tree_(tree) {
  QObject::connect(&tree_, &QTreeWidget::itemChanged,
                   [this](QTreeWidgetItem* item, int column) { ItemChanged(item, column); });
}

void QtFolderTree::ItemChanged(QTreeWidgetItem* item, int column) {
  if (drawing_ || column != 0) return;
  const auto shown = static_cast<Qt::CheckState>(item->data(0, kShownRole).toInt());
  if (item->checkState(0) == shown) return;  // a change of text, font or icon
  // The box goes back to what it showed until the presenter says what it shows now.
  Draw(item, shown);
  if (onBoxClicked_) onBoxClicked_(static_cast<std::size_t>(item->data(0, kIndexRole).toInt()));
}

void QtFolderTree::Draw(QTreeWidgetItem* item, Qt::CheckState state) {
  // The item reports each of these changes; none of them is the user's.
  drawing_ = true;
  item->setData(0, kShownRole, static_cast<int>(state));
  item->setCheckState(0, state);
  drawing_ = false;
}

void QtFolderTree::ShowTree(const std::vector<notes::FolderNode>& nodes) {
  tree_.clear();
  items_.clear();
  for (const notes::FolderNode& node : nodes) {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(node.text)});
    item->setData(0, kIndexRole, static_cast<int>(items_.size()));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    Draw(item, Qt::Unchecked);
    if (node.emphasis) {
      QFont font = tree_.font();
      font.setBold(true);
      item->setFont(0, font);
    }
    item->setIcon(0, SmallIcon(node.image));
    if (node.parent && *node.parent < items_.size()) {
      items_[*node.parent]->addChild(item);
      items_[*node.parent]->setExpanded(true);
    } else {
      tree_.addTopLevelItem(item);
    }
    items_.push_back(item);
  }
  tree_.viewport()->update();
  if (tree_.isVisible()) tree_.repaint();
}

void QtFolderTree::ShowCheck(std::size_t node, notes::CheckShown shown) {
  Draw(Item(node), shown == notes::CheckShown::Partly    ? Qt::PartiallyChecked
                   : shown == notes::CheckShown::Checked ? Qt::Checked
                                                         : Qt::Unchecked);
}

QTreeWidgetItem* QtFolderTree::Item(std::size_t node) const {
  if (node >= items_.size()) throw ControlError("no tree node " + std::to_string(node));
  return items_[node];
}

std::optional<std::size_t> QtFolderTree::SelectedNode() const {
  const QTreeWidgetItem* current = tree_.currentItem();
  if (current == nullptr) return std::nullopt;
  return static_cast<std::size_t>(current->data(0, kIndexRole).toInt());
}

ReportListModel::ReportListModel(std::vector<ReportColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

int ReportListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : published_; }

int ReportListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= published_) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return column < row.cells.size() ? row.cells[column] : QString();
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(ToQtAlignment(columns_[column].alignment));
    case Qt::DecorationRole:
      if (column == 0 && row.icon >= 0) return SmallIcon(row.icon);
      return {};
    default:
      return {};
  }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ReportColumn& column = columns_[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return QString::fromStdString(column.caption);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ToQtAlignment(column.alignment));
  return {};
}

void ReportListModel::Clear() {
  beginResetModel();
  rows_.clear();
  published_ = 0;
  endResetModel();
}

void ReportListModel::Append(std::vector<QString> cells, int icon) {
  rows_.push_back(Row{std::move(cells), icon});
  SchedulePublish();
}

void ReportListModel::Publish() {
  if (published_ >= StoredRows()) return;
  beginInsertRows(QModelIndex(), published_, StoredRows() - 1);
  published_ = StoredRows();
  endInsertRows();
}

void ReportListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  Publish();
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows_.size());
  for (const Row& row : rows_) {
    std::vector<std::string>& texts = cells.emplace_back();
    for (const QString& cell : row.cells) texts.push_back(cell.toStdString());
  }
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t index : SortedRows(cells, column, order == Qt::DescendingOrder))
    sorted.push_back(std::move(rows_[index]));
  beginResetModel();
  rows_ = std::move(sorted);
  endResetModel();
}

void ReportListModel::SchedulePublish() {
  if (publishScheduled_) return;
  publishScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        publishScheduled_ = false;
        Publish();
      },
      Qt::QueuedConnection);
}

void QtMessageList::ShowRows(const std::vector<notes::PreviewRow>& rows) {
  model_.Clear();
  view_.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  for (const notes::PreviewRow& row : rows) {
    model_.Append({QString::fromStdString(row.fromTo), QString::fromStdString(row.subject),
                   QString::fromStdString(row.size), QString::fromStdString(row.date)},
                  icon::kMessage);
  }
  model_.Publish();
  view_.viewport()->update();
}

namespace {

void RepaintAround(QWidget& widget) {
  if (widget.parentWidget() != nullptr && widget.parentWidget()->isVisible())
    widget.parentWidget()->repaint();
}

}  // namespace

void QtScanPanel::ShowScanPanel(bool shown) {
  frame_.setVisible(shown);
  RepaintAround(frame_);
}

void QtScanPanel::ShowArrow(ScanArrow arrow, bool shown) {
  QLabel& picture = *arrows_[static_cast<std::size_t>(arrow)];
  picture.setVisible(shown);
  RepaintAround(picture);
}

void QtScanPanel::ShowFolderName(const std::string& caption) {
  constexpr qint64 kPaintIntervalMilliseconds = 30;
  folderName_.setText(QString::fromStdString(caption));
  if (!folderName_.isVisible()) return;
  if (sinceFolderName_.isValid() && sinceFolderName_.elapsed() < kPaintIntervalMilliseconds) {
    folderName_.update();
    return;
  }
  folderName_.repaint();
  sinceFolderName_.start();
}

void QtScanPanel::ShowPhaseCaption(ScanArrow phase, const std::string& caption) {
  QLabel& label = *captions_[static_cast<std::size_t>(phase)];
  label.setText(QString::fromStdString(caption));
  RepaintAround(label);
}

QModelIndex ReportListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  if (cursorAction == MoveHome || cursorAction == MoveEnd) modifiers |= Qt::ControlModifier;
  return QTableView::moveCursor(cursorAction, modifiers);
}

}  // namespace mailshift::shell
