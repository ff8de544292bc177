// Windows only: text between the program (UTF-8) and the system's wide-character API (UTF-16).
#pragma once

#include <string>
#include <string_view>

namespace mailshift {

// Throw std::length_error for a text longer than the API takes.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace mailshift
