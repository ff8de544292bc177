#include "shell/win/frmSave.h"

#include "platform/win/WideText.h"
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

HWND PlacedLabel(HWND parent, const std::string& caption, int left, int top, int width, int height, bool bold,
                 DWORD extra = 0) {
  HWND label = CreateChild(parent, L"STATIC", caption, (extra != 0 ? extra : SS_LEFT) | SS_NOPREFIX,
                           Twips(120 + left), Twips(120 + top), Twips(width), Twips(height));
  if (bold) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont(true)), FALSE);
  return label;
}

}  // namespace

void frmSave::OnShown(std::function<void(frmSave&)> hook) { ShownHook() = std::move(hook); }

frmSave::frmSave(HWND owner, ExportContext context) : context_(std::move(context)), owner_(owner) {
  static const bool registered = [] {
    RegisterWindowClass<frmSave>(kSaveClass,
                                 LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_EXPORT)),
                                 GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }();
  (void)registered;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  RECT frame{0, 0, Twips(7350), Twips(2565)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kSaveClass,
                            L"Export to Outlook Express .EML format", style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw ControlError("the export window could not be made");
  CreateChild(window_, L"BUTTON", " Export Progress Details", BS_GROUPBOX, Twips(120), Twips(120),
              Twips(7095), Twips(1815));
  CreatePicture(window_, IDB_ARROW, Twips(120 + 810), Twips(120 + 360), 10, 16, GetSysColor(COLOR_BTNFACE));
  // Wider than designed, so that the folder names the run adds to the header fit.
  LblSaveHeader = PlacedLabel(window_, "Checking Configuration...", 1080, 360, 5925, 195, false);
  LblSubject = PlacedLabel(window_, "Subject :", 240, 720, 735, 195, true, SS_LEFTNOWORDWRAP);
  LblProcessing = PlacedLabel(window_, "", 1080, 720, 5925, 555, false);
  PlacedLabel(window_, "Found :", 360, 1320, 705, 195, true, SS_LEFTNOWORDWRAP);
  LblFound = PlacedLabel(window_, "", 1080, 1320, 1725, 195, false);
  PlacedLabel(window_, "Current :", 4440, 1320, 735, 195, true, SS_LEFTNOWORDWRAP);
  LblCurrent = PlacedLabel(window_, "", 5280, 1320, 1485, 195, false);
  const auto button = [this](const char* caption, int id, int left, int width) {
    CreateChild(window_, L"BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP, Twips(left), Twips(2040),
                Twips(width), Twips(435), id);
  };
  button("&Export Emails", kCmdConversion, 2520, 2295);
  button("Cancel", kCmdCancel, 2520, 2295);
  button("Open Folder", kCmdOpenFolder, 855, 1800);
  button("Open Log", kCmdOpenLog, 2775, 1800);
  button("Close", kCmdClose, 4695, 1800);
  ShowButtons(Stage::Ready);
}

