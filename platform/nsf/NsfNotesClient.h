// The native reader: the Notes object model over a Notes database file read directly, without
// any Notes client. Answers to "Domino.NotesSession" and "Notes.NotesSession".
#pragma once

#include <memory>
#include <string_view>

#include "notes/NotesObjects.h"

namespace mailshift::nsf {

// The name the scan, the log and the command line give this reader.
inline constexpr std::string_view kNativeReaderName = "native";

class NsfNotesClient : public notes::SessionFactory {
 public:
  std::shared_ptr<notes::Session> CreateObject(std::string_view className) override;
};

// Whether the file begins with a Notes database's signature (it may still be unreadable).
bool HasNotesSignature(const std::string& path);

}  // namespace mailshift::nsf
