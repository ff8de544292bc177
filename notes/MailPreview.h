// The mail preview as data: one folder of a scanned database in, its message rows out.
#pragma once

#include <cstdint>
#include <string>
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

}  // namespace mailshift::notes
