// Base64 (RFC 4648, standard alphabet) as the store fixtures carry attachment bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailshift::standin {

// True for base64 text: ASCII white space between characters is ignored and the closing "="
// padding may be left out.
bool IsBase64(std::string_view text);

// Decodes base64 text piece by piece.
class Base64Decoder {
 public:
  // Decodes as much of the text after `position` as fits `capacity` bytes; advances `position`.
  // Returns the bytes written to `out`. The text must be valid base64.
  std::size_t Decode(std::string_view text, std::size_t& position, char* out, std::size_t capacity);

 private:
  std::uint32_t bits_ = 0;
  int pendingSextets_ = 0;
  std::string carry_;  // decoded bytes that did not fit the last call
};

// Encodes bytes handed in piece by piece.
class Base64Encoder {
 public:
  void Add(std::string_view bytes);
  // The complete text, padded.
  std::string Finish();

 private:
  std::string text_;
  unsigned char held_[2] = {0, 0};
  int heldCount_ = 0;
};

std::string EncodeBase64(std::string_view bytes);
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace mailshift::standin
