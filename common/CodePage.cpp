#include "common/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <memory>

namespace mailshift {
namespace {

bool IsUtf8Name(const std::string& name) { return name == "UTF-8" || name == "utf-8" || name == "UTF8"; }

// Bytes of the character (or broken sequence) at the start of text, at least one.
std::size_t CharacterLength(const char* text, std::size_t available) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t expected = 1;
  if (lead >= 0xF0 && lead < 0xF8) {
    expected = 4;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    expected = 3;
  } else if (lead >= 0xC0 && lead < 0xE0) {
    expected = 2;
  }
  std::size_t length = 1;
  while (length < expected && length < available &&
         (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

}  // namespace

std::string SystemCodePageName() {
  static const std::string name = [] {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return std::string("ANSI_X3.4-1968");
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeset;
  }();
  return name;
}

std::string ToSystemCodePage(std::string_view utf8) { return ToCodePage(utf8, SystemCodePageName()); }

std::string ToCodePage(std::string_view utf8, const std::string& codePage) {
  if (IsUtf8Name(codePage)) return std::string(utf8);
  iconv_t converter = iconv_open(codePage.c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  const std::unique_ptr<void, int (*)(iconv_t)> closer(converter, iconv_close);

  std::string out;
  out.reserve(utf8.size());
  char buffer[1024];
  auto* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // A character this code page cannot hold, or a broken sequence: one "?" for it.
      out += '?';
      const std::size_t skip = CharacterLength(in, inLeft);
      in += skip;
      inLeft -= skip;
    }
  }
  return out;
}

}  // namespace mailshift
