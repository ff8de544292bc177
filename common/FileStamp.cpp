#include "common/FileStamp.h"

#ifdef _WIN32
#include <windows.h>

#include <exception>

#include "common/WideText.h"
#else
#include <sys/stat.h>
#endif

namespace mailshift {

#ifdef _WIN32

std::optional<FileStamp> StampOfFile(const std::string& path) {
  // Opened for no access at all, so that a database the Notes client holds open can be stamped.
  std::wstring wide;
  try {
    wide = Utf8ToWide(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool read = GetFileInformationByHandle(file, &information) != FALSE;
  CloseHandle(file);
  if (!read) return std::nullopt;
  FileStamp stamp;
  stamp.size = (static_cast<std::uintmax_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  stamp.modified = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
      information.ftLastWriteTime.dwLowDateTime);
  stamp.device = information.dwVolumeSerialNumber;
  stamp.file = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return stamp;
}

#else

std::optional<FileStamp> StampOfFile(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  FileStamp stamp;
  stamp.size = static_cast<std::uintmax_t>(status.st_size);
  stamp.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
  stamp.device = static_cast<std::uint64_t>(status.st_dev);
  stamp.file = static_cast<std::uint64_t>(status.st_ino);
  return stamp;
}

#endif

}  // namespace mailshift
