#include "shell/win/frmMain.h"

// After windows.h:
#include <shellapi.h>

#include "common/Messages.h"
#include "platform/win/WideText.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/MailListColumns.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/presenters/Vendor.h"
#include "shell/win/Pictures.h"
#include "shell/win/Resources.h"
#include "shell/win/frmAbout.h"
#include "shell/win/frmSave.h"

namespace mailshift::shell::win {
namespace {

constexpr const wchar_t* kMainClass = L"MailshiftMain";
constexpr int kClientWidth = 924;
constexpr int kClientHeight = 600;
constexpr int kBannerHeight = 64;
constexpr COLORREF kBannerColour = RGB(255, 255, 255);
constexpr COLORREF kAlternateRow = RGB(241, 246, 252);

using platform::win::Utf8ToWide;

// The list view's format of each alignment, in the order of ColumnAlignment.
constexpr int kColumnFormats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_RIGHT};
int ColumnFormat(ColumnAlignment alignment) { return kColumnFormats[static_cast<int>(alignment)]; }

// Ids of the controls that only show something.
enum Decoration : int { kLabel7 = 301, kLabel8, kLabel9, kLblFolderName, kOsenXPLabel11 };

}  // namespace

frmMain::frmMain(WinServices& services) : ServicedMainView(services), help_(nullptr, services.Desktop) {
  static const bool registered = [] {
    RegisterPictureClass();
    RegisterWindowClass<frmMain>(kMainClass,
                                 LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM)),
                                 GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }();
  (void)registered;
  // Fixed single border with a minimise button and no maximise button.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, TRUE, WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES);
  window_ =
      CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, kMainClass, Utf8ToWide(kMainCaption).c_str(),
                      style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                      nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr)
    throw ControlError("the main window could not be made (error " + std::to_string(GetLastError()) + ")");
  help_.SetOwner(window_);
  Build();
  presenter_ = std::make_unique<MainPresenter>(
      MainViews{*this, *tabs_, *scanPanel_, *tree_, *mailList_}, services.Core, help_,
      MainSettings{services.LogPath, services.ProgramFolder, services.Remembered});
  presenter_->Form_Load();
}

frmMain::~frmMain() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

void frmMain::Show() {
  if (!IsWindowVisible(window_)) CentreWindow(window_, nullptr);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
}

void frmMain::Build() {
  smallIcons_ = LoadIconList(IDB_SMALLICONS16, 16);
  toolbarIcons_ = LoadIconList(IDB_SMALLICONS24, 24);
  checkBoxes_ = CheckBoxImages();
  BuildBanner();
  BuildMenus();
  BuildToolBar();
  NotesTab = CreateChild(window_, WC_TABCONTROLW, "", WS_CLIPSIBLINGS | WS_TABSTOP | TCS_OWNERDRAWFIXED, 10,
                         120, 904, 448, kNotesTab);
  TabCtrl_SetImageList(NotesTab, smallIcons_);
  const std::pair<std::wstring, int> tabs[] = {{Utf8ToWide(text::kSelectFileTab), icon::kDatabase},
                                               {Utf8ToWide(text::kEmailsPreviewTab), icon::kMessage}};
  for (int i = 0; i < 2; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<wchar_t*>(tabs[i].first.c_str());
    item.iImage = tabs[i].second;
    TabCtrl_InsertItem(NotesTab, i, &item);
  }
  tabs_ = std::make_unique<WinTabControl>(NotesTab, [this](int tab) { ShowPage(tab); });
  TabCtrl_SetItemSize(NotesTab, 130, 24);
  BuildSelectFilePage();
  BuildPreviewPage();
  // The pages' controls are the tab control's siblings: they lie above it in the stacking order,
  // and the tab control, which clips its siblings, never paints over them.
  SetWindowPos(NotesTab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  StatusBar = CreateChild(window_, STATUSCLASSNAMEW, "", SBARS_TOOLTIPS, 0, 0, 0, 0);
  const int edges[] = {230, 640, -1};
  SendMessageW(StatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  const std::string panels[] = {kVendorName, text::kStatusEmail + std::string(kSupportAddress), kWebAddress};
  for (int i = 0; i < 3; ++i) {
    // Panels 1 and 3 are bold: the window draws them (WM_DRAWITEM); the text stays for readers.
    const WPARAM how = static_cast<WPARAM>(i) | (i == 1 ? 0 : SBT_OWNERDRAW);
    static std::wstring texts[3];
    texts[i] = Utf8ToWide(panels[i]);
    SendMessageW(StatusBar, SB_SETTEXTW, how, reinterpret_cast<LPARAM>(texts[i].c_str()));
  }
}

void frmMain::BuildBanner() {
  CreatePicture(window_, IDB_LOGO, 14, 8, 48, 48, kBannerColour);  // Image3
  HWND label7 = CreateChild(window_, L"STATIC", text::kBannerCompany, SS_LEFT, 74, 18, 80, 20, kLabel7);
  SendMessageW(label7, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true, 11)), FALSE);
  HWND label8 = CreateChild(window_, L"STATIC", text::kBannerProduct, SS_LEFT, 150, 6, 200, 34, kLabel8);
  SendMessageW(label8, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true, 20)), FALSE);
  CreateChild(window_, L"STATIC", text::kBannerLine, SS_LEFT, 76, 42, 400, 16, kLabel9);
  CreatePicture(window_, IDB_RULE, 0, kBannerHeight, kClientWidth, 3, kBannerColour);  // Image2
}

