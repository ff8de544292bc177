// The mail preview: a click on a folder node lists that folder's documents in the message list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/MainWindowControls.h"
#include "notes/NotesObjects.h"
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

// Fills the message list from the view of that name in the database of the path box. A failure
// ends the listing quietly; the rows made so far stay.
PreviewOutcome EnumerateEmails(const std::string& folderName, MainWindowControls& window, NotesState& notes);

// The view a folder tag stands for: "($Inbox)" for "Inbox" and the other standard folders, the
// tag itself for anything else.
std::string PreviewViewName(std::string_view tag);

// The items that fill the "From/To" and "Date" cells for a view.
struct PreviewItems {
  std::string_view fromTo;
  std::string_view date;
};
PreviewItems PreviewItemsFor(std::string_view viewName);

// A document's row: From/To, Subject, Size and Date, separated by tabs.
std::string PreviewRow(Document& document, const PreviewItems& items);

// A size in bytes as whole kilobytes, halves rounded to the even neighbour, with " KB".
std::string KilobyteText(std::int64_t bytes);

}  // namespace mailshift::notes
