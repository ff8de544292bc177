// The About window: the About picture, modal over its owner, closed by its title bar.
#pragma once

#include <windows.h>

namespace mailshift::shell::win {

// Shows the window over owner, which takes no input until it is closed. A hook may close it
// (the tests): it gets the window once it is shown.
void ShowAbout(HWND owner, void (*shown)(HWND about) = nullptr);

}  // namespace mailshift::shell::win