void frmMain::BuildMenus() {
  HMENU menus[] = {CreatePopupMenu(), CreatePopupMenu()};
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    const MenuEntry& entry = kMenus[i];
    HMENU menu = menus[entry.menu == Menu::File ? 0 : 1];
    if (entry.caption == nullptr) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::wstring caption = Utf8ToWide(entry.caption) + (entry.ctrlO ? L"\tCtrl+O" : L"");
    AppendMenuW(menu, MF_STRING, kMenuBase + i, caption.c_str());
    if (entry.ctrlO) {
      ACCEL shortcut{FCONTROL | FVIRTKEY, 'O', static_cast<WORD>(kMenuBase + i)};
      accelerators_ = CreateAcceleratorTableW(&shortcut, 1);
    }
  }
  HMENU bar = CreateMenu();
  for (int i = 0; i < 2; ++i)
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus[i]), Utf8ToWide(kMenuTitles[i]).c_str());
  SetMenu(window_, bar);
}

void frmMain::BuildToolBar() {
  NotesToolBar =
      CreateChild(window_, TOOLBARCLASSNAMEW, "",
                  TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS, 6,
                  kBannerHeight + 5, 400, 48);
  SendMessageW(NotesToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(NotesToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarIcons_));
  static std::wstring captions[kToolbar.size()];
  TBBUTTON buttons[kToolbar.size()] = {};
  for (std::size_t i = 0; i < kToolbar.size(); ++i) {
    buttons[i].idCommand = kToolBarBase + static_cast<int>(i) + 1;
    if (kToolbar[i].caption == nullptr) {
      buttons[i].fsStyle = BTNS_SEP;
      buttons[i].iBitmap = 8;
      continue;
    }
    captions[i] = Utf8ToWide(kToolbar[i].caption);
    buttons[i].iBitmap = kToolbar[i].image;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
  }
  SendMessageW(NotesToolBar, TB_ADDBUTTONSW, kToolbar.size(), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(NotesToolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(56, 44));
  toolbar_ = std::make_unique<WinToolBar>(NotesToolBar, kToolBarBase, static_cast<int>(kToolbar.size()));
}

void frmMain::BuildSelectFilePage() {
  auto& page = selectFilePage_;
  page.push_back(
      CreatePicture(window_, IDB_SELECTFILE, 34, 170, 176, 132, GetSysColor(COLOR_WINDOW)));  // Image1
  HWND label3 = CreateChild(window_, L"STATIC", text::kSelectDatabase, SS_LEFT, 232, 172, 400, 16);
  SendMessageW(label3, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true)), FALSE);
  page.push_back(label3);
  txtNotesDatabaseFile = CreateChild(window_, L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 232,
                                     194, 540, 22, kTxtNotesDatabaseFile, WS_EX_CLIENTEDGE);
  page.push_back(txtNotesDatabaseFile);
  page.push_back(CreateChild(window_, L"BUTTON", kButtons[0].caption, BS_PUSHBUTTON | WS_TABSTOP, 780, 192,
                             120, 26, kCmdBrowse));
  page.push_back(CreateChild(window_, L"BUTTON", kButtons[1].caption, BS_PUSHBUTTON | WS_TABSTOP, 780, 226,
                             120, 26, kCmdScan));
  HWND frame =
      CreateChild(window_, L"BUTTON", text::kScanFrame, BS_GROUPBOX | WS_CLIPSIBLINGS, 232, 262, 668, 130);
  // The frame's labels ask the frame for their colours; the window answers for it. The frame's
  // inside is the page's colour too (a group box leaves it to the window, whose face is grey).
  SetWindowSubclass(
      frame,
      [](HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) -> LRESULT {
        if (message == WM_CTLCOLORSTATIC) return SendMessageW(GetParent(control), message, wParam, lParam);
        if (message == WM_ERASEBKGND) {
          RECT inside;
          GetClientRect(control, &inside);
          FillRect(reinterpret_cast<HDC>(wParam), &inside, GetSysColorBrush(COLOR_WINDOW));
          return 1;
        }
        return DefSubclassProc(control, message, wParam, lParam);
      },
      1, 0);
  page.push_back(frame);
  const char* phases[] = {text::kReadingPhase, text::kMailsPhase, text::kFolderPhase};
  std::array<HWND, 3> arrows{};
  std::array<HWND, 3> captions{};
  for (std::size_t i = 0; i < 3; ++i) {
    const int top = 24 + 24 * static_cast<int>(i);
    arrows[i] = CreatePicture(frame, IDB_ARROW, 18, top, 10, 16, GetSysColor(COLOR_WINDOW));
    captions[i] = CreateChild(frame, L"STATIC", phases[i], SS_LEFT, 36, top + 1, 400, 16);
  }
  HWND folderName = CreateChild(frame, L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 36, 99, 620, 18,
                                kLblFolderName);
  scanPanel_ = std::make_unique<WinScanPanel>(frame, arrows, captions, folderName);
  page.push_back(
      CreateChild(window_, L"STATIC", text::kSupportedVersions, SS_LEFT, 34, 536, 500, 16, kOsenXPLabel11));
}

