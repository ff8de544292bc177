#include "export/MessageFileName.h"

#include <algorithm>
#include <cctype>

#include "common/Utf8.h"

namespace mailshift::mail {
namespace {

bool IsControl(char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }

// Characters a name does without: controls (C0, DEL and C1), a byte that is no UTF-8 character,
// and the marks that turn the direction of text around (U+200E, U+200F, U+202A to U+202E, U+2066
// to U+2069), which make a terminal or a file manager show a name other than it is.
bool IsLeftOutOfNames(std::string_view character) {
  const auto byte = [&character](std::size_t i) { return static_cast<unsigned char>(character[i]); };
  if (character.size() == 1) return IsControl(character[0]) || byte(0) >= 0x80;
  if (character.size() == 2) return byte(0) == 0xC2 && byte(1) <= 0x9F;
  if (character.size() != 3 || byte(0) != 0xE2) return false;
  if (byte(1) == 0x80) return byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xAA && byte(2) <= 0xAE);
  return byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9;
}

std::size_t Units(std::size_t byteLength, bool utf16) {
  if (!utf16) return byteLength;
  return byteLength == 4 ? 2 : 1;
}

std::size_t LengthOf(std::string_view text, bool utf16) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8CharacterLength(text, at);
    units += Units(length, utf16);
    at += length;
  }
  return units;
}

// The longest run of whole characters from the start that takes at most maxUnits.
std::string_view CutToUnits(std::string_view text, std::size_t maxUnits, bool utf16) {
  std::size_t units = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = Utf8CharacterLength(text, at);
    if (units + Units(length, utf16) > maxUnits) break;
    units += Units(length, utf16);
    at += length;
  }
  return text.substr(0, at);
}

}  // namespace

FileNameRules FileNameRules::Native() {
#ifdef _WIN32
  return {255, true, true};
#else
  return {255, false, false};
#endif
}

bool IsWindowsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::transform(base.begin(), base.end(), base.begin(),
                 [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view digit = std::string_view(base).substr(3);
  return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

std::string MessageFileName(std::string_view subject, std::string_view tail, const FileNameRules& rules) {
  std::string stem;
  stem.reserve(subject.size());
  for (std::size_t at = 0; at < subject.size();) {
    const std::size_t length = Utf8CharacterLength(subject, at);
    const std::string_view character = subject.substr(at, length);
    at += length;
    if (!IsLeftOutOfNames(character)) stem += character;
  }

  const std::size_t tailUnits = LengthOf(tail, rules.lengthInUtf16);
  const std::size_t room = rules.maxLength > tailUnits ? rules.maxLength - tailUnits : 0;
  stem = std::string(CutToUnits(stem, room, rules.lengthInUtf16));
  std::string name = stem + std::string(tail);
  if (rules.windowsNames && IsWindowsDeviceName(name)) {
    stem = std::string(CutToUnits(stem, room > 0 ? room - 1 : 0, rules.lengthInUtf16)) + "_";
    name = stem + std::string(tail);
  }
  return name;
}

std::string PrintableAsciiOnly(std::string_view text) {
  std::string ascii;
  std::copy_if(text.begin(), text.end(), std::back_inserter(ascii),
               [](char c) { return c >= 0x20 && c <= 0x7E; });
  return ascii;
}

std::string CutAtCharacter(std::string_view text, std::size_t maxBytes) {
  return std::string(CutToUnits(text, maxBytes, false));
}

}  // namespace mailshift::mail
