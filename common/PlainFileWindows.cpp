#include <windows.h>

#include <algorithm>
#include <string>

#include "common/PlainFile.h"

namespace mailshift {

std::optional<std::string> ReadPlainFile(const std::filesystem::path& path, std::size_t limit) {
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> content;
  // Only a file on a disk: a pipe or a device of that name is refused.
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    content.emplace();
    char buffer[16 * 1024];
    while (content->size() < limit) {
      DWORD read = 0;
      const auto wanted = static_cast<DWORD>(std::min(sizeof buffer, limit - content->size()));
      if (!ReadFile(handle, buffer, wanted, &read, nullptr)) {
        content.reset();
        break;
      }
      if (read == 0) break;
      content->append(buffer, read);
    }
  }
  CloseHandle(handle);
  return content;
}

bool ReplaceFileWhole(const std::filesystem::path& path, const std::string& content) {
  const std::wstring base = path.wstring() + L".new-" + std::to_wstring(GetCurrentProcessId());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring partial = attempt == 0 ? base : base + L"-" + std::to_wstring(attempt);
    // CREATE_NEW: a file or link already at that name is never written through.
    const HANDLE handle =
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    DWORD written = 0;
    const bool whole = content.empty() || (WriteFile(handle, content.data(),
                                                     static_cast<DWORD>(content.size()), &written, nullptr) &&
                                           written == content.size());
    const bool flushed = whole && FlushFileBuffers(handle);
    CloseHandle(handle);
    if (flushed &&
        MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DeleteFileW(partial.c_str());
    return false;
  }
  return false;
}

}  // namespace mailshift
