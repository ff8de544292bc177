// Where the bytes of an embedded object come from while a store is written: read piece by piece,
// so that an attachment of any size passes through a small buffer.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace mailshift::standin {

class ContentSource {
 public:
  virtual ~ContentSource() = default;
  // Fills the start of the buffer; returns how many bytes it filled, 0 once the content has ended.
  // Throws std::runtime_error when the content cannot be read.
  virtual std::size_t Read(std::span<char> buffer) = 0;
};

// These bytes.
std::unique_ptr<ContentSource> BytesContent(std::string bytes);
// The bytes of a file, read when the store is written.
std::unique_ptr<ContentSource> FileContent(std::filesystem::path file);
// The bytes that base64 text decodes to; the text must be valid (IsBase64) and outlive the source.
std::unique_ptr<ContentSource> Base64Content(std::string_view text);

}  // namespace mailshift::standin
