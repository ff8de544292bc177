#include "platform/nsf/NsfFile.h"

#include "platform/nsf/NsfError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace mailshift::nsf {

#ifdef _WIN32
namespace {
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}
}  // namespace

struct NsfFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

NsfFile::NsfFile(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
  handle_->file =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_->file == INVALID_HANDLE_VALUE)
    throw NsfError(path + ": cannot be opened (Windows error " + std::to_string(GetLastError()) + ")");
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_->file, &size)) throw NsfError(path + ": its size cannot be read");
  size_ = static_cast<std::uint64_t>(size.QuadPart);
}

std::vector<std::uint8_t> NsfFile::Read(std::uint64_t offset, std::size_t size,
                                        const std::string& what) const {
  if (size > kLargestRead || offset > size_ || size > size_ - offset)
    throw NsfError(path_ + ": " + what + ": " + std::to_string(size) + " bytes at offset " +
                   std::to_string(offset) + " lie outside the file");
  std::vector<std::uint8_t> bytes(size);
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    const std::uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_->file, bytes.data() + done, static_cast<DWORD>(size - done), &got, &at) || got == 0)
      throw NsfError(path_ + ": " + what + ": the file cannot be read at offset " + std::to_string(position));
    done += got;
  }
  return bytes;
}
#else
struct NsfFile::Handle {
  int descriptor = -1;
  ~Handle() {
    if (descriptor >= 0) close(descriptor);
  }
};

NsfFile::NsfFile(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
  handle_->descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle_->descriptor < 0) throw NsfError(path + ": cannot be opened (" + std::strerror(errno) + ")");
  struct stat status {};
  if (fstat(handle_->descriptor, &status) != 0 || !S_ISREG(status.st_mode))
    throw NsfError(path + ": is not a regular file");
  size_ = static_cast<std::uint64_t>(status.st_size);
}

std::vector<std::uint8_t> NsfFile::Read(std::uint64_t offset, std::size_t size,
                                        const std::string& what) const {
  if (size > kLargestRead || offset > size_ || size > size_ - offset)
    throw NsfError(path_ + ": " + what + ": " + std::to_string(size) + " bytes at offset " +
                   std::to_string(offset) + " lie outside the file");
  std::vector<std::uint8_t> bytes(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        pread(handle_->descriptor, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0)
      throw NsfError(path_ + ": " + what + ": the file cannot be read at offset " +
                     std::to_string(offset + done));
    done += static_cast<std::size_t>(got);
  }
  return bytes;
}
#endif

NsfFile::~NsfFile() = default;

}  // namespace mailshift::nsf
