#include "export/WindowsFileNames.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "common/WideText.h"

namespace mailshift::mail::windows {
namespace {

// Below this length the plain form of a path is taken as it is; the limit is MAX_PATH for a
// whole path and MAX_PATH - 12 for a folder to be created.
constexpr std::size_t kPlainPathLength = MAX_PATH - 12;

bool IsDriveAbsolute(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace

std::wstring WidePath(const std::string& utf8Path) {
  std::wstring wide = Utf8ToWide(utf8Path);
  if (wide.size() < kPlainPathLength || !IsDriveAbsolute(wide)) return wide;
  // The "\\?\" form takes the path literally: "/", "." and ".." are resolved here first.
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return wide;
  full.resize(written);
  return L"\\\\?\\" + full;
}

int ErrorNumber(DWORD windowsError) {
  switch (windowsError) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return EINVAL;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

std::string ErrorText(DWORD windowsError) {
  const int number = ErrorNumber(windowsError);
  if (number == EIO) return "Windows error " + std::to_string(windowsError);
  return std::strerror(number);
}

}  // namespace mailshift::mail::windows
