// Folders named on the command line: by the folder tag ("Follow-Up", "Projects\2008") or as the
// scan prints the tree ("Follow Up", "Projects\2008", or a nested folder's own caption "2008"),
// in any letter case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "notes/MailScan.h"

namespace mailshift::cli {

struct FolderLookup {
  std::vector<std::size_t> nodes;       // the node the name means; more than one when it is ambiguous
  std::vector<std::string> closeNames;  // when none: the names of folders spelled nearly so
};

// Finds the node a name means. A folder tag given exactly wins over every other reading.
FolderLookup FindFolder(const std::vector<notes::FolderNode>& nodes, std::string_view name);

// The name under which the scan shows a node: the caption without its count, below "Folders"
// with the captions of the levels above it, joined by "\".
std::string ShownName(const std::vector<notes::FolderNode>& nodes, std::size_t node);

// Why a name found no single folder, for the error stream: "no folder ..." with the close names,
// or the folders an ambiguous name could mean.
std::string FolderLookupProblem(const std::vector<notes::FolderNode>& nodes, std::string_view name,
                                const FolderLookup& lookup);

}  // namespace mailshift::cli
