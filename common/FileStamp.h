// What identifies a file's content well enough to notice that it changed: its size, its last
// change time and the file system's identity of the file (device and file number). Taken when a
// database is scanned and compared before it is exported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mailshift {

struct FileStamp {
  std::uintmax_t size = 0;
  std::int64_t modified = 0;  // in the file system's own ticks
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at that UTF-8 path; none when there is no file there or it cannot be read.
std::optional<FileStamp> StampOfFile(const std::string& path);

}  // namespace mailshift
