// The media type of a file that names none of its own (a file embedded in rich text or attached
// outside the body): told by its first bytes where they are a known signature, else by its
// name's extension; text gets its charset when its bytes are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mailshift::mail {

struct FileType {
  std::string mediaType;  // "image/png"; "application/octet-stream" when unknown
  std::vector<std::pair<std::string, std::string>> parameters;
};

// From the file's first bytes and its name.
FileType FileTypeOf(std::string_view firstBytes, std::string_view fileName);

// The same for the file at path (UTF-8), whose first few kilobytes are read.
FileType FileTypeOfFile(const std::string& path, std::string_view fileName);

}  // namespace mailshift::mail
