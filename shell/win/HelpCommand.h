// The Help command: "Help.chm" from the program's folder through HTML Help; when it is missing or
// cannot be shown, the HTML pages beside it in the browser; only when those are missing too is the
// user told why there is no help.
#pragma once

#include <windows.h>

#include <string>

#include "common/Controls.h"
#include "shell/win/WinDialogs.h"

namespace mailshift::shell::win {

inline constexpr const char* kHelpFileName = "Help.chm";
inline constexpr const char* kHelpPagesStart = "help\\index.html";

void ShowHelp(HWND owner, const std::string& programFolder, FileOpener& opener, MessageBoxes& messages);

}  // namespace mailshift::shell::win
