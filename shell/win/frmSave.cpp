#include "shell/win/frmSave.h"

#include "platform/win/WideText.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/win/Pictures.h"
#include "shell/win/Resources.h"

namespace mailshift::shell::win {
namespace {

constexpr const wchar_t* kSaveClass = L"MailshiftExport";
// The labels change with every document; letting the windows follow this often is enough.
constexpr ULONGLONG kFollowIntervalMilliseconds = 40;

std::function<void(frmSave&)>& ShownHook() {
  static std::function<void(frmSave&)> hook;
  return hook;
}

// The command id of a button: its index in the layout after a base.
constexpr int kButtonBase = 401;

}  // namespace

void frmSave::OnShown(std::function<void(frmSave&)> hook) { ShownHook() = std::move(hook); }

frmSave::frmSave(HWND owner, ExportPresenter& presenter, WinServices& services)
    : ServicedExportView(services), presenter_(presenter), owner_(owner) {
  using layout::Pixels;
  static const bool registered = [] {
    RegisterWindowClass<frmSave>(kSaveClass,
                                 LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_EXPORT)),
                                 GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }();
  (void)registered;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  RECT frame{0, 0, Pixels(layout::kExportClient.width), Pixels(layout::kExportClient.height)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kSaveClass,
                            platform::win::Utf8ToWide(text::kExportCaption).c_str(), style, 0, 0,
                            frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw ControlError("the export window could not be made");
  const layout::Place& box = layout::kExportFrame;
  CreateChild(window_, L"BUTTON", text::kExportFrame, BS_GROUPBOX, Pixels(box.left), Pixels(box.top),
              Pixels(box.width), Pixels(box.height));
  // The labels and the arrow are placed relative to the frame, as children of the window.
  CreatePicture(window_, IDB_ARROW, Pixels(box.left + layout::kExportArrow.left),
                Pixels(box.top + layout::kExportArrow.top), 10, 16, GetSysColor(COLOR_BTNFACE));
  for (std::size_t i = 0; i < layout::kExportLabels.size(); ++i) {
    const layout::PlacedLabel& placed = layout::kExportLabels[i];
    const DWORD kind = placed.bold ? SS_LEFTNOWORDWRAP : SS_LEFT;
    labels_[i] = CreateChild(window_, L"STATIC", placed.caption, kind | SS_NOPREFIX,
                             Pixels(box.left + placed.place.left), Pixels(box.top + placed.place.top),
                             Pixels(placed.place.width), Pixels(placed.place.height));
    if (placed.bold) SendMessageW(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true)), FALSE);
  }
  for (std::size_t i = 0; i < layout::kExportButtons.size(); ++i) {
    const layout::PlacedButton& placed = layout::kExportButtons[i];
    buttons_[i] = CreateChild(window_, L"BUTTON", placed.caption, BS_PUSHBUTTON | WS_TABSTOP,
                              Pixels(placed.place.left), Pixels(placed.place.top), Pixels(placed.place.width),
                              Pixels(placed.place.height), kButtonBase + static_cast<int>(i));
  }
  presenter_.Attach(*this);
}

frmSave::~frmSave() {
  presenter_.Detach();
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void frmSave::ShowModal() {
  CentreWindow(window_, owner_);
  EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(ButtonHandle(layout::kConversion));
  if (ShownHook()) ShownHook()(*this);
  MSG message;
  while (!closed_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (!closed_) PostQuitMessage(static_cast<int>(message.wParam));
  EnableWindow(owner_, TRUE);
  ShowWindow(window_, SW_HIDE);
  SetActiveWindow(owner_);
}

LRESULT frmSave::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDCANCEL) presenter_.CmdCancel_Click();
      switch (id - kButtonBase) {
        case layout::kConversion:
          presenter_.CmdConversion_Click();
          break;
        case layout::kCancel:
          presenter_.CmdCancel_Click();
          break;
        case layout::kOpenFolder:
          presenter_.CmdOpenFolder_Click();
          break;
        case layout::kOpenLog:
          presenter_.CmdOpenLog_Click();
          break;
        case layout::kClose:
          presenter_.CmdClose_Click();
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_CLOSE:
      // During a run the title bar's close button asks the run to stop; the window stays until
      // the run has ended.
      if (presenter_.CloseRequested()) closed_ = true;
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void frmSave::ShowStage(ExportStage stage, bool canOpenFolder, bool canOpenLog) {
  const bool ready = stage == ExportStage::Ready;
  const bool running = stage == ExportStage::Running || stage == ExportStage::Stopping;
  const bool done = stage == ExportStage::Done;
  const auto show = [this](layout::ExportButton button, bool shown, bool enabled) {
    ShowWindow(ButtonHandle(button), shown ? SW_SHOWNA : SW_HIDE);
    EnableWindow(ButtonHandle(button), enabled ? TRUE : FALSE);
  };
  show(layout::kConversion, ready, ready);
  show(layout::kCancel, running, stage == ExportStage::Running);
  show(layout::kOpenFolder, done, canOpenFolder);
  show(layout::kOpenLog, done, canOpenLog);
  show(layout::kClose, done, done);
  if (stage == ExportStage::Stopping) {
    UpdateWindow(window_);
  } else if (IsWindowVisible(window_)) {
    SetFocus(ButtonHandle(ready ? layout::kConversion : running ? layout::kCancel : layout::kClose));
    UpdateWindow(window_);
  }
}

// While a run goes, the user's input to the export window and its owner waits, but for Cancel
// and Esc; other windows (the run's own message boxes) take input as usual.
void frmSave::LetWindowsFollow() {
  const ULONGLONG now = GetTickCount64();
  if (now - lastEvents_ < kFollowIntervalMilliseconds) return;
  lastEvents_ = now;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                       (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
    if (input && message.hwnd != nullptr) {
      HWND top = GetAncestor(message.hwnd, GA_ROOT);
      if (top == window_ || top == owner_) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && top == window_)
          presenter_.CmdCancel_Click();
        if (message.hwnd != ButtonHandle(layout::kCancel)) continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND frmSave::Label(ExportLabel label) const {
  switch (label) {
    case ExportLabel::LblSaveHeader:
      return labels_[0];
    case ExportLabel::LblProcessing:
      return labels_[2];
    case ExportLabel::LblFound:
      return labels_[4];
    case ExportLabel::LblCurrent:
      return labels_[6];
  }
  return labels_[0];
}

std::string frmSave::LabelText(ExportLabel label) const {
  HWND window = Label(label);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::win::WideToUtf8(text);
}

void frmSave::SetLabel(ExportLabel label, const std::string& text) {
  SetWindowTextW(Label(label), platform::win::Utf8ToWide(text).c_str());
  if (label == ExportLabel::LblSaveHeader) UpdateWindow(window_);
}

void frmSave::ShowSubjectCaption(bool shown) {
  ShowWindow(labels_[1], shown ? SW_SHOWNA : SW_HIDE);
  UpdateWindow(window_);
}

}  // namespace mailshift::shell::win
