#include "shell/win/frmAbout.h"

#include "platform/win/WideText.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/win/Pictures.h"
#include "shell/win/Resources.h"
#include "shell/win/WinShell.h"

namespace mailshift::shell::win {

void ShowAbout(HWND owner, void (*shown)(HWND about)) {
  static const bool registered = [] {
    WNDCLASSW about{};
    about.lpfnWndProc = DefWindowProcW;
    about.hInstance = GetModuleHandleW(nullptr);
    about.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    about.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    about.lpszClassName = L"MailshiftAbout";
    RegisterClassW(&about);
    return true;
  }();
  (void)registered;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  RECT frame{0, 0, 541, 209};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  HWND about = CreateWindowExW(WS_EX_DLGMODALFRAME, L"MailshiftAbout",
                               platform::win::Utf8ToWide(text::kAboutCaption).c_str(), style, 0, 0,
                               frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (about == nullptr) throw ControlError("the About window could not be made");
  CreatePicture(about, IDB_ABOUT, 0, 0, 541, 209, GetSysColor(COLOR_BTNFACE));
  CentreWindow(about, owner);
  EnableWindow(owner, FALSE);
  ShowWindow(about, SW_SHOW);
  UpdateWindow(about);
  if (shown != nullptr) shown(about);
  // DefWindowProc destroys the window on its close button.
  MSG message;
  while (IsWindow(about) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (IsWindow(about)) {
    PostQuitMessage(static_cast<int>(message.wParam));
    DestroyWindow(about);
  }
  EnableWindow(owner, TRUE);
  SetActiveWindow(owner);
}

}  // namespace mailshift::shell::win
