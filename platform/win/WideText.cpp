#include "platform/win/WideText.h"

#include <windows.h>

#include <new>

namespace mailshift::platform::win {

std::string BstrToUtf8(BSTR text) {
  if (text == nullptr) return {};
  return WideToUtf8(std::wstring_view(text, SysStringLen(text)));
}

BSTR NewBstr(std::string_view utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (text == nullptr) throw std::bad_alloc();
  return text;
}

}  // namespace mailshift::platform::win
