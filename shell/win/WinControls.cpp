#include "shell/win/WinControls.h"

#include <algorithm>

#include "notes/PreviewOrder.h"
#include "platform/win/WideText.h"

namespace mailshift::shell::win {

using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

std::string WinControl::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void WinControl::SetCaption(const std::string& caption) {
  if (!SetWindowTextW(window_, Utf8ToWide(caption).c_str()))
    throw ControlError("the caption could not be set (error " + std::to_string(GetLastError()) + ")");
  // A static control does not erase what a longer caption left behind on a themed frame.
  HWND parent = GetParent(window_);
  RECT place;
  GetWindowRect(window_, &place);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
  InvalidateRect(parent, &place, TRUE);
  UpdateWindow(parent);
  UpdateWindow(window_);
}

void WinControl::SetVisible(bool visible) {
  visible_ = visible;
  ShowWindow(window_, visible_ && pageShown_ ? SW_SHOWNA : SW_HIDE);
}

void WinControl::ShowWithPage(bool pageShown) {
  pageShown_ = pageShown;
  ShowWindow(window_, visible_ && pageShown_ ? SW_SHOWNA : SW_HIDE);
}

bool WinControl::IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }

void WinControl::SetEnabled(bool enabled) { EnableWindow(window_, enabled ? TRUE : FALSE); }

// ---- the folder tree

WinTreeControl::Node& WinTreeControl::At(int position) {
  if (position < 1 || position > NodeCount()) throw ControlError("no tree node " + std::to_string(position));
  return nodes_[static_cast<std::size_t>(position - 1)];
}

const WinTreeControl::Node& WinTreeControl::At(int position) const {
  if (position < 1 || position > NodeCount()) throw ControlError("no tree node " + std::to_string(position));
  return nodes_[static_cast<std::size_t>(position - 1)];
}

void WinTreeControl::Clear() {
  // The tree forgets its nodes before they go, so that no selection change reports a dead node.
  nodes_.clear();
  byKey_.clear();
  byItem_.clear();
  TreeView_DeleteAllItems(tree_);
}

void WinTreeControl::UseSmallIcons() { TreeView_SetImageList(tree_, smallIcons_, TVSIL_NORMAL); }

void WinTreeControl::AddNode(const TreeNodeSpec& node) {
  if (byKey_.count(node.key) != 0) throw ControlError("duplicate tree key " + node.key);
  std::optional<int> parent;
  HTREEITEM parentItem = TVI_ROOT;
  if (node.parentKey) {
    const auto found = byKey_.find(*node.parentKey);
    if (found == byKey_.end()) throw ControlError("no tree node with key " + *node.parentKey);
    parent = found->second;
    parentItem = At(found->second).item;
  }
  const std::wstring text = Utf8ToWide(node.text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parentItem;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.iImage = node.image;
  insert.item.iSelectedImage = node.image;
  insert.item.state = INDEXTOSTATEIMAGEMASK(kUncheckedImage) | (node.emphasis ? TVIS_BOLD : 0u);
  insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
  const auto item =
      reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item == nullptr) throw ControlError("the tree node " + node.key + " could not be added");
  nodes_.push_back(Node{item, node.tag, parent, false, false});
  byKey_.emplace(node.key, NodeCount());
  byItem_.emplace(item, NodeCount());
}

void WinTreeControl::SetCheckState(int position, int state) {
  At(position).checked = state == 1;
  ShowCheck(position);
}

void WinTreeControl::SetPartlyChecked(int position, bool partly) {
  At(position).partly = partly;
  ShowCheck(position);
}

int WinTreeControl::ShownImage(int position) const {
  const Node& node = At(position);
  if (node.partly) return kPartlyCheckedImage;
  return node.checked ? kCheckedImage : kUncheckedImage;
}

void WinTreeControl::ShowCheck(int position) {
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_STATE;
  item.hItem = At(position).item;
  item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(ShownImage(position)));
  item.stateMask = TVIS_STATEIMAGEMASK;
  if (!SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
    throw ControlError("the check of tree node " + std::to_string(position) + " could not be shown");
}

std::optional<int> WinTreeControl::SelectedNode() const { return PositionOf(TreeView_GetSelection(tree_)); }

std::optional<int> WinTreeControl::PositionOf(HTREEITEM item) const {
  const auto found = byItem_.find(item);
  if (found == byItem_.end()) return std::nullopt;
  return found->second;
}

void WinTreeControl::FinishUpdate() {
  if (NodeCount() > 0) TreeView_Expand(tree_, Item(1), TVE_EXPAND);
  InvalidateRect(tree_, nullptr, TRUE);
  UpdateWindow(tree_);
}

// ---- the message list

void WinReportList::Clear() {
  rows_.clear();
  sortColumn_ = -1;
  descending_ = false;
  Publish();
}

