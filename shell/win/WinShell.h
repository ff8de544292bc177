// What the Windows windows are handed: the mail core, the outside components and the dialogs (the
// program passes the real ones, the tests their own), and what every window uses to make its
// controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/Controls.h"
#include "shell/presenters/WindowServices.h"
#include "shell/win/WinDialogs.h"

namespace mailshift::shell::win {

using WinServices = WindowServices;

// Tahoma at 8 points, plain or bold, and larger sizes for the banner.
HFONT WindowFont(bool bold = false, int points = 8);

// A child control with the window font.
HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::string& caption, DWORD style, int x,
                 int y, int width, int height, int id = 0, DWORD extendedStyle = 0);

// Centres a window over another, or over the screen's work area when there is none.
void CentreWindow(HWND window, HWND over);

// Registers a window class whose procedure hands every message to the object created with it
// (the lpParam of CreateWindowEx), through its HandleMessage member.
template <typename Window>
void RegisterWindowClass(const wchar_t* name, HICON icon, HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(window, message, wParam, lParam);
  };
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

}  // namespace mailshift::shell::win
