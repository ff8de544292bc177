// Text as files of this system store it: the system's 8-bit code page.
#pragma once

#include <string>
#include <string_view>

namespace mailshift {

// The name of the system's 8-bit code page (the code set of the process's regional settings).
std::string SystemCodePageName();

// Converts UTF-8 text to the system's code page. A character the code page cannot hold becomes
// "?"; in a UTF-8 system the text is returned unchanged.
std::string ToSystemCodePage(std::string_view utf8);

// The same conversion to a named code page ("CP1252", "ISO-8859-1", "UTF-8", ...).
std::string ToCodePage(std::string_view utf8, const std::string& codePage);

}  // namespace mailshift
