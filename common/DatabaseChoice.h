// What the main window does when a database file is chosen (Browse, a file dropped on it) and when
// its path box changes; the same for every set of windows.
#pragma once

#include <string>

#include "common/MainWindowControls.h"
#include "common/RememberedFolders.h"

namespace mailshift {

// The path box takes the chosen file ("" when none was chosen), the preview tab and the phase
// arrows go, and the file's folder is remembered for the next dialog. False when that folder
// could not be remembered.
bool TakeDatabaseFile(MainWindowControls& window, const std::string& chosen, RememberedFolders* remembered);

// Scan, the button and toolbar button 2, is enabled while the path box holds a file.
void txtNotesDatabaseFile_Change(MainWindowControls& window);

}  // namespace mailshift
