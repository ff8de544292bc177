// The Help command: "Help.chm" from the program's own folder, shown by the desktop's handler.
#pragma once

#include <QString>
#include <functional>

#include "common/Controls.h"
#include "shell/QtDialogs.h"

namespace mailshift::shell {

inline constexpr const char* kHelpFileName = "Help.chm";
// The same pages as plain HTML, beside the program, for systems without a Help viewer.
inline constexpr const char* kHelpPagesStart = "help/index.html";

// Opens the help file of programFolder. When it is missing or no program shows it, the HTML pages
// beside it open in the program's own help window (showPages gets the start page); only when
// those are missing too is the user told why there is no help.
void ShowHelp(const QString& programFolder, FileOpener& opener, MessageBoxes& messages,
              const std::function<void(const QString&)>& showPages);

}  // namespace mailshift::shell
