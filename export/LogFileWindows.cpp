// The Windows form of the log file, over the wide-character file API. The file is opened with a
// share mode that lets others read it but not write it, so a second run is refused while this one
// holds it.
#include <windows.h>

#include "export/LogFile.h"
#include "export/WindowsFileNames.h"

namespace mailshift::mail {
namespace {

using windows::ErrorText;
using windows::WidePath;

struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

bool IdentityOf(HANDLE file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(file, &information)) return false;
  identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
  return true;
}

// True when path names the file whose identity is given; only the file's attributes are read,
// which no other program's share mode prevents.
bool IsSameFile(const std::string& path, const FileIdentity& identity) {
  const HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FileIdentity found;
  const bool same = IdentityOf(file, found) && found == identity;
  CloseHandle(file);
  return same;
}

}  // namespace

std::string LogFile::Open(const std::string& path, const std::string& protectedPath) {
  const std::wstring wide = WidePath(path);
  // The database may be held open by the Notes client in a mode that refuses writers: asked
  // first by its attributes alone, so that it is named as what it is.
  {
    const HANDLE existing = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
      FileIdentity identity;
      const bool isDatabase =
          !protectedPath.empty() && IdentityOf(existing, identity) && IsSameFile(protectedPath, identity);
      CloseHandle(existing);
      if (isDatabase) return path + " is the database being exported";
    }
  }
  // Not emptied yet: first make sure the file may be written at all. A link is opened as itself
  // (never followed) and then refused.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
      return path + " is the log of another export that is still running";
    // A folder in the log's place is refused as access denied: named as what it is.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return path + ": Is a directory";
    return path + ": " + ErrorText(error);
  }
  const auto refuse = [file](std::string why) {
    CloseHandle(file);
    return why;
  };
  BY_HANDLE_FILE_INFORMATION opened{};
  if (!GetFileInformationByHandle(file, &opened)) return refuse(path + ": " + ErrorText(GetLastError()));
  if ((opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return refuse(path + " is a link, which is not followed");
  if ((opened.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(file) != FILE_TYPE_DISK)
    return refuse(path + " is not a plain file");
  const FileIdentity identity{opened.dwVolumeSerialNumber, opened.nFileIndexHigh, opened.nFileIndexLow};
  if (!protectedPath.empty() && IsSameFile(protectedPath, identity))
    return refuse(path + " is the database being exported");
  if (!SetEndOfFile(file)) return refuse(path + ": " + ErrorText(GetLastError()));
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return {};
}

bool LogFile::Write(std::string_view bytes) {
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

bool LogFile::Close() {
  if (handle_ == kNone) return true;
  const bool closed = CloseHandle(reinterpret_cast<HANDLE>(handle_)) != 0;
  handle_ = kNone;
  return closed;
}

}  // namespace mailshift::mail
