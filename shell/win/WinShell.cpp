#include "shell/win/WinShell.h"

#include "platform/win/WideText.h"

namespace mailshift::shell::win {

HFONT WindowFont(bool bold, int points) {
  static HFONT fonts[2][40] = {};
  HFONT& font = fonts[bold ? 1 : 0][points < 40 ? points : 39];
  if (font == nullptr) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"Tahoma");
  }
  return font;
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::string& caption, DWORD style, int x,
                 int y, int width, int height, int id, DWORD extendedStyle) {
  HWND child =
      CreateWindowExW(extendedStyle, windowClass, platform::win::Utf8ToWide(caption).c_str(),
                      WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr)
    throw ControlError("a control could not be made (error " + std::to_string(GetLastError()) + ")");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
  return child;
}

void CentreWindow(HWND window, HWND over) {
  RECT area;
  if (over != nullptr && IsWindowVisible(over)) {
    GetWindowRect(over, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own;
  GetWindowRect(window, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace mailshift::shell::win