void WinReportList::UseSmallIcons() {
  iconsShown_ = true;
  InvalidateRect(list_, nullptr, TRUE);
}

void WinReportList::AddItem(const std::string& rowText) {
  Row row;
  std::size_t start = 0;
  while (static_cast<int>(row.cells.size()) < columns_) {
    const std::size_t tab = rowText.find('\t', start);
    row.cells.push_back(Utf8ToWide(rowText.substr(start, tab == std::string::npos ? tab : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  row.cells.resize(static_cast<std::size_t>(columns_));
  row.icons.assign(static_cast<std::size_t>(columns_), -1);
  rows_.push_back(std::move(row));
  if (!locked_) Publish();
}

void WinReportList::SetReportIcon(int row, int column, int icon) {
  if (row < 0 || row >= Rows()) throw ControlError("no list row " + std::to_string(row));
  if (column < 0 || column >= columns_) throw ControlError("no list column " + std::to_string(column));
  rows_[static_cast<std::size_t>(row)].icons[static_cast<std::size_t>(column)] = icon;
  if (!locked_) ListView_RedrawItems(list_, row, row);
}

void WinReportList::LockUpdate(bool locked) {
  locked_ = locked;
  if (!locked) Publish();
}

void WinReportList::Publish() {
  ListView_SetItemCountEx(list_, Rows(), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, TRUE);
  UpdateWindow(list_);
}

const std::wstring& WinReportList::Cell(int row, int column) const {
  return rows_.at(static_cast<std::size_t>(row)).cells.at(static_cast<std::size_t>(column));
}

void WinReportList::FillDisplayInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || item.iItem >= Rows() || item.iSubItem < 0 || item.iSubItem >= columns_) return;
  const Row& row = rows_[static_cast<std::size_t>(item.iItem)];
  const auto column = static_cast<std::size_t>(item.iSubItem);
  if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
    const std::wstring& text = row.cells[column];
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(text.c_str(), length, item.pszText);
    item.pszText[length] = L'\0';
  }
  if ((item.mask & LVIF_IMAGE) != 0) item.iImage = iconsShown_ ? row.icons[column] : -1;
}

void WinReportList::SortBy(int column) {
  if (column < 0 || column >= columns_) return;
  descending_ = column == sortColumn_ ? !descending_ : false;
  sortColumn_ = column;
  std::vector<std::pair<notes::PreviewSortKey, std::size_t>> keys;
  keys.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    keys.emplace_back(
        notes::PreviewCellSortKey(column, WideToUtf8(rows_[i].cells[static_cast<std::size_t>(column)])), i);
  }
  const bool descending = descending_;
  std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
    return descending ? b.first < a.first : a.first < b.first;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows_[key.second]));
  rows_ = std::move(sorted);
  HWND header = ListView_GetHeader(list_);
  for (int i = 0; i < columns_; ++i) {
    HDITEMW entry{};
    entry.mask = HDI_FORMAT;
    Header_GetItem(header, i, &entry);
    entry.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) entry.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, i, &entry);
  }
  Publish();
}

// ---- the tab strip

int WinTabControl::Checked(int tab) const {
  if (tab < 1 || tab > TabCtrl_GetItemCount(tabs_)) throw ControlError("no tab " + std::to_string(tab));
  return tab;
}

int WinTabControl::SelectedTab() const { return TabCtrl_GetCurSel(tabs_) + 1; }

void WinTabControl::SelectTab(int tab) {
  TabCtrl_SetCurSel(tabs_, Checked(tab) - 1);
  showPage_(tab);
}

bool WinTabControl::IsTabEnabled(int tab) const {
  return !disabled_[static_cast<std::size_t>(Checked(tab) - 1)];
}

void WinTabControl::SetTabEnabled(int tab, bool enabled) {
  disabled_[static_cast<std::size_t>(Checked(tab) - 1)] = !enabled;
  // The strip draws its tabs itself (owner-drawn), greying a disabled one.
  InvalidateRect(tabs_, nullptr, TRUE);
}

void WinTabControl::UserSelected(int previous) {
  if (!IsTabEnabled(SelectedTab())) {
    TabCtrl_SetCurSel(tabs_, previous - 1);
    return;
  }
  showPage_(SelectedTab());
}

// ---- the toolbar

int WinToolBar::Checked(int index) const {
  if (index < 1 || index > count_) throw ControlError("no toolbar button " + std::to_string(index));
  return index;
}

bool WinToolBar::IsButtonEnabled(int index) const {
  return SendMessageW(toolbar_, TB_ISBUTTONENABLED, static_cast<WPARAM>(commandBase_ + Checked(index)), 0) !=
         0;
}

void WinToolBar::SetButtonEnabled(int index, bool enabled) {
  SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(commandBase_ + Checked(index)),
               MAKELPARAM(enabled, 0));
}

}  // namespace mailshift::shell::win
