#include "export/LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mailshift::mail {

std::string LogFile::Open(const std::string& path, const std::string& protectedPath) {
  // Not emptied yet: first make sure the file may be written at all. O_NONBLOCK: a pipe without a
  // reader is refused at once instead of holding the run up.
  const int file =
      open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
  if (file < 0) {
    if (errno == ENXIO) return path + " is not a plain file";
    return errno == ELOOP ? path + " is a link, which is not followed" : path + ": " + std::strerror(errno);
  }
  const auto refuse = [file](std::string why) {
    close(file);
    return why;
  };
  struct stat opened {};
  if (fstat(file, &opened) != 0) return refuse(path + ": " + std::strerror(errno));
  if (!S_ISREG(opened.st_mode)) return refuse(path + " is not a plain file");
  struct stat database {};
  if (!protectedPath.empty() && stat(protectedPath.c_str(), &database) == 0 &&
      database.st_dev == opened.st_dev && database.st_ino == opened.st_ino) {
    return refuse(path + " is the database being exported");
  }
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    return refuse(errno == EWOULDBLOCK ? path + " is the log of another export that is still running"
                                       : path + ": " + std::strerror(errno));
  }
  if (ftruncate(file, 0) != 0) return refuse(path + ": " + std::strerror(errno));
  handle_ = file;
  return {};
}

bool LogFile::Write(std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = write(static_cast<int>(handle_), data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool LogFile::Close() {
  if (handle_ == kNone) return true;
  const bool closed = close(static_cast<int>(handle_)) == 0;
  handle_ = kNone;
  return closed;
}

}  // namespace mailshift::mail
