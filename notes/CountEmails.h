// The number of entries of one view or folder of the chosen database.
#pragma once

#include <cstdint>
#include <string>

#include "common/MainWindowControls.h"
#include "notes/NotesState.h"

namespace mailshift::notes {

// Opens the database of the path box again into DatabaseObj, gets the view of that name into
// ViewObj and returns its entry count. Any failure (no session, no such database or view) gives
// 0 and shows nothing; DatabaseObj and ViewObj are then left empty rather than stale.
std::int64_t CountEmails(const std::string& folderName, const MainWindowControls& window, NotesState& notes);

}  // namespace mailshift::notes
