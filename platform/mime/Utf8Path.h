// File paths as the program carries them (UTF-8 text) and as the file system takes them. On
// Windows a path built from a narrow string would go through the ANSI code page; these go through
// the wide API instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace mailshift::platform {

std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace mailshift::platform
