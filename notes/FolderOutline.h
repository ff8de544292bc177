// The folder tree of a scan as lines of text, as the command line prints it.
#pragma once

#include <string>
#include <vector>

#include "notes/FolderChecks.h"
#include "notes/MailScan.h"

namespace mailshift::notes {

// One line per node, each below its parent in the order the nodes were added: two spaces of
// indent per level (deeper than 32 levels, the indent of 32 and "(level N) "), "[x] ", "[ ] " or
// "[-] " (partly checked), then the caption.
std::vector<std::string> FolderOutline(const std::vector<FolderNode>& nodes, const FolderChecks& checks);

}  // namespace mailshift::notes
