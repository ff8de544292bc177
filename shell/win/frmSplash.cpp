#include "shell/win/frmSplash.h"

#include "shell/win/Pictures.h"
#include "shell/win/Resources.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {
namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kPause = 2;

}  // namespace

frmSplash::frmSplash(std::function<void()> showMain, int pauseMilliseconds)
    : handOver_(std::move(showMain)), pauseMilliseconds_(pauseMilliseconds) {
  static const bool registered = [] {
    RegisterPictureClass();
    RegisterWindowClass<frmSplash>(L"MailshiftSplash", nullptr, GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }();
  (void)registered;
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"MailshiftSplash", L"", WS_POPUP, 0, 0, 541, 209, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr)
    throw ControlError("the splash could not be made (error " + std::to_string(GetLastError()) + ")");
  CreatePicture(window_, IDB_SPLASH, 0, 0, 541, 209, GetSysColor(COLOR_BTNFACE));
}

frmSplash::~frmSplash() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void frmSplash::Show() {
  CentreWindow(window_, nullptr);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  UpdateWindow(window_);
  // Timer1: the first tick starts the hold, which is a timer too, so the splash keeps painting.
  SetTimer(window_, kTimer1, SplashHandOver::kTimerInterval, nullptr);
}

LRESULT frmSplash::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      KillTimer(window, wParam);
      if (wParam == kTimer1 && !HandedOver()) {
        SetTimer(window, kPause, static_cast<UINT>(pauseMilliseconds_), nullptr);
      } else if (wParam == kPause) {
        HandOver();
      }
      return 0;
    case WM_CHAR:
      // Any key that produces a character, Enter, Esc and Backspace included.
      HandOver();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void frmSplash::HandOver() {
  KillTimer(window_, kTimer1);
  KillTimer(window_, kPause);
  if (handOver_.HandOver()) ShowWindow(window_, SW_HIDE);
}

}  // namespace mailshift::shell::win