void frmMain::BuildPreviewPage() {
  auto& page = previewPage_;
  ContactsTreeView =
      CreateChild(window_, WC_TREEVIEWW, "",
                  TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP, 22, 156,
                  262, 356, kContactsTreeView, WS_EX_CLIENTEDGE);
  TreeView_SetImageList(ContactsTreeView, checkBoxes_, TVSIL_STATE);
  page.push_back(ContactsTreeView);
  MailList = CreateChild(window_, WC_LISTVIEWW, "",
                         LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, 290,
                         156, 612, 356, kMailList, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(
      MailList, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES | LVS_EX_DOUBLEBUFFER);
  ListView_SetImageList(MailList, smallIcons_, LVSIL_SMALL);
  const std::vector<ReportColumn> columns = ParseHeaderFormat(text::kMailListHeaderFormat);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::wstring caption = Utf8ToWide(columns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    column.cx = columns[i].width;
    column.fmt = ColumnFormat(columns[i].alignment);
    ListView_InsertColumn(MailList, static_cast<int>(i), &column);
  }
  page.push_back(MailList);
  page.push_back(CreateChild(window_, L"STATIC", "", SS_ETCHEDHORZ, 22, 522, 880, 2));  // Line1
  page.push_back(CreateChild(window_, L"BUTTON", kButtons[2].caption, BS_PUSHBUTTON | WS_TABSTOP, 752, 530,
                             150, 28, kCmdStartConversion));
  tree_ = std::make_unique<WinFolderTree>(ContactsTreeView, smallIcons_);
  mailList_ = std::make_unique<WinReportList>(MailList, static_cast<int>(columns.size()));
}

void frmMain::ShowPage(int tab) {
  const auto show = [this](const std::vector<HWND>& page, bool shown) {
    for (HWND control : page) {
      if (control == scanPanel_->Frame().Handle()) {
        scanPanel_->Frame().ShowWithPage(shown);
      } else {
        ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
      }
    }
  };
  show(tab == 1 ? previewPage_ : selectFilePage_, false);
  show(tab == 1 ? selectFilePage_ : previewPage_, true);
}

bool frmMain::TranslateOwnKeys(MSG& message) {
  if (accelerators_ != nullptr && TranslateAcceleratorW(window_, accelerators_, &message)) return true;
  return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT frmMain::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), lParam);
      return 0;
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DROPFILES:
      Drop(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      auto* dc = reinterpret_cast<HDC>(wParam);
      if (id == kLabel7 || id == kLabel8 || id == kLabel9) {
        SetBkColor(dc, kBannerColour);
        SetTextColor(dc, id == kLabel7   ? RGB(11, 42, 74)
                         : id == kLabel8 ? RGB(21, 101, 168)
                                         : RGB(74, 90, 110));
        static HBRUSH banner = CreateSolidBrush(kBannerColour);
        return reinterpret_cast<LRESULT>(banner);
      }
      // The rest stand on a tab page, which has the colour of a window's inside.
      if (id == kOsenXPLabel11) SetTextColor(dc, RGB(91, 107, 127));
      if (id == kLblFolderName) SetTextColor(dc, RGB(21, 101, 168));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      HDC dc = item.hDC;
      RECT place = item.rcItem;
      SetBkMode(dc, TRANSPARENT);
      if (item.hwndItem == NotesTab) {
        // The tabs: icon and caption, greyed when the tab is disabled.
        wchar_t text[64] = {};
        TCITEMW tab{};
        tab.mask = TCIF_TEXT | TCIF_IMAGE;
        tab.pszText = text;
        tab.cchTextMax = 64;
        TabCtrl_GetItem(NotesTab, static_cast<int>(item.itemID), &tab);
        const bool enabled = tabs_->IsTabEnabled(static_cast<int>(item.itemID) + 1);
        ImageList_DrawEx(smallIcons_, tab.iImage, dc, place.left + 6,
                         place.top + (place.bottom - place.top - 16) / 2, 16, 16, CLR_NONE, CLR_NONE,
                         enabled ? ILD_NORMAL : ILD_BLEND50);
        place.left += 26;
        SelectObject(dc, WindowFont());
        SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, text, -1, &place, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
      } else if (item.hwndItem == StatusBar) {
        SelectObject(dc, WindowFont(true));
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        place.left += 4;
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(item.itemData), -1, &place,
                  DT_SINGLELINE | DT_VCENTER);
      }
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT banner{0, 0, kClientWidth, kBannerHeight};
      static HBRUSH brush = CreateSolidBrush(kBannerColour);
      FillRect(dc, &banner, brush);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SIZE:
      SendMessageW(StatusBar, WM_SIZE, 0, 0);
      return 0;
    case WM_CLOSE:
      // The close button asks nothing: the main window is the program's last window.
      services_.EndProgram();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT frmMain::Notify(const NMHDR& header) {
  if (header.hwndFrom == NotesTab && header.code == TCN_SELCHANGING) {
    SetWindowLongPtrW(NotesTab, GWLP_USERDATA, TabCtrl_GetCurSel(NotesTab) + 1);
    return FALSE;
  }
  if (header.hwndFrom == NotesTab && header.code == TCN_SELCHANGE) {
    tabs_->UserSelected(static_cast<int>(GetWindowLongPtrW(NotesTab, GWLP_USERDATA)));
    return 0;
  }
  if (header.hwndFrom == ContactsTreeView) {
    if (header.code == TVN_SELCHANGEDW) {
      // Moving through the tree previews like a click; a click previews once, here.
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      selectionByClick_ = change.action == TVC_BYMOUSE;
      presenter_->ContactsTreeView_Click();
      return 0;
    }
    if (header.code == NM_CLICK) {
      TVHITTESTINFO hit{};
      const DWORD where = GetMessagePos();
      hit.pt = {static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
      ScreenToClient(ContactsTreeView, &hit.pt);
      TreeView_HitTest(ContactsTreeView, &hit);
      const bool justSelected = selectionByClick_;
      selectionByClick_ = false;
      if (hit.hItem == nullptr) return 0;
      const std::optional<std::size_t> node = tree_->NodeOf(hit.hItem);
      if (!node) return 0;
      if ((hit.flags & TVHT_ONITEMSTATEICON) != 0) {
        presenter_->ContactsTreeView_NodeCheck(*node);
        return 1;
      }
      // A click on the node that was selected already lists it again.
      if (!justSelected && (hit.flags & TVHT_ONITEM) != 0 &&
          hit.hItem == TreeView_GetSelection(ContactsTreeView))
        presenter_->ContactsTreeView_Click();
      return 0;
    }
    if (header.code == TVN_KEYDOWN && reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
      if (const std::optional<std::size_t> node = tree_->SelectedNode())
        presenter_->ContactsTreeView_NodeCheck(*node);
      return 1;
    }
  }
  if (header.hwndFrom == MailList) {
    if (header.code == LVN_GETDISPINFOW) {
      mailList_->FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      return 0;
    }
    if (header.code == LVN_COLUMNCLICK) {
      mailList_->SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      return 0;
    }
    if (header.code == NM_CUSTOMDRAW) {
      auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        if (draw.nmcd.dwItemSpec % 2 == 1) draw.clrTextBk = kAlternateRow;
        return CDRF_DODEFAULT;
      }
      return CDRF_DODEFAULT;
    }
  }
  return 0;
}

