#include "shell/QtControls.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <algorithm>

#include "notes/PreviewOrder.h"
#include "shell/Artwork.h"

namespace mailshift::shell {
namespace {

constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kPositionRole = Qt::UserRole + 2;
constexpr int kOwnCheckRole = Qt::UserRole + 3;
constexpr int kPartlyCheckedRole = Qt::UserRole + 4;
constexpr qint64 kCaptionPaintIntervalMilliseconds = 30;

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::string WidgetControl::Caption() const {
  if (const auto* label = qobject_cast<const QLabel*>(&widget_)) return label->text().toStdString();
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget_))
    return button->text().toStdString();
  if (const auto* frame = qobject_cast<const QGroupBox*>(&widget_)) return frame->title().toStdString();
  if (const auto* box = qobject_cast<const QLineEdit*>(&widget_)) return box->text().toStdString();
  return {};
}

void WidgetControl::SetCaption(const std::string& caption) {
  const QString text = ToQt(caption);
  if (auto* label = qobject_cast<QLabel*>(&widget_)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget_)) {
    button->setText(text);
  } else if (auto* frame = qobject_cast<QGroupBox*>(&widget_)) {
    frame->setTitle(text);
  } else if (auto* box = qobject_cast<QLineEdit*>(&widget_)) {
    box->setText(text);
  } else {
    throw ControlError("control " + widget_.objectName().toStdString() + " has no caption");
  }
  if (!widget_.isVisible()) return;
  if (sincePaint_.isValid() && sincePaint_.elapsed() < kCaptionPaintIntervalMilliseconds) {
    widget_.update();
    return;
  }
  widget_.repaint();
  sincePaint_.start();
}

bool WidgetControl::IsVisible() const { return !widget_.isHidden(); }

void WidgetControl::SetVisible(bool visible) {
  widget_.setVisible(visible);
  if (widget_.parentWidget() != nullptr && widget_.parentWidget()->isVisible())
    widget_.parentWidget()->repaint();
}

// Enabled as set: a button on a disabled tab keeps its own state.
bool WidgetControl::IsEnabled() const { return !widget_.testAttribute(Qt::WA_ForceDisabled); }

void WidgetControl::SetEnabled(bool enabled) { widget_.setEnabled(enabled); }

QtTreeControl::QtTreeControl(QTreeWidget& tree) : tree_(tree) {
  QObject::connect(&tree_, &QTreeWidget::itemChanged,
                   [this](QTreeWidgetItem* item, int column) { ItemChanged(item, column); });
}

void QtTreeControl::ItemChanged(QTreeWidgetItem* item, int column) {
  if (showingCheck_ || column != 0) return;
  const Qt::CheckState shown = item->checkState(0);
  const bool own = item->data(0, kOwnCheckRole).toBool();
  const bool partly = item->data(0, kPartlyCheckedRole).toBool();
  const Qt::CheckState expected = partly ? Qt::PartiallyChecked : own ? Qt::Checked : Qt::Unchecked;
  if (shown == expected) return;  // a change of text, font or icon
  // A click on a partly-checked box checks the whole branch.
  const bool checked = shown != Qt::Unchecked;
  if (onNodeCheck_) {
    onNodeCheck_(item->data(0, kPositionRole).toInt(), checked);
  } else {
    ShowCheck(item, kOwnCheckRole, checked);
  }
}

void QtTreeControl::ShowCheck(QTreeWidgetItem* item, int role, bool value) {
  // The item reports each of these changes; none of them is the user's.
  showingCheck_ = true;
  item->setData(0, role, value);
  const bool own = item->data(0, kOwnCheckRole).toBool();
  const bool partly = item->data(0, kPartlyCheckedRole).toBool();
  item->setCheckState(0, partly ? Qt::PartiallyChecked : own ? Qt::Checked : Qt::Unchecked);
  showingCheck_ = false;
}

void QtTreeControl::Clear() {
  tree_.clear();
  byPosition_.clear();
  byKey_.clear();
  images_.clear();
}

void QtTreeControl::UseSmallIcons() {
  iconsShown_ = true;
  for (std::size_t i = 0; i < byPosition_.size(); ++i) byPosition_[i]->setIcon(0, SmallIcon(images_[i]));
}

void QtTreeControl::AddNode(const TreeNodeSpec& node) {
  if (byKey_.count(node.key) != 0) throw ControlError("a node with the key " + node.key + " exists already");
  QTreeWidgetItem* parent = nullptr;
  if (node.parentKey) {
    const auto found = byKey_.find(*node.parentKey);
    if (found == byKey_.end()) throw ControlError("no parent node with the key " + *node.parentKey);
    parent = found->second;
  }
  auto* item = new QTreeWidgetItem(QStringList{ToQt(node.text)});
  item->setData(0, kTagRole, ToQt(node.tag));
  item->setData(0, kPositionRole, static_cast<int>(byPosition_.size()) + 1);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setData(0, kPartlyCheckedRole, false);
  ShowCheck(item, kOwnCheckRole, false);
  if (node.emphasis) {
    QFont font = tree_.font();
    font.setBold(true);
    item->setFont(0, font);
  }
  if (iconsShown_) item->setIcon(0, SmallIcon(node.image));
  if (parent != nullptr) {
    parent->addChild(item);
    parent->setExpanded(true);
  } else {
    tree_.addTopLevelItem(item);
  }
  byPosition_.push_back(item);
  images_.push_back(node.image);
  byKey_.emplace(node.key, item);
}

int QtTreeControl::NodeCount() const { return static_cast<int>(byPosition_.size()); }

