#include "common/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <memory>

#include "common/Utf8.h"

namespace mailshift {
namespace {

bool IsUtf8Name(const std::string& name) { return name == "UTF-8" || name == "utf-8" || name == "UTF8"; }
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
      const std::size_t skip = ReadUtf8(std::string_view(in, inLeft), 0).length;
      in += skip;
      inLeft -= skip;
    }
  }
  return out;
}

}  // namespace mailshift
