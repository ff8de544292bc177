// Reading UTF-8 text: one step at a time, its validity, and the replacement of broken sequences.
// Every module that looks inside UTF-8 bytes reads them here, so that a broken sequence is one
// thing everywhere; what a caller then does with it (replace it, keep it, count it) is its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailshift {

// U+FFFD, the replacement character, in UTF-8.
inline constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// One character read from UTF-8 text.
struct Utf8Step {
  char32_t code = 0xFFFD;  // the character; U+FFFD for a broken sequence
  std::size_t length = 1;  // the bytes it takes, at least one
  // Its lead byte begins a sequence and every continuation byte the lead announces follows; the
  // form may still be overlong, a surrogate or beyond U+10FFFF.
  bool whole = false;
  // Well-formed: whole, in its shortest form, no surrogate, at most U+10FFFF.
  bool valid = false;
};

inline bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The bytes of the sequence a lead byte begins: 1 for ASCII and for a byte that begins no
// sequence (a continuation byte, 0xC0, 0xC1, 0xF5 to 0xFF), else 2 to 4.
std::size_t Utf8SequenceLength(char lead);

// Reads the character at text[at] (at < text.size()). A byte that begins no sequence is a broken
// sequence of its own; a lead byte takes the continuation bytes that follow it, up to as many as
// it announces, so that a cut or malformed sequence is one broken character.
Utf8Step ReadUtf8(std::string_view text, std::size_t at);

// The length of the character at text[at] when it is whole, else 1: a stray byte counts alone.
std::size_t Utf8CharacterLength(std::string_view text, std::size_t at);

// Where the well-formed UTF-8 from `at` ends: at the first byte of a broken sequence, or at the end.
std::size_t ValidUtf8End(std::string_view text, std::size_t at = 0);
bool IsValidUtf8(std::string_view text);
// The text with each byte that begins no well-formed character replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t code);

// At most maxBytes bytes from the start, never ending inside a character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace mailshift
