// The mail preview of the main window: a click on a folder node lists that folder's documents in
// the message list. The listing itself is ListPreviewRows (notes/MailPreview.h).
#pragma once

#include <cstdint>
#include <string>

#include "common/MainWindowControls.h"
#include "notes/NotesState.h"

namespace mailshift::notes {

inline constexpr int kMessageIcon = 56;

struct PreviewOutcome {
  std::size_t rows = 0;
  // Why the listing stopped before the end of the view; empty when it did not. Never shown.
  std::string failure;
};

// The handler of the tree's click: lists the folder of the selected node. Nothing happens when
// no node is selected.
PreviewOutcome ContactsTreeView_Click(MainWindowControls& window, NotesState& notes);

// Fills the message list from the folder of that tag (or view name) in the database of the path
// box, through the session of the last scan. A failure ends the listing quietly; the rows made so
// far stay.
PreviewOutcome EnumerateEmails(const std::string& folderName, MainWindowControls& window, NotesState& notes);

}  // namespace mailshift::notes
