#include "shell/win/frmMain.h"

// After windows.h:
#include <shellapi.h>

#include "common/DatabaseChoice.h"
#include "common/Messages.h"
#include "common/RememberedFolders.h"
#include "export/ExportLaunch.h"
#include "notes/FolderSelection.h"
#include "notes/Preview.h"
#include "notes/Scan.h"
#include "platform/win/WideText.h"
#include "shell/Vendor.h"
#include "shell/win/HelpCommand.h"
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

// The message list's columns: caption, width, alignment.
struct Column {
  const wchar_t* caption;
  int width;
  int format;
};
constexpr Column kMailListColumns[] = {{L"From/To", 150, LVCFMT_LEFT},
                                       {L"Subject", 240, LVCFMT_LEFT},
                                       {L"Size", 52, LVCFMT_RIGHT},
                                       {L"Date", 150, LVCFMT_LEFT}};

// Ids of the controls that only show something.
enum Decoration : int { kLabel7 = 301, kLabel8, kLabel9, kLblFolderName, kOsenXPLabel11 };

}  // namespace

struct frmMain::ControlSet {
  ControlSet(HWND tabs, std::function<void(int)> showPage, HWND toolbar, HWND path, HWND browse, HWND scan,
             HWND scanFrame, HWND readingArrow, HWND emailsArrow, HWND mailFolderArrow, HWND folderName,
             HWND tree, HIMAGELIST smallIcons, HWND list, WinServices& services)
      : NotesTab(tabs, std::move(showPage)),
        NotesToolBar(toolbar, kToolBarBase, 6),
        txtNotesDatabaseFile(path),
        CmdBrowse(browse),
        CmdScan(scan),
        ScanFrame(scanFrame),
        ImgReadingArrow(readingArrow),
        ImgEmailsArrow(emailsArrow),
        ImgMailFolderArrow(mailFolderArrow),
        LblFolderName(folderName),
        ContactsTreeView(tree, smallIcons),
        MailList(list, 4),
        controls{NotesTab,        txtNotesDatabaseFile, CmdBrowse,          CmdScan,       ScanFrame,
                 ImgReadingArrow, ImgEmailsArrow,       ImgMailFolderArrow, LblFolderName, ContactsTreeView,
                 MailList,        NotesToolBar,         services.Messages,  services.Wait} {}

  WinTabControl NotesTab;
  WinToolBar NotesToolBar;
  WinControl txtNotesDatabaseFile;
  WinControl CmdBrowse;
  WinControl CmdScan;
  WinControl ScanFrame;
  WinControl ImgReadingArrow;
  WinControl ImgEmailsArrow;
  WinControl ImgMailFolderArrow;
  WinControl LblFolderName;
  WinTreeControl ContactsTreeView;
  WinReportList MailList;
  MainWindowControls controls;
};

frmMain::frmMain(WinServices& services, ProgramState& state) : services_(services), state_(state) {
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
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, kMainClass,
                            platform::win::Utf8ToWide(kMainCaption).c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr)
    throw ControlError("the main window could not be made (error " + std::to_string(GetLastError()) + ")");
  Build();
  // Form_Load: the first tab.
  Controls().NotesTab.SelectTab(1);
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

MainWindowControls& frmMain::Controls() { return controls_->controls; }
WinTreeControl& frmMain::TreeControl() { return controls_->ContactsTreeView; }
WinReportList& frmMain::MailListControl() { return controls_->MailList; }

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
  const std::pair<const wchar_t*, int> tabs[] = {{L" Select File", 0}, {L" Emails Preview", 56}};
  for (int i = 0; i < 2; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<wchar_t*>(tabs[i].first);
    item.iImage = tabs[i].second;
    TabCtrl_InsertItem(NotesTab, i, &item);
  }
  TabCtrl_SetItemSize(NotesTab, 130, 24);
  BuildSelectFilePage();
  BuildPreviewPage();

  StatusBar = CreateChild(window_, STATUSCLASSNAMEW, "", SBARS_TOOLTIPS, 0, 0, 0, 0);
  const int edges[] = {230, 640, -1};
  SendMessageW(StatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  const std::string panels[] = {kVendorName, "Email: " + std::string(kSupportAddress), kWebAddress};
  for (int i = 0; i < 3; ++i) {
    // Panels 1 and 3 are bold: the window draws them (WM_DRAWITEM); the text stays for readers.
    const WPARAM how = static_cast<WPARAM>(i) | (i == 1 ? 0 : SBT_OWNERDRAW);
    static std::wstring texts[3];
    texts[i] = platform::win::Utf8ToWide(panels[i]);
    SendMessageW(StatusBar, SB_SETTEXTW, how, reinterpret_cast<LPARAM>(texts[i].c_str()));
  }
}

