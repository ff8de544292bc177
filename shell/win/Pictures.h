// The embedded artwork as the windows use it: pictures drawn with their transparency and the
// image lists of the small icons.
#pragma once

#include <windows.h>
// After windows.h:
#include <commctrl.h>

namespace mailshift::shell::win {

// A 32-bit bitmap resource with premultiplied alpha; throws std::runtime_error when missing.
HBITMAP LoadPicture(int id);
// The small icons (72, from the SmallIcons strip) at 16 or 24 pixels.
HIMAGELIST LoadIconList(int stripId, int side);
// The check boxes of the folder tree as state images: none, unchecked, checked, partly checked.
HIMAGELIST CheckBoxImages();

// A child window showing a picture over a background colour, stretched to the window.
HWND CreatePicture(HWND parent, int id, int x, int y, int width, int height, COLORREF background);
// Registers the picture window class; once per process.
void RegisterPictureClass();

}  // namespace mailshift::shell::win