void frmMain::OnCommand(int id, int code, LPARAM lParam) {
  if (id > kToolBarBase && id <= kToolBarBase + static_cast<int>(kToolbar.size())) {
    presenter_->NotesToolBar_ButtonClick(id - kToolBarBase);
    return;
  }
  // Buttons, menu entries and accelerators.
  if (code != BN_CLICKED && code != 1 && lParam != 0) return;
  if (id >= kCmdBrowse && id < kCmdBrowse + static_cast<int>(kButtons.size())) {
    presenter_->Run(kButtons[static_cast<std::size_t>(id - kCmdBrowse)].command);
  } else if (id >= kMenuBase && id < kMenuBase + static_cast<int>(kMenus.size())) {
    const mailshift::shell::Command command = kMenus[static_cast<std::size_t>(id - kMenuBase)].command;
    if (command == mailshift::shell::Command::Browse) {
      presenter_->mnuOpen_Click(0);
    } else {
      presenter_->Run(command);
    }
  }
}

void frmMain::Drop(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> paths;
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(platform::win::WideToUtf8(path));
  }
  DragFinish(drop);
  presenter_->DatabaseFile_Drop(paths);
}

void frmMain::ShowPath(const std::string& path) {
  SetWindowTextW(txtNotesDatabaseFile, Utf8ToWide(path).c_str());
}

