#include "common/Utf8.h"

#include <cstdint>
#include <cstring>

namespace mailshift {
namespace {

bool EightAsciiBytes(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
  return (word & 0x8080808080808080) == 0;
}

}  // namespace

std::size_t Utf8SequenceLength(char lead) {
  const auto byte = static_cast<unsigned char>(lead);
  if (byte < 0xC2) return 1;
  if (byte < 0xE0) return 2;
  if (byte < 0xF0) return 3;
  if (byte < 0xF5) return 4;
  return 1;
}

Utf8Step ReadUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1, true, true};
  const std::size_t length = Utf8SequenceLength(text[at]);
  if (length == 1) return {};
  char32_t code = lead & (0x7Fu >> length);
  std::size_t taken = 1;
  while (taken < length && at + taken < text.size() && IsUtf8Continuation(text[at + taken])) {
    code = (code << 6) | (static_cast<unsigned char>(text[at + taken]) & 0x3Fu);
    ++taken;
  }
  if (taken < length) return {0xFFFD, taken, false, false};
  static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool valid = code >= kShortest[length] && code <= 0x10FFFF && (code < 0xD800 || code >= 0xE000);
  return {valid ? code : 0xFFFD, length, true, valid};
}

std::size_t Utf8CharacterLength(std::string_view text, std::size_t at) {
  const Utf8Step step = ReadUtf8(text, at);
  return step.whole ? step.length : 1;
}

// ASCII, the most of most texts, is passed eight bytes at a time.
std::size_t ValidUtf8End(std::string_view text, std::size_t at) {
  while (at < text.size()) {
    if (text.size() - at >= 8 && EightAsciiBytes(text.data() + at)) {
      at += 8;
      continue;
    }
    const Utf8Step step = ReadUtf8(text, at);
    if (!step.valid) break;
    at += step.length;
  }
  return at;
}

bool IsValidUtf8(std::string_view text) { return ValidUtf8End(text) == text.size(); }

std::string ValidUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  for (std::size_t at = 0;;) {
    const std::size_t end = ValidUtf8End(text, at);
    valid.append(text.substr(at, end - at));
    if (end == text.size()) return valid;
    valid += kUtf8Replacement;
    at = end + 1;
  }
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  while (maxBytes > 0 && IsUtf8Continuation(text[maxBytes])) --maxBytes;
  return text.substr(0, maxBytes);
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace mailshift
