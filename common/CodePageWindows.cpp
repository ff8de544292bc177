// The Windows form of the code-page conversions: the system's ANSI code page and the code pages
// of the national language support.
#include <windows.h>

#include <cctype>
#include <cstdint>

#include "common/CodePage.h"
#include "common/Utf8.h"

namespace mailshift {
namespace {

constexpr UINT kUnknownCodePage = 0;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The number of a code page named as iconv or Windows names it.
UINT CodePageNumber(const std::string& codePage) {
  const std::string name = Upper(codePage);
  if (name == "UTF-8" || name == "UTF8") return CP_UTF8;
  if (name == "ASCII" || name == "US-ASCII" || name == "ANSI_X3.4-1968") return 20127;
  for (const char* prefix : {"CP", "WINDOWS-", "IBM"}) {
    const std::string text(prefix);
    if (name.rfind(text, 0) == 0 && AllDigits(name.substr(text.size()))) {
      return static_cast<UINT>(std::stoul(name.substr(text.size())));
    }
  }
  if (name.rfind("ISO-8859-", 0) == 0 && AllDigits(name.substr(9))) {
    return 28590 + static_cast<UINT>(std::stoul(name.substr(9)));
  }
  return kUnknownCodePage;
}

// Decodes UTF-8 to UTF-16; a broken sequence becomes U+FFFD, and so does a supplementary
// character when the target holds single bytes only (it is one character, so one "?").
std::wstring DecodeUtf8(std::string_view utf8, bool keepSupplementary) {
  std::wstring wide;
  wide.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const Utf8Step step = ReadUtf8(utf8, i);
    std::uint32_t code = step.code;
    i += step.length;
    if (code >= 0x10000) {
      if (!keepSupplementary) {
        wide += L'\xFFFD';
        continue;
      }
      code -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 + (code >> 10));
      wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(code);
    }
  }
  return wide;
}

}  // namespace

std::string SystemCodePageName() {
  const UINT codePage = GetACP();
  return codePage == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

std::string ToSystemCodePage(std::string_view utf8) { return ToCodePage(utf8, SystemCodePageName()); }

std::string ToCodePage(std::string_view utf8, const std::string& codePage) {
  const UINT number = CodePageNumber(codePage);
  CPINFO info{};
  if (number == CP_UTF8 || number == kUnknownCodePage || !GetCPInfo(number, &info)) return std::string(utf8);
  if (utf8.empty()) return {};
  const std::wstring wide = DecodeUtf8(utf8, info.MaxCharSize > 1);
  const int length = WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, wide.data(),
                                         static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(),
                      length, "?", nullptr);
  return out;
}

}  // namespace mailshift
