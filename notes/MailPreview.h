// The mail preview as data: one folder of a scanned database in, its message rows out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/NotesObjects.h"

namespace mailshift::notes {

struct PreviewRow {
  std::string fromTo;
  std::string subject;
  std::string size;  // "12 KB"
  std::string date;  // the system's date text
};

struct PreviewResult {
  std::vector<PreviewRow> rows;
  // Why the listing stopped before the end of the view; empty when it did not. Never shown.
  std::string failure;
};

// Lists the documents of the folder with that tag (its view, see ViewNameOf) in the database at
// the path, opened anew through the session of its scan. A failure ends the listing quietly; the
// rows made so far stay.
PreviewResult Preview(Session& session, const std::string& databasePath, const std::string& tag);

// The same listing, each row handed on as it is read; returns the failure ("" when none).
std::string ListPreviewRows(Session& session, const std::string& databasePath, const std::string& tag,
                            const std::function<void(const PreviewRow&)>& onRow);

// The items that fill the "From/To" and "Date" cells for a view.
struct PreviewItems {
  std::string_view fromTo;
  std::string_view date;
};
PreviewItems PreviewItemsFor(std::string_view viewName);

// The date items of a message, in the order that dates it: "PostedDate", then the folder's preview
// date item, then "DeliveredDate" (each once). Without any, the document's creation date counts.
std::vector<std::string_view> MessageDateItems(std::string_view previewDateItem);

// The date a message of that folder is exported with, by the order above (with orCreated, the
// creation date after them); none when there is none.
std::optional<DateTime> MessageDate(Document& document, std::string_view previewDateItem,
                                    bool orCreated = true);

// A row as one line: its cells separated by tabs.
std::string PreviewRowText(const PreviewRow& row);

// A size in bytes as whole kilobytes, halves rounded to the even neighbour, with " KB".
std::string KilobyteText(std::int64_t bytes);

}  // namespace mailshift::notes