void frmMain::BuildBanner() {
  CreatePicture(window_, IDB_LOGO, 14, 8, 48, 48, kBannerColour);  // Image3
  HWND label7 = CreateChild(window_, L"STATIC", "Corvane", SS_LEFT, 74, 18, 80, 20, kLabel7);
  SendMessageW(label7, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true, 11)), FALSE);
  HWND label8 = CreateChild(window_, L"STATIC", "Mailshift", SS_LEFT, 150, 6, 200, 34, kLabel8);
  SendMessageW(label8, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true, 20)), FALSE);
  CreateChild(window_, L"STATIC", "Migrate Lotus Notes Emails to Outlook Express", SS_LEFT, 76, 42, 400, 16,
              kLabel9);
  CreatePicture(window_, IDB_RULE, 0, kBannerHeight, kClientWidth, 3, kBannerColour);  // Image2
}

void frmMain::BuildMenus() {
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kMnuOpen, L"&Open...\tCtrl+O");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kMnuExit, L"E&xit");
  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, kMnuHelp, L"Contents");
  AppendMenuW(help, MF_STRING, kMnuAbout, L"&About...");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  SetMenu(window_, bar);
  ACCEL open{FCONTROL | FVIRTKEY, 'O', kMnuOpen};
  accelerators_ = CreateAcceleratorTableW(&open, 1);
}

void frmMain::BuildToolBar() {
  NotesToolBar =
      CreateChild(window_, TOOLBARCLASSNAMEW, "",
                  TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS, 6,
                  kBannerHeight + 5, 400, 48);
  SendMessageW(NotesToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(NotesToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarIcons_));
  struct Entry {
    int image;
    const wchar_t* caption;
  };
  const Entry entries[] = {{1, L"Open"},   {2, L"Scan"},  {-1, nullptr},
                           {3, L"Export"}, {-1, nullptr}, {4, L"Help"}};
  TBBUTTON buttons[6] = {};
  for (int i = 0; i < 6; ++i) {
    buttons[i].idCommand = kToolBarBase + i + 1;
    if (entries[i].caption == nullptr) {
      buttons[i].fsStyle = BTNS_SEP;
      buttons[i].iBitmap = 8;
      continue;
    }
    buttons[i].iBitmap = entries[i].image;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(entries[i].caption);
  }
  SendMessageW(NotesToolBar, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(buttons));
  SendMessageW(NotesToolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(56, 44));
  SendMessageW(NotesToolBar, TB_ENABLEBUTTON, kToolBarBase + 2, FALSE);
  SendMessageW(NotesToolBar, TB_ENABLEBUTTON, kToolBarBase + 4, FALSE);
}

