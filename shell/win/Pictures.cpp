#include "shell/win/Pictures.h"

#include <stdexcept>
#include <string>

namespace mailshift::shell::win {
namespace {

constexpr const wchar_t* kPictureClass = L"MailshiftPicture";

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    auto* picture = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(window, GWLP_USERDATA));
    RECT all;
    GetClientRect(window, &all);
    const auto background =
        static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(GetPropW(window, L"Background")));
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(target, &all, brush);
    DeleteObject(brush);
    BITMAP size{};
    if (picture != nullptr && GetObjectW(picture, sizeof size, &size) != 0) {
      HDC source = CreateCompatibleDC(target);
      HGDIOBJ old = SelectObject(source, picture);
      RECT client;
      GetClientRect(window, &client);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      // Stretched to the window: the rule under the banner is one picture across the window.
      AlphaBlend(target, 0, 0, client.right, client.bottom, source, 0, 0, size.bmWidth, size.bmHeight, blend);
      SelectObject(source, old);
      DeleteDC(source);
    }
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HBITMAP LoadPicture(int id) {
  auto* picture = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (picture == nullptr) throw std::runtime_error("the picture " + std::to_string(id) + " is missing");
  return picture;
}

HIMAGELIST LoadIconList(int stripId, int side) {
  HBITMAP strip = LoadPicture(stripId);
  HIMAGELIST list = ImageList_Create(side, side, ILC_COLOR32, 72, 0);
  if (list == nullptr || ImageList_Add(list, strip, nullptr) < 0) {
    DeleteObject(strip);
    throw std::runtime_error("the small icons could not be loaded");
  }
  DeleteObject(strip);
  return list;
}

HIMAGELIST CheckBoxImages() {
  constexpr int kSide = 16;
  HIMAGELIST list = ImageList_Create(kSide, kSide, ILC_COLOR32 | ILC_MASK, 4, 0);
  if (list == nullptr) throw std::runtime_error("the check boxes could not be made");
  HDC screen = GetDC(nullptr);
  const UINT looks[] = {0, DFCS_BUTTONCHECK | DFCS_FLAT, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT,
                        DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT};
  for (const UINT look : looks) {
    HBITMAP image = CreateCompatibleBitmap(screen, kSide, kSide);
    HDC canvas = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(canvas, image);
    RECT all{0, 0, kSide, kSide};
    FillRect(canvas, &all, GetSysColorBrush(COLOR_WINDOW));
    if (look != 0) {
      RECT box{2, 2, 15, 15};
      DrawFrameControl(canvas, &box, DFC_BUTTON, look);
    }
    SelectObject(canvas, old);
    DeleteDC(canvas);
    ImageList_AddMasked(list, image, RGB(255, 0, 255));
    DeleteObject(image);
  }
  ReleaseDC(nullptr, screen);
  return list;
}

void RegisterPictureClass() {
  WNDCLASSW picture{};
  picture.lpfnWndProc = PictureProc;
  picture.hInstance = GetModuleHandleW(nullptr);
  picture.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  picture.lpszClassName = kPictureClass;
  RegisterClassW(&picture);
}

HWND CreatePicture(HWND parent, int id, int x, int y, int width, int height, COLORREF background) {
  HWND window = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) throw std::runtime_error("a picture window could not be made");
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(LoadPicture(id)));
  SetPropW(window, L"Background", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(background)));
  return window;
}

}  // namespace mailshift::shell::win
