#include "export/MimeWords.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "common/Base64.h"
#include "common/Utf8.h"

namespace mailshift::mail {
namespace {

// A header that holds more parameter sections than this is damaged or hostile.
constexpr std::size_t kMostSections = 1000;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// windows-1252's characters at 0x80 to 0x9F (0 where it has none: those stay U+0080 to U+009F).
constexpr std::uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::optional<std::string> DecodeQ(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      bytes += ' ';
    } else if (text[i] == '=') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexDigit(text[i + 1]);
      const int low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      bytes += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

std::optional<std::string> DecodeB(std::string_view text) {
  if (!IsBase64(text)) return std::nullopt;
  std::string bytes(text.size(), '\0');
  std::size_t position = 0;
  Base64Decoder decoder;
  bytes.resize(decoder.Decode(text, position, bytes.data(), bytes.size()));
  return bytes;
}

// One encoded word at the start of text: its decoded UTF-8 text and its length.
std::optional<std::pair<std::string, std::size_t>> EncodedWordAt(std::string_view text) {
  if (!text.starts_with("=?")) return std::nullopt;
  const auto charsetEnd = text.find('?', 2);
  if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?')
    return std::nullopt;
  const auto end = text.find("?=", charsetEnd + 3);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view charset = text.substr(2, charsetEnd - 2);
  if (const auto star = charset.find('*'); star != std::string_view::npos) charset = charset.substr(0, star);
  const std::string_view payload = text.substr(charsetEnd + 3, end - charsetEnd - 3);
  if (payload.find_first_of(" \t\r\n") != std::string_view::npos) return std::nullopt;
  const char encoding = AsciiLower(text[charsetEnd + 1]);
  const auto bytes = encoding == 'q' ? DecodeQ(payload) : encoding == 'b' ? DecodeB(payload) : std::nullopt;
  std::string decoded;
  if (!bytes || !ToUtf8(*bytes, charset, decoded)) return std::nullopt;
  return std::pair{std::move(decoded), end + 2};
}

// A parameter value from its first character: a quoted string unquoted, or a token.
std::string ValueAt(std::string_view text, std::size_t& i) {
  std::string value;
  if (i < text.size() && text[i] == '"') {
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      value += text[i];
    }
    if (i < text.size()) ++i;
    return value;
  }
  while (i < text.size() && text[i] != ';') value += text[i++];
  return std::string(TrimBlanks(value));
}

std::string PercentDecoded(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

struct Section {
  std::string value;
  bool extended = false;
};

}  // namespace

bool ToUtf8(std::string_view bytes, std::string_view charset, std::string& out) {
  const std::string set = Lower(TrimBlanks(charset));
  if (set == "utf-8" || set == "utf8" || set == "us-ascii" || set == "ascii" || set.empty()) {
    out = ValidUtf8(bytes);
    return true;
  }
  const bool latin1 = set == "iso-8859-1" || set == "latin1" || set == "iso8859-1" || set == "l1";
  const bool windows = set == "windows-1252" || set == "cp1252";
  if (!latin1 && !windows) return false;
  out.clear();
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const std::uint32_t code = windows && byte >= 0x80 && byte < 0xA0 && kWindows1252High[byte - 0x80] != 0
                                   ? kWindows1252High[byte - 0x80]
                                   : byte;
    AppendUtf8(code, out);
  }
  return true;
}

std::string DecodeEncodedWords(std::string_view text) {
  if (text.find("=?") == std::string_view::npos) return std::string(text);
  std::string decoded;
  std::size_t pendingBlanks = 0;  // blanks after an encoded word, dropped when another follows
  bool afterWord = false;
  for (std::size_t i = 0; i < text.size();) {
    if (auto word = EncodedWordAt(text.substr(i))) {
      if (!afterWord) decoded.append(text.substr(i - pendingBlanks, pendingBlanks));
      decoded += word->first;
      i += word->second;
      afterWord = true;
      pendingBlanks = 0;
      continue;
    }
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++pendingBlanks;
      ++i;
      continue;
    }
    decoded.append(text.substr(i - pendingBlanks, pendingBlanks));
    pendingBlanks = 0;
    afterWord = false;
    decoded += c;
    ++i;
  }
  decoded.append(text.substr(text.size() - pendingBlanks, pendingBlanks));
  return decoded;
}

std::string DecodedParameter(std::string_view value, std::string_view name) {
  const std::string wanted = Lower(name);
  std::optional<std::string> plain;
  std::optional<Section> whole;  // name*=
  std::map<std::size_t, Section> sections;
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    const auto equals = value.find('=', i);
    if (equals == std::string_view::npos) break;
    const std::string key = Lower(TrimBlanks(value.substr(i, equals - i)));
    i = equals + 1;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    std::string parameter = ValueAt(value, i);
    i = value.find(';', i);
    if (key == wanted) {
      if (!plain) plain = std::move(parameter);
    } else if (key == wanted + "*") {
      if (!whole) whole = Section{std::move(parameter), true};
    } else if (key.starts_with(wanted + "*") && sections.size() < kMostSections) {
      std::string_view rest = std::string_view(key).substr(wanted.size() + 1);
      const bool extended = rest.ends_with('*');
      if (extended) rest.remove_suffix(1);
      if (rest.empty() || rest.size() > 4 || rest.find_first_not_of("0123456789") != std::string_view::npos)
        continue;
      sections.emplace(std::stoul(std::string(rest)), Section{std::move(parameter), extended});
    }
  }

  std::vector<Section> pieces;
  if (whole) {
    pieces.push_back(std::move(*whole));
  } else {
    for (std::size_t n = 0; sections.contains(n); ++n) pieces.push_back(std::move(sections[n]));
  }
  if (pieces.empty()) return plain ? DecodeEncodedWords(*plain) : std::string();

  // The first extended piece names the character set: charset'language'text.
  std::string charset;
  std::string bytes;
  for (std::size_t n = 0; n < pieces.size(); ++n) {
    std::string_view text = pieces[n].value;
    if (pieces[n].extended && n == 0) {
      const auto first = text.find('\'');
      const auto second = first == std::string_view::npos ? first : text.find('\'', first + 1);
      if (second != std::string_view::npos) {
        charset = std::string(text.substr(0, first));
        text = text.substr(second + 1);
      }
    }
    bytes += pieces[n].extended ? PercentDecoded(text) : std::string(text);
  }
  std::string decoded;
  if (!ToUtf8(bytes, charset, decoded)) return plain ? DecodeEncodedWords(*plain) : ValidUtf8(bytes);
  return decoded;
}

}  // namespace mailshift::mail
