#include "platform/nsf/RichTextHtml.h"

#include <array>
#include <cctype>

namespace mailshift::nsf {

void AppendEscapedHtml(std::string& out, std::string_view text, bool breakLines) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\n':
        if (breakLines) {
          out += "<br>";
        } else {
          out += ' ';
        }
        break;
      default:
        out += c;
    }
  }
}

bool IsSafeLinkTarget(std::string_view url) {
  static constexpr std::array<std::string_view, 6> kSchemes = {"http://", "https://", "ftp://",
                                                               "mailto:", "notes://", "notes:///"};
  if (url.empty() || url.size() > 4096) return false;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  for (const std::string_view scheme : kSchemes) {
    if (url.size() <= scheme.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < scheme.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(url[i])) == scheme[i];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace mailshift::nsf
