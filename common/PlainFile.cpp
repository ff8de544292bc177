#include "common/PlainFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace mailshift {
namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadPlainFile(const std::filesystem::path& path, std::size_t limit) {
  // O_NONBLOCK: a pipe without a writer answers at once instead of holding the program up.
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat found {};
  std::optional<std::string> content;
  if (fstat(descriptor, &found) == 0 && S_ISREG(found.st_mode)) {
    content.emplace();
    char buffer[16 * 1024];
    while (content->size() < limit) {
      const ssize_t read = ::read(descriptor, buffer, std::min(sizeof buffer, limit - content->size()));
      if (read < 0 && errno == EINTR) continue;
      if (read < 0) {
        content.reset();
        break;
      }
      if (read == 0) break;
      content->append(buffer, static_cast<std::size_t>(read));
    }
  }
  close(descriptor);
  return content;
}

bool ReplaceFileWhole(const std::filesystem::path& path, const std::string& content) {
  const std::string base = path.string() + ".new-" + std::to_string(getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string partial = attempt == 0 ? base : base + "-" + std::to_string(attempt);
    // O_EXCL: a file or link already at that name is never written through.
    const int descriptor = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    const bool written = WriteAll(descriptor, content) && fsync(descriptor) == 0;
    const bool closed = close(descriptor) == 0;
    if (written && closed && rename(partial.c_str(), path.c_str()) == 0) return true;
    unlink(partial.c_str());
    return false;
  }
  return false;
}

}  // namespace mailshift