void frmMain::BuildSelectFilePage() {
  auto& page = selectFilePage_;
  page.push_back(
      CreatePicture(window_, IDB_SELECTFILE, 34, 170, 176, 132, GetSysColor(COLOR_WINDOW)));  // Image1
  HWND label3 =
      CreateChild(window_, L"STATIC", "Select Lotus Notes Database (.nsf)", SS_LEFT, 232, 172, 400, 16);
  SendMessageW(label3, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true)), FALSE);
  page.push_back(label3);
  txtNotesDatabaseFile = CreateChild(window_, L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 232,
                                     194, 540, 22, kTxtNotesDatabaseFile, WS_EX_CLIENTEDGE);
  page.push_back(txtNotesDatabaseFile);
  page.push_back(CreateChild(window_, L"BUTTON", "Browse...", BS_PUSHBUTTON | WS_TABSTOP, 780, 192, 120, 26,
                             kCmdBrowse));
  HWND scan = CreateChild(window_, L"BUTTON", "Start Scan", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 780,
                          226, 120, 26, kCmdScan);
  page.push_back(scan);
  HWND frame =
      CreateChild(window_, L"BUTTON", " Scan Details", BS_GROUPBOX | WS_CLIPSIBLINGS, 232, 262, 668, 130);
  // The frame's labels ask the frame for their colours; the window answers for it.
  SetWindowSubclass(
      frame,
      [](HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) -> LRESULT {
        if (message == WM_CTLCOLORSTATIC) return SendMessageW(GetParent(control), message, wParam, lParam);
        return DefSubclassProc(control, message, wParam, lParam);
      },
      1, 0);
  page.push_back(frame);
  const auto arrow = [&](int y) {
    HWND picture = CreatePicture(frame, IDB_ARROW, 18, y, 10, 16, GetSysColor(COLOR_WINDOW));
    ShowWindow(picture, SW_HIDE);
    return picture;
  };
  HWND reading = arrow(24);
  HWND emails = arrow(48);
  HWND mailFolder = arrow(72);
  CreateChild(frame, L"STATIC", "Reading Lotus Notes Mailbox...", SS_LEFT, 36, 25, 400, 16);
  CreateChild(frame, L"STATIC", "Scanning Mails...", SS_LEFT, 36, 49, 400, 16);
  CreateChild(frame, L"STATIC", "Scanning Folder...", SS_LEFT, 36, 73, 400, 16);
  HWND folderName = CreateChild(frame, L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 36, 99, 620, 18,
                                kLblFolderName);
  page.push_back(CreateChild(window_, L"STATIC", "Supports Lotus Notes Database 8.5, 8.0, 7.0, 6.5, 6.0, 5.0",
                             SS_LEFT, 34, 536, 500, 16, kOsenXPLabel11));

  controls_ = std::make_unique<ControlSet>(
      NotesTab, [this](int tab) { ShowPage(tab); }, NotesToolBar, txtNotesDatabaseFile,
      GetDlgItem(window_, kCmdBrowse), scan, frame, reading, emails, mailFolder, folderName, nullptr,
      smallIcons_, nullptr, services_);
  controls_->ScanFrame.SetVisible(false);
  controls_->ImgReadingArrow.SetVisible(false);
  controls_->ImgEmailsArrow.SetVisible(false);
  controls_->ImgMailFolderArrow.SetVisible(false);
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
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<wchar_t*>(kMailListColumns[i].caption);
    column.cx = kMailListColumns[i].width;
    column.fmt = kMailListColumns[i].format;
    ListView_InsertColumn(MailList, i, &column);
  }
  page.push_back(MailList);
  page.push_back(CreateChild(window_, L"STATIC", "", SS_ETCHEDHORZ, 22, 522, 880, 2));  // Line1
  page.push_back(CreateChild(window_, L"BUTTON", "Start Conversion", BS_PUSHBUTTON | WS_TABSTOP, 752, 530,
                             150, 28, kCmdStartConversion));
  // The tree and the list join the control set now that they exist.
  auto rebuilt = std::make_unique<ControlSet>(
      NotesTab, [this](int tab) { ShowPage(tab); }, NotesToolBar, txtNotesDatabaseFile,
      GetDlgItem(window_, kCmdBrowse), GetDlgItem(window_, kCmdScan), controls_->ScanFrame.Handle(),
      controls_->ImgReadingArrow.Handle(), controls_->ImgEmailsArrow.Handle(),
      controls_->ImgMailFolderArrow.Handle(), controls_->LblFolderName.Handle(), ContactsTreeView,
      smallIcons_, MailList, services_);
  rebuilt->ScanFrame.SetVisible(false);
  rebuilt->ImgReadingArrow.SetVisible(false);
  rebuilt->ImgEmailsArrow.SetVisible(false);
  rebuilt->ImgMailFolderArrow.SetVisible(false);
  controls_ = std::move(rebuilt);
}