QTreeWidgetItem* QtTreeControl::Item(int position) const {
  if (position < 1 || position > NodeCount()) {
    throw ControlError("no tree node at position " + std::to_string(position));
  }
  return byPosition_[static_cast<std::size_t>(position - 1)];
}

std::string QtTreeControl::NodeTag(int position) const {
  return Item(position)->data(0, kTagRole).toString().toStdString();
}

int QtTreeControl::CheckState(int position) const {
  return Item(position)->data(0, kOwnCheckRole).toBool() ? 1 : 0;
}

void QtTreeControl::SetCheckState(int position, int state) {
  ShowCheck(Item(position), kOwnCheckRole, state == 1);
}

bool QtTreeControl::IsPartlyChecked(int position) const {
  return Item(position)->data(0, kPartlyCheckedRole).toBool();
}

void QtTreeControl::SetPartlyChecked(int position, bool partly) {
  ShowCheck(Item(position), kPartlyCheckedRole, partly);
}

std::optional<int> QtTreeControl::ParentNode(int position) const {
  const QTreeWidgetItem* parent = Item(position)->parent();
  if (parent == nullptr) return std::nullopt;
  return parent->data(0, kPositionRole).toInt();
}

std::optional<int> QtTreeControl::SelectedNode() const {
  const QTreeWidgetItem* current = tree_.currentItem();
  if (current == nullptr) return std::nullopt;
  return current->data(0, kPositionRole).toInt();
}

void QtTreeControl::FinishUpdate() {
  tree_.viewport()->update();
  if (tree_.isVisible()) tree_.repaint();
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
      return QVariant::fromValue(columns_[column].alignment);
    case Qt::DecorationRole:
      if (iconsShown_ && column < row.icons.size() && row.icons[column] >= 0)
        return SmallIcon(row.icons[column]);
      return {};
    default:
      return {};
  }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ReportColumn& column = columns_[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return column.caption;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(column.alignment);
  return {};
}

void ReportListModel::Clear() {
  beginResetModel();
  rows_.clear();
  published_ = 0;
  endResetModel();
}

void ReportListModel::Append(const QString& rowText) {
  Row row;
  row.cells.reserve(columns_.size());
  for (const QString& cell : rowText.split(QLatin1Char('\t'))) row.cells.push_back(cell);
  row.icons.assign(columns_.size(), -1);
  rows_.push_back(std::move(row));
  SchedulePublish();
}

void ReportListModel::SetIcon(int row, int column, int icon) {
  if (row < 0 || row >= StoredRows()) throw ControlError("no list row " + std::to_string(row));
  if (column < 0 || column >= columnCount()) throw ControlError("no list column " + std::to_string(column));
  rows_[static_cast<std::size_t>(row)].icons[static_cast<std::size_t>(column)] = icon;
  if (row < published_) emit dataChanged(index(row, column), index(row, column), {Qt::DecorationRole});
}

void ReportListModel::ShowIcons(bool shown) {
  iconsShown_ = shown;
  if (published_ > 0)
    emit dataChanged(index(0, 0), index(published_ - 1, columnCount() - 1), {Qt::DecorationRole});
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
  std::vector<std::pair<notes::PreviewSortKey, std::size_t>> keys;
  keys.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const auto cell = static_cast<std::size_t>(column);
    const QString text = cell < rows_[i].cells.size() ? rows_[i].cells[cell] : QString();
    keys.emplace_back(notes::PreviewCellSortKey(column, text.toStdString()), i);
  }
  std::stable_sort(keys.begin(), keys.end(), [order](const auto& a, const auto& b) {
    return order == Qt::AscendingOrder ? a.first < b.first : b.first < a.first;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows_[key.second]));
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

QModelIndex ReportListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  if (cursorAction == MoveHome || cursorAction == MoveEnd) modifiers |= Qt::ControlModifier;
  return QTableView::moveCursor(cursorAction, modifiers);
}

void QtReportList::Clear() {
  model_.Clear();
  // A new listing comes in the folder's own order.
  view_.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void QtReportList::UseSmallIcons() { model_.ShowIcons(true); }

void QtReportList::AddItem(const std::string& rowText) { model_.Append(ToQt(rowText)); }

void QtReportList::SetReportIcon(int row, int column, int icon) { model_.SetIcon(row, column, icon); }

void QtReportList::LockUpdate(bool locked) {
  if (locked) {
    view_.setUpdatesEnabled(false);
    return;
  }
  model_.Publish();
  view_.setUpdatesEnabled(true);
  view_.viewport()->update();
}

int QtTabControl::Checked(int tab) const {
  if (tab < 1 || tab > tabs_.count()) throw ControlError("no tab " + std::to_string(tab));
  return tab - 1;
}

int QtTabControl::SelectedTab() const { return tabs_.currentIndex() + 1; }

void QtTabControl::SelectTab(int tab) { tabs_.setCurrentIndex(Checked(tab)); }

bool QtTabControl::IsTabEnabled(int tab) const { return tabs_.isTabEnabled(Checked(tab)); }

void QtTabControl::SetTabEnabled(int tab, bool enabled) { tabs_.setTabEnabled(Checked(tab), enabled); }

QAction* QtToolBar::Entry(int index) const {
  if (index < 1 || index > static_cast<int>(entries_.size())) {
    throw ControlError("no toolbar button " + std::to_string(index));
  }
  return entries_[static_cast<std::size_t>(index - 1)];
}

bool QtToolBar::IsButtonEnabled(int index) const { return Entry(index)->isEnabled(); }

void QtToolBar::SetButtonEnabled(int index, bool enabled) { Entry(index)->setEnabled(enabled); }

int QtToolBar::IndexOf(const QAction* action) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i] == action) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace mailshift::shell
