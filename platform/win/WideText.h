// Text between the program (UTF-8) and Windows and COM (UTF-16, BSTR).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/WideText.h"

namespace mailshift::platform::win {

using mailshift::Utf8ToWide;
using mailshift::WideToUtf8;

// The whole BSTR, embedded nulls included; a null BSTR is the empty text.
std::string BstrToUtf8(BSTR text);

// A new BSTR the caller owns (SysFreeString); throws std::bad_alloc when none can be made.
BSTR NewBstr(std::string_view utf8);

}  // namespace mailshift::platform::win
