#include "notes/CountEmails.h"

#include <exception>

namespace mailshift::notes {

std::int64_t CountEmails(const std::string& folderName, const MainWindowControls& window, NotesState& notes) {
  notes.DatabaseObj.reset();
  notes.ViewObj.reset();
  try {
    if (!notes.SessionObj) return 0;
    notes.DatabaseObj = notes.SessionObj->GetDatabase("", window.txtNotesDatabaseFile.Caption());
    if (!notes.DatabaseObj) return 0;
    notes.ViewObj = notes.DatabaseObj->GetView(folderName);
    if (!notes.ViewObj) return 0;
    return notes.ViewObj->AllEntriesCount();
  } catch (const std::exception&) {
    return 0;  // a folder that cannot be counted shows as empty
  }
}

}  // namespace mailshift::notes
