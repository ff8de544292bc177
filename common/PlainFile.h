// Small settings files read and written without being turned against the program: only a plain
// file is read (a pipe or a device named like it is refused at once rather than waited on or read
// without end), never more than a limit, and a file is replaced whole through a new file that is
// made exclusively, so nothing planted at the new file's name is written through.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace mailshift {

// The content of the plain file at path, at most `limit` bytes of it; none when there is no
// plain file there or it cannot be read.
std::optional<std::string> ReadPlainFile(const std::filesystem::path& path, std::size_t limit);

// Replaces the file at path by one holding content: a new file beside it, made exclusively, is
// written and flushed and then renamed over it. False (and the file as it was) when that fails.
bool ReplaceFileWhole(const std::filesystem::path& path, const std::string& content);

}  // namespace mailshift
