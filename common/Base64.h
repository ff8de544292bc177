// Base64 (RFC 4648, standard alphabet): the one encoder, which the message composer's lines and
// the store fixtures' attachment bytes share, and the decoder of the store fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailshift {

// True for base64 text: ASCII white space between characters is ignored and the closing "="
// padding may be left out.
bool IsBase64(std::string_view text);

// The length of the base64 text of `bytes` bytes, padded.
constexpr std::size_t Base64Length(std::size_t bytes) { return (bytes + 2) / 3 * 4; }
// Writes the padded base64 text of the bytes at `out`, which has room for Base64Length(size)
// characters, and returns its end. Two groups of three bytes are encoded at a time.
char* PutBase64(const char* data, std::size_t size, char* out);

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
  unsigned char held_[3] = {0, 0, 0};  // the bytes of a group not yet complete
  int heldCount_ = 0;
};

std::string EncodeBase64(std::string_view bytes);
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace mailshift
