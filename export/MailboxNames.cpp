#include "export/MailboxNames.h"

#include "common/TextRules.h"
#include "common/Utf8.h"

namespace mailshift::mail {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

// Writes UTF-16 units as modified base64 ("&...-").
void FlushShifted(std::string& out, std::vector<char16_t>& units) {
  if (units.empty()) return;
  out += '&';
  std::uint32_t bits = 0;
  int count = 0;
  for (const char16_t unit : units) {
    bits = (bits << 16) | unit;
    count += 16;
    while (count >= 6) {
      count -= 6;
      out += kBase64[(bits >> count) & 0x3F];
    }
    bits &= (1u << count) - 1;
  }
  if (count > 0) out += kBase64[(bits << (6 - count)) & 0x3F];
  out += '-';
  units.clear();
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == ',') return 63;
  return -1;
}

}  // namespace

SpecialUse SpecialUseOf(const DeliveryFolder& folder) {
  if (!folder.standard) return SpecialUse::None;
  if (folder.tag == "Inbox") return SpecialUse::Inbox;
  if (folder.tag == "Sent") return SpecialUse::Sent;
  if (folder.tag == "Drafts") return SpecialUse::Drafts;
  if (folder.tag == "JunkMail") return SpecialUse::Junk;
  if (folder.tag == "Trash") return SpecialUse::Trash;
  return SpecialUse::None;
}

std::vector<std::string> MailboxLevels(const DeliveryFolder& folder) {
  switch (SpecialUseOf(folder)) {
    case SpecialUse::Inbox:
      return {"Inbox"};
    case SpecialUse::Sent:
      return {"Sent"};
    case SpecialUse::Drafts:
      return {"Drafts"};
    case SpecialUse::Junk:
      return {"Junk"};
    case SpecialUse::Trash:
      return {"Trash"};
    case SpecialUse::None:
      break;
  }
  if (folder.standard) return {folder.outputFolder};
  std::vector<std::string> levels;
  std::size_t start = 0;
  while (start <= folder.tag.size()) {
    std::size_t end = folder.tag.find('\\', start);
    if (end == std::string::npos) end = folder.tag.size();
    std::string level = Trim(std::string_view(folder.tag).substr(start, end - start));
    for (char& c : level) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '/' || c == '\\') c = '-';
    }
    if (!level.empty()) levels.push_back(ValidUtf8(level));
    start = end + 1;
  }
  if (levels.empty()) levels.push_back(folder.outputFolder.empty() ? "_" : folder.outputFolder);
  return levels;
}

std::string ModifiedUtf7(std::string_view utf8) {
  std::string out;
  std::vector<char16_t> shifted;
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Step step = ReadUtf8(utf8, at);
    at += step.length;
    const char32_t code = step.valid ? step.code : 0xFFFD;
    if (code >= 0x20 && code <= 0x7E) {
      FlushShifted(out, shifted);
      out += code == '&' ? std::string("&-") : std::string(1, static_cast<char>(code));
    } else if (code >= 0x10000) {
      shifted.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      shifted.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      shifted.push_back(static_cast<char16_t>(code));
    }
  }
  FlushShifted(out, shifted);
  return out;
}

std::optional<std::string> FromModifiedUtf7(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c < 0x20 || c > 0x7E) return std::nullopt;
    if (c != '&') {
      out += c;
      ++at;
      continue;
    }
    const std::size_t end = text.find('-', at + 1);
    if (end == std::string_view::npos) return std::nullopt;
    if (end == at + 1) {
      out += '&';
      at = end + 1;
      continue;
    }
    std::uint32_t bits = 0;
    int count = 0;
    std::vector<char16_t> units;
    for (std::size_t i = at + 1; i < end; ++i) {
      const int value = Base64Value(text[i]);
      if (value < 0) return std::nullopt;
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
      count += 6;
      if (count >= 16) {
        count -= 16;
        units.push_back(static_cast<char16_t>((bits >> count) & 0xFFFF));
        bits &= (1u << count) - 1;
      }
    }
    if (bits != 0 || units.empty()) return std::nullopt;  // padding must be zero bits
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t code = units[i];
      if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
      } else if (code >= 0xD800 && code < 0xE000) {
        return std::nullopt;
      }
      AppendUtf8(out, code);
    }
    at = end + 1;
  }
  return out;
}

std::string KeywordAtom(std::string_view category) {
  std::string atom;
  for (const char c : Trim(category)) {
    const auto byte = static_cast<unsigned char>(c);
    const bool special = byte <= 0x20 || byte >= 0x7F || c == '(' || c == ')' || c == '{' || c == '%' ||
                         c == '*' || c == '"' || c == '\\' || c == ']';
    atom += special ? '_' : c;
  }
  return atom;
}

}  // namespace mailshift::mail