void frmMain::EnableCommand(mailshift::shell::Command command, bool enabled) {
  for (std::size_t i = 0; i < kToolbar.size(); ++i) {
    if (kToolbar[i].command == command) toolbar_->SetButtonEnabled(static_cast<int>(i) + 1, enabled);
  }
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    if (kButtons[i].command == command && kButtons[i].followsCommand)
      EnableWindow(GetDlgItem(window_, kCmdBrowse + static_cast<int>(i)), enabled ? TRUE : FALSE);
  }
}

void frmMain::CheckCommand(mailshift::shell::Command command, bool checked) {
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    if (kMenus[i].command != command || !kMenus[i].checkable) continue;
    CheckMenuItem(GetMenu(window_), static_cast<UINT>(kMenuBase + i),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool frmMain::IsCommandChecked(mailshift::shell::Command command) const {
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    if (kMenus[i].command == command && kMenus[i].checkable)
      return (GetMenuState(GetMenu(window_), static_cast<UINT>(kMenuBase + i), MF_BYCOMMAND) & MF_CHECKED) !=
             0;
  }
  return false;
}

void frmMain::ShowExportWindow(ExportPresenter& presenter) {
  frmSave exportWindow(window_, presenter, services_);
  exportWindow.ShowModal();
}

void frmMain::ShowAbout() { mailshift::shell::win::ShowAbout(window_); }

void frmMain::Warn(const std::string& problem) { OutputDebugStringW(Utf8ToWide(problem + "\n").c_str()); }

}  // namespace mailshift::shell::win