frmSave::~frmSave() {
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
  SetFocus(GetDlgItem(window_, kCmdConversion));
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
      MessageBoxes& messages = context_.services.Messages;
      if (id == kCmdConversion) RunGuarded(messages, [this] { CmdConversion_Click(); });
      if (id == kCmdCancel || id == IDCANCEL) RunGuarded(messages, [this] { CmdCancel_Click(); });
      if (id == kCmdOpenFolder) RunGuarded(messages, [this] { CmdOpenFolder_Click(); });
      if (id == kCmdOpenLog) RunGuarded(messages, [this] { CmdOpenLog_Click(); });
      if (id == kCmdClose) CmdClose_Click();
      return 0;
    }
    case WM_CLOSE:
      // During a run the title bar's close button asks the run to stop; the window stays until
      // the run has ended.
      if (running_) {
        CmdCancel_Click();
      } else {
        CmdClose_Click();
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void frmSave::CmdConversion_Click() {
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  ShowButtons(Stage::Running);
  WinServices& services = context_.services;
  const mail::ExportSetup setup{services.Sessions,     context_.state.Notes, context_.state.Values,
                                context_.databasePath, services.Writer,      *this,
                                services.LogPath};
  try {
    lastResult_ = mail::RunExport(setup);
  } catch (...) {
    running_ = false;
    ShowButtons(Stage::Ready);
    throw;
  }
  running_ = false;
  ShowButtons(lastResult_->end == mail::ExportEnd::Completed ? Stage::Done : Stage::Ready);
}

void frmSave::CmdCancel_Click() {
  if (!running_) {
    CmdClose_Click();
    return;
  }
  if (stopRequested_) return;
  stopRequested_ = true;
  EnableWindow(GetDlgItem(window_, kCmdCancel), FALSE);
  UpdateWindow(window_);
}

void frmSave::CmdClose_Click() {
  if (running_) return;
  closed_ = true;
}

void frmSave::CmdOpenFolder_Click() {
  if (lastResult_) OpenWithDesktop(lastResult_->outputRoot, "The output folder");
}

void frmSave::CmdOpenLog_Click() {
  if (lastResult_) OpenWithDesktop(lastResult_->logPath, "The log");
}

void frmSave::OpenWithDesktop(const std::string& path, const char* what) {
  if (path.empty() || !context_.services.Desktop.Open(path)) {
    context_.services.Messages.Show(std::string(what) + " could not be opened:\r\n" + path, "",
                                    MessageIcon::Information, MessageButtons::Ok);
  }
}

void frmSave::ShowButtons(Stage stage) {
  const bool done = stage == Stage::Done;
  const auto show = [this](int id, bool shown, bool enabled) {
    HWND button = GetDlgItem(window_, id);
    ShowWindow(button, shown ? SW_SHOWNA : SW_HIDE);
    EnableWindow(button, enabled ? TRUE : FALSE);
  };
  show(kCmdConversion, stage == Stage::Ready, stage == Stage::Ready);
  show(kCmdCancel, stage == Stage::Running, stage == Stage::Running);
  show(kCmdOpenFolder, done, done && !lastResult_->outputRoot.empty());
  show(kCmdOpenLog, done, done && !lastResult_->logPath.empty());
  show(kCmdClose, done, done);
  const int focus = stage == Stage::Ready ? kCmdConversion : stage == Stage::Running ? kCmdCancel : kCmdClose;
  if (IsWindowVisible(window_)) {
    SetFocus(GetDlgItem(window_, focus));
    UpdateWindow(window_);
  }
}

bool frmSave::StopRequested() {
  LetWindowsFollow();
  return stopRequested_;
}

void frmSave::DocumentHandled(const mail::ExportProgress&) { LetWindowsFollow(); }

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
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && top == window_) CmdCancel_Click();
        if (message.hwnd != GetDlgItem(window_, kCmdCancel)) continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND frmSave::Label(mail::ExportLabel label) const {
  switch (label) {
    case mail::ExportLabel::LblSaveHeader:
      return LblSaveHeader;
    case mail::ExportLabel::LblProcessing:
      return LblProcessing;
    case mail::ExportLabel::LblFound:
      return LblFound;
    case mail::ExportLabel::LblCurrent:
      return LblCurrent;
  }
  return LblSaveHeader;
}

std::string frmSave::LabelText(mail::ExportLabel label) const {
  HWND window = Label(label);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::win::WideToUtf8(text);
}

void frmSave::SetLabel(mail::ExportLabel label, const std::string& text) {
  SetWindowTextW(Label(label), platform::win::Utf8ToWide(text).c_str());
  if (label == mail::ExportLabel::LblSaveHeader) UpdateWindow(window_);
  if (running_) LetWindowsFollow();
}

void frmSave::SetSubjectVisible(bool visible) {
  ShowWindow(LblSubject, visible ? SW_SHOWNA : SW_HIDE);
  UpdateWindow(window_);
}

void frmSave::ShowMessage(const mail::ExportMessage& message) {
  UpdateWindow(window_);
  context_.services.Messages.Show(message.text, message.title, message.icon, MessageButtons::Ok);
}

}  // namespace mailshift::shell::win
