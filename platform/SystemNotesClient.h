// The Notes client of this system and the choice of reader: on Linux the built-in stand-in reads
// its own mail stores and the native reader reads Notes database files; on Windows the installed
// Notes client reads over COM when one is registered, the native reader otherwise. The executables
// create one on the user-interface thread and keep it until every Notes object has been released.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "notes/NotesObjects.h"

namespace mailshift::platform {

enum class ReaderChoice {
  Automatic,   // as above
  Native,      // the native reader for every database
  NotesClient  // the Notes client (on Linux: the stand-in) for every database
};

// "native" or "notes", as the command line spells them; nothing for any other text.
std::optional<ReaderChoice> ReaderChoiceNamed(std::string_view name);

class SystemNotesClient {
 public:
  explicit SystemNotesClient(ReaderChoice choice = ReaderChoice::Automatic);
  ~SystemNotesClient();
  SystemNotesClient(const SystemNotesClient&) = delete;
  SystemNotesClient& operator=(const SystemNotesClient&) = delete;

  notes::SessionFactory& sessions();
  // The reader that reads (or would read) this database: "native", "Notes client" or
  // "stand-in", as the scan, the log and the command line name it.
  std::string ReaderFor(const std::string& databasePath);
  // The on-disk structure version of a Notes database file as digits; "" when it has none.
  std::string OdsOf(const std::string& databasePath);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace mailshift::platform
