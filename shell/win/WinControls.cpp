#include "shell/win/WinControls.h"

#include <algorithm>

#include "platform/win/WideText.h"
#include "shell/presenters/Icons.h"
#include "shell/presenters/MailListColumns.h"

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
  // Painted at once: the scan shows its panel and does not return to the message loop until done.
  if (visible_ && pageShown_)
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void WinControl::ShowWithPage(bool pageShown) {
  pageShown_ = pageShown;
  ShowWindow(window_, visible_ && pageShown_ ? SW_SHOWNA : SW_HIDE);
}

bool WinControl::IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }

void WinControl::SetEnabled(bool enabled) { EnableWindow(window_, enabled ? TRUE : FALSE); }

// ---- the folder tree

void WinFolderTree::ShowTree(const std::vector<notes::FolderNode>& nodes) {
  // The tree forgets its nodes before they go, so that no selection change reports a dead node.
  items_.clear();
  byItem_.clear();
  TreeView_DeleteAllItems(tree_);
  TreeView_SetImageList(tree_, smallIcons_, TVSIL_NORMAL);
  for (const notes::FolderNode& node : nodes) {
    const std::wstring text = Utf8ToWide(node.text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = node.parent && *node.parent < items_.size() ? items_[*node.parent] : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = node.image;
    insert.item.iSelectedImage = node.image;
    insert.item.state = INDEXTOSTATEIMAGEMASK(kUncheckedImage) | (node.emphasis ? TVIS_BOLD : 0u);
    insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    const auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item == nullptr) throw ControlError("the tree node " + node.key + " could not be added");
    byItem_.emplace(item, items_.size());
    items_.push_back(item);
  }
  if (!items_.empty()) TreeView_Expand(tree_, items_[0], TVE_EXPAND);
  InvalidateRect(tree_, nullptr, TRUE);
  UpdateWindow(tree_);
}

int WinFolderTree::ShownImage(std::size_t node) const {
  const UINT state = TreeView_GetItemState(tree_, Item(node), TVIS_STATEIMAGEMASK) >> 12;
  return static_cast<int>(state);
}

void WinFolderTree::ShowCheck(std::size_t node, notes::CheckShown shown) {
  const int image = shown == notes::CheckShown::Partly    ? kPartlyCheckedImage
                    : shown == notes::CheckShown::Checked ? kCheckedImage
                                                          : kUncheckedImage;
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_STATE;
  item.hItem = Item(node);
  item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(image));
  item.stateMask = TVIS_STATEIMAGEMASK;
  if (!SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
    throw ControlError("the check of tree node " + std::to_string(node) + " could not be shown");
}

std::optional<std::size_t> WinFolderTree::SelectedNode() const {
  return NodeOf(TreeView_GetSelection(tree_));
}

std::optional<std::size_t> WinFolderTree::NodeOf(HTREEITEM item) const {
  const auto found = byItem_.find(item);
  if (found == byItem_.end()) return std::nullopt;
  return found->second;
}

// ---- the message list

void WinReportList::ShowRows(const std::vector<notes::PreviewRow>& rows) {
  rows_.clear();
  rows_.reserve(rows.size());
  for (const notes::PreviewRow& row : rows) {
    rows_.push_back(
        {Utf8ToWide(row.fromTo), Utf8ToWide(row.subject), Utf8ToWide(row.size), Utf8ToWide(row.date)});
  }
  sortColumn_ = -1;
  descending_ = false;
  ShowSortArrow();
  Publish();
}

void WinReportList::Publish() {
  ListView_SetItemCountEx(list_, Rows(), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, TRUE);
  UpdateWindow(list_);
}

const std::wstring& WinReportList::Cell(int row, int column) const {
  return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

void WinReportList::FillDisplayInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || item.iItem >= Rows() || item.iSubItem < 0 || item.iSubItem >= columns_) return;
  const auto& row = rows_[static_cast<std::size_t>(item.iItem)];
  const auto column = static_cast<std::size_t>(item.iSubItem);
  if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
    const std::wstring& text = row[column];
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(text.c_str(), length, item.pszText);
    item.pszText[length] = L'\0';
  }
  // The message icon in the first cell.
  if ((item.mask & LVIF_IMAGE) != 0) item.iImage = column == 0 ? icon::kMessage : -1;
}

void WinReportList::SortBy(int column) {
  if (column < 0 || column >= columns_) return;
  descending_ = column == sortColumn_ ? !descending_ : false;
  sortColumn_ = column;
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows_.size());
  for (const auto& row : rows_) {
    std::vector<std::string>& texts = cells.emplace_back();
    for (const std::wstring& cell : row) texts.push_back(WideToUtf8(cell));
  }
  std::vector<std::vector<std::wstring>> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t index : SortedRows(cells, column, descending_)) sorted.push_back(std::move(rows_[index]));
  rows_ = std::move(sorted);
  ShowSortArrow();
  Publish();
}

void WinReportList::ShowSortArrow() {
  HWND header = ListView_GetHeader(list_);
  for (int i = 0; i < columns_; ++i) {
    HDITEMW entry{};
    entry.mask = HDI_FORMAT;
    Header_GetItem(header, i, &entry);
    entry.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == sortColumn_) entry.fmt |= descending_ ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, i, &entry);
  }
}

// ---- the tab strip

int WinTabControl::Current() const { return TabCtrl_GetCurSel(tabs_) + 1; }

MainTab WinTabControl::SelectedTab() const {
  return Current() == 2 ? MainTab::EmailsPreview : MainTab::SelectFile;
}

void WinTabControl::SelectTab(MainTab tab) {
  TabCtrl_SetCurSel(tabs_, static_cast<int>(tab) - 1);
  showPage_(static_cast<int>(tab));
}

bool WinTabControl::IsTabEnabled(int tab) const {
  if (tab < 1 || tab > static_cast<int>(disabled_.size()))
    throw ControlError("no tab " + std::to_string(tab));
  return !disabled_[static_cast<std::size_t>(tab - 1)];
}

void WinTabControl::EnableTab(MainTab tab, bool enabled) {
  disabled_[static_cast<std::size_t>(tab) - 1] = !enabled;
  // The strip draws its tabs itself (owner-drawn), greying a disabled one.
  InvalidateRect(tabs_, nullptr, TRUE);
}

void WinTabControl::UserSelected(int previous) {
  if (!IsTabEnabled(Current())) {
    TabCtrl_SetCurSel(tabs_, previous - 1);
    return;
  }
  showPage_(Current());
}

// ---- the scan panel

WinScanPanel::WinScanPanel(HWND frame, std::array<HWND, 3> arrows, std::array<HWND, 3> captions,
                           HWND folderName)
    : frame_(frame),
      arrows_{WinControl(arrows[0]), WinControl(arrows[1]), WinControl(arrows[2])},
      captions_{WinControl(captions[0]), WinControl(captions[1]), WinControl(captions[2])},
      folderName_(folderName) {}

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
