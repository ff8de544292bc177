#include "export/ExportLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/CodePage.h"
#include "common/Global.h"

namespace mailshift::mail {

std::string DefaultLogPath() {
#ifdef _WIN32
  return "C:\\Log.txt";
#else
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  std::string path = home;
  if (path.back() != kPathSeparator) path += kPathSeparator;
  return path + "Log.txt";
#endif
}

std::string LogLineText(std::string_view text) {
  std::string line(text);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      line[i] = ' ';
    } else if (c == 0xC2 && i + 1 < line.size() && static_cast<unsigned char>(line[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(line[i + 1]) <= 0x9F) {
      line.replace(i, 2, " ");  // a control character of the second range (U+0080 to U+009F)
    }
  }
  return line;
}

ExportLog::ExportLog(const std::string& path, const std::string& protectedPath)
    : protectedPath_(protectedPath) {
  refusal_ = path.empty() ? "no place for the log is known" : Open(path);
}

ExportLog::~ExportLog() { Close(); }

std::string ExportLog::Open(const std::string& path) {
  // Not emptied yet: first make sure the file may be written at all.
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
  if (file < 0) {
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
  if (!protectedPath_.empty() && stat(protectedPath_.c_str(), &database) == 0 &&
      database.st_dev == opened.st_dev && database.st_ino == opened.st_ino) {
    return refuse(path + " is the database being exported");
  }
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    return refuse(errno == EWOULDBLOCK ? path + " is the log of another export that is still running"
                                       : path + ": " + std::strerror(errno));
  }
  if (ftruncate(file, 0) != 0) return refuse(path + ": " + std::strerror(errno));
  file_ = file;
  path_ = path;
  return {};
}

void ExportLog::Put(const std::string& encodedLine) {
  const char* data = encodedLine.data();
  std::size_t left = encodedLine.size();
  while (left > 0) {
    const ssize_t written = write(file_, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      writeFailed_ = true;
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void ExportLog::WriteLine(std::string_view utf8Line) {
  if (closed_) return;
  std::string line = LogLineText(utf8Line);
  // Plain ASCII reads the same in every 8-bit code page; most lines need no conversion.
  const bool ascii =
      std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) line = ToSystemCodePage(line);
  line += "\r\n";
  if (file_ >= 0) {
    Put(line);
  } else {
    heldBack_.push_back(std::move(line));
  }
}

void ExportLog::FallBackTo(const std::string& folder) {
  if (file_ >= 0 || closed_ || folder.empty()) return;
  if (!Open(folder + "Log.txt").empty()) return;
  for (const auto& line : heldBack_) Put(line);
  heldBack_.clear();
}

void ExportLog::Close() {
  if (closed_) return;
  closed_ = true;
  heldBack_.clear();
  if (file_ >= 0 && close(file_) != 0) writeFailed_ = true;
  file_ = -1;
}

}  // namespace mailshift::mail
