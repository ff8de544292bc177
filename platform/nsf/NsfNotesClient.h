// The native reader: the Notes object model over a Notes database file read directly, without
// any Notes client. Answers to "Domino.NotesSession" and "Notes.NotesSession".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
// The on-disk structure version a Notes database file names in its header; nothing for a file
// without the signature.
std::optional<std::uint32_t> OdsVersionOf(const std::string& path);

}  // namespace mailshift::nsf