void frmMain::ShowPage(int tab) {
  const auto show = [this](const std::vector<HWND>& page, bool shown) {
    for (HWND control : page) {
      if (control == controls_->ScanFrame.Handle()) {
        controls_->ScanFrame.ShowWithPage(shown);
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
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id > kToolBarBase && id <= kToolBarBase + 6) {
        Guarded([this, id] { NotesToolBar_ButtonClick(id - kToolBarBase); });
      } else if (id == kTxtNotesDatabaseFile && code == EN_CHANGE) {
        Guarded([this] { txtNotesDatabaseFile_Change(); });
      } else if (code == BN_CLICKED || code == 1 /* accelerator */ || lParam == 0) {
        switch (id) {
          case kCmdBrowse:
            Guarded([this] { CmdBrowse_Click(); });
            break;
          case kCmdScan:
            Guarded([this] { CmdScan_Click(); });
            break;
          case kCmdStartConversion:
            Guarded([this] { CmdStartConversion_Click(); });
            break;
          case kMnuOpen:
            Guarded([this] { mnuOpen_Click(0); });
            break;
          case kMnuExit:
            Guarded([this] { mnuExit_Click(); });
            break;
          case kMnuHelp:
            Guarded([this] { mnuHelp_Click(); });
            break;
          case kMnuAbout:
            Guarded([this] { mnuAbout_Click(); });
            break;
          default:
            break;
        }
      }
      return 0;
    }
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DROPFILES: {
      auto* drop = reinterpret_cast<HDROP>(wParam);
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      std::string chosen;
      for (UINT i = 0; i < count && chosen.empty(); ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        const std::string utf8 = platform::win::WideToUtf8(path);
        if (IsNotesDatabaseFile(utf8)) chosen = utf8;
      }
      DragFinish(drop);
      if (!chosen.empty()) Guarded([this, &chosen] { DatabaseFile_Drop(chosen); });
      return 0;
    }
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
        const bool enabled = controls_->NotesTab.IsTabEnabled(static_cast<int>(item.itemID) + 1);
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
    controls_->NotesTab.UserSelected(static_cast<int>(GetWindowLongPtrW(NotesTab, GWLP_USERDATA)));
    return 0;
  }
  if (header.hwndFrom == ContactsTreeView) {
    if (header.code == TVN_SELCHANGEDW) {
      // Moving through the tree previews like a click; a click previews once, here.
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      selectionByClick_ = change.action == TVC_BYMOUSE;
      Guarded([this] { ContactsTreeView_Click(); });
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
      const std::optional<int> position = controls_->ContactsTreeView.PositionOf(hit.hItem);
      if (!position) return 0;
      if ((hit.flags & TVHT_ONITEMSTATEICON) != 0) {
        const bool checked = controls_->ContactsTreeView.CheckState(*position) != 1;
        Guarded([this, &position, checked] { ContactsTreeView_NodeCheck(*position, checked); });
        return 1;
      }
      // A click on the node that was selected already lists it again.
      if (!justSelected && (hit.flags & TVHT_ONITEM) != 0 &&
          hit.hItem == TreeView_GetSelection(ContactsTreeView))
        Guarded([this] { ContactsTreeView_Click(); });
      return 0;
    }
    if (header.code == TVN_KEYDOWN && reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
      const std::optional<int> position = controls_->ContactsTreeView.SelectedNode();
      if (position) {
        const bool checked = controls_->ContactsTreeView.CheckState(*position) != 1;
        Guarded([this, &position, checked] { ContactsTreeView_NodeCheck(*position, checked); });
      }
      return 1;
    }
  }
  if (header.hwndFrom == MailList) {
    if (header.code == LVN_GETDISPINFOW) {
      controls_->MailList.FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      return 0;
    }
    if (header.code == LVN_COLUMNCLICK) {
      controls_->MailList.SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
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

void frmMain::DatabaseFile_Drop(const std::string& path) { TakeDatabaseFile(path); }

void frmMain::CmdBrowse_Click() { TakeDatabaseFile(services_.FileDialog.ShowOpen(kNotesDatabaseFilter)); }

void frmMain::TakeDatabaseFile(const std::string& chosen) {
  if (!mailshift::TakeDatabaseFile(Controls(), chosen, services_.Remembered)) {
    OutputDebugStringW(L"The database folder could not be remembered.\n");
  }
}

void frmMain::txtNotesDatabaseFile_Change() { mailshift::txtNotesDatabaseFile_Change(Controls()); }

void frmMain::CmdScan_Click() {
  notes::CmdScan_Click(Controls(), services_.Sessions, state_.Notes, state_.Values);
}

void frmMain::ContactsTreeView_Click() { notes::ContactsTreeView_Click(Controls(), state_.Notes); }

void frmMain::ContactsTreeView_NodeCheck(int position, bool checked) {
  notes::ContactsTreeView_NodeCheck(controls_->ContactsTreeView, position, checked);
}

void frmMain::CmdStartConversion_Click() {
  if (!mail::CmdStartConversion_Click(controls_->ContactsTreeView, services_.Messages, state_.Values)) return;
  if (services_.Remembered != nullptr &&
      !services_.Remembered->RememberDestination(state_.Values.DestinationRoot)) {
    OutputDebugStringW(L"The destination could not be remembered.\n");
  }
  frmSave exportWindow(window_, ExportContext{services_, state_,
                                              [this] { return Controls().txtNotesDatabaseFile.Caption(); }});
  exportWindow.ShowModal();
}

void frmMain::NotesToolBar_ButtonClick(int index) {
  switch (index) {
    case 1:
      CmdBrowse_Click();
      break;
    case 2:
      CmdScan_Click();
      break;
    case 4:
      CmdStartConversion_Click();
      break;
    case 6:
      mnuHelp_Click();
      break;
    default:
      break;  // the separators
  }
}

void frmMain::mnuOpen_Click(int index) {
  if (index == 0) CmdBrowse_Click();
}

void frmMain::mnuHelp_Click() {
  ShowHelp(window_, services_.ProgramFolder, services_.Desktop, services_.Messages);
}

void frmMain::mnuAbout_Click() { ShowAbout(window_); }

void frmMain::mnuExit_Click() {
  const MessageAnswer answer =
      services_.Messages.Show("Are you sure you want to close the software", "Corvane Quillon",
                              MessageIcon::Information, MessageButtons::YesNo);
  if (answer == MessageAnswer::Yes) services_.EndProgram();
}

}  // namespace mailshift::shell::win
