// The transfer encodings of message bodies and attachments (RFC 2045): quoted-printable and
// base64, both in lines ending in CR LF within 76 characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailshift::platform {

// True when more than one byte in five lies outside ASCII: base64 is then the shorter encoding.
bool PrefersBase64(std::string_view text);

// Line breaks (LF or CR LF) as CR LF; a CR alone stays a character of the text.
std::string CrLfLineEnds(std::string_view text);

// The text in quoted-printable. Its line breaks (LF or CR LF) become line ends, a CR alone is
// encoded, and a last line without a line break ends in a soft break, so that the encoding always
// ends in CR LF (or is empty) and whatever follows it is not part of the text.
std::string QuotedPrintable(std::string_view text);
// The same, appended to `out` (which must not hold the text).
void AppendQuotedPrintable(std::string_view text, std::string& out);

// Base64 of a byte stream fed in pieces, in lines of 76 characters.
class Base64Lines {
 public:
  static constexpr std::size_t kBytesPerLine = 57;

  // Appends the lines these bytes complete to `out`; the rest waits for more bytes or Finish.
  void Add(std::string_view bytes, std::string& out);
  // Appends the last, shorter line, if any.
  void Finish(std::string& out);

 private:
  char pending_[kBytesPerLine] = {};
  std::size_t pendingCount_ = 0;
};

// The whole base64 encoding of the bytes, in lines.
std::string Base64(std::string_view bytes);
// The same, appended to `out` (which must not hold the bytes).
void AppendBase64(std::string_view bytes, std::string& out);

}  // namespace mailshift::platform
