#include "common/TextRules.h"

#include <algorithm>

#include "common/Utf8.h"

namespace mailshift {
namespace {

constexpr std::string_view kNameCharacters = ":?\\/*\"<>|";

// In UTF-8, the lead bytes 0xEE and 0xEF start U+E000..U+FFFF, which come after the surrogate
// pairs (supplementary characters, lead bytes 0xF0..0xF4) in UTF-16 order.
unsigned Utf16OrderWeight(unsigned char byte) { return (byte == 0xEE || byte == 0xEF) ? byte + 0x10u : byte; }

}  // namespace

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

int CompareOrdinal(std::string_view a, std::string_view b) {
  const auto [aDiff, bDiff] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (aDiff == a.end()) return bDiff == b.end() ? 0 : -1;
  if (bDiff == b.end()) return 1;
  const auto aByte = static_cast<unsigned char>(*aDiff);
  const auto bByte = static_cast<unsigned char>(*bDiff);
  const unsigned aWeight = (aByte >= 0xEE && bByte >= 0xEE) ? Utf16OrderWeight(aByte) : aByte;
  const unsigned bWeight = (aByte >= 0xEE && bByte >= 0xEE) ? Utf16OrderWeight(bByte) : bByte;
  return aWeight < bWeight ? -1 : 1;
}

bool IsNameCharacter(char c) { return kNameCharacters.find(c) != std::string_view::npos; }

std::string RemoveNameCharacters(std::string_view subject) {
  std::string cleaned;
  cleaned.reserve(subject.size());
  for (char c : subject) {
    if (!IsNameCharacter(c)) cleaned += c;
  }
  return cleaned;
}

std::string ReplaceNameCharacters(std::string_view folderName) {
  std::string cleaned(folderName);
  std::replace_if(cleaned.begin(), cleaned.end(), IsNameCharacter, '-');
  return cleaned;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::string Join(const std::vector<std::string>& texts, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) joined += separator;
    joined += texts[i];
  }
  return joined;
}

std::string ReplaceControlCharacters(std::string_view text, std::string_view replacement,
                                     bool replaceInvalid) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const Utf8Step step = ReadUtf8(text, at);
    const std::size_t length = step.length;
    if (!step.whole) {  // a byte that begins no UTF-8 character
      if (replaceInvalid) {
        result += replacement;
      } else {
        result += text[at];
      }
      ++at;
      continue;
    }
    const bool control = (lead < 0x20 && lead != '\t') || lead == 0x7F ||
                         (lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F);
    if (control) {
      result += replacement;
    } else {
      result.append(text.substr(at, length));
    }
    at += length;
  }
  return result;
}

}  // namespace mailshift
