// The Help command: "Help.chm" from the program's own folder; when it is missing or nothing shows
// it, the same pages as HTML beside it; only when those are missing too is the user told why there
// is no help.
#pragma once

#include <string>

#include "common/Controls.h"

namespace mailshift::shell {

inline constexpr const char* kHelpFileName = "Help.chm";

// How each set of windows shows help.
class HelpDesk {
 public:
  virtual ~HelpDesk() = default;
  virtual bool IsFile(const std::string& path) = 0;
  // False when nothing on this computer shows the file.
  virtual bool ShowHelpFile(const std::string& path) = 0;
  virtual bool ShowHelpPages(const std::string& startPage) = 0;
};

// A file of the folder, with the system's separator.
std::string InFolder(const std::string& folder, const std::string& name);

void ShowHelp(const std::string& programFolder, HelpDesk& desk, MessageBoxes& messages);

}  // namespace mailshift::shell
