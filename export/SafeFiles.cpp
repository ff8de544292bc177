#include "export/SafeFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace mailshift::mail {

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system without the flag: a second name that cannot replace anything, then the first
  // name goes.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // Nor hard links (FAT): only this run writes new names into the folder, so a look first holds.
  struct stat existing {};
  if (lstat(to.c_str(), &existing) == 0) return EEXIST;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string MakeFolderNoFollow(const std::string& path) {
  struct stat found {};
  if (lstat(path.c_str(), &found) != 0) {
    if (errno != ENOENT) return std::strerror(errno);
    if (mkdir(path.c_str(), 0777) == 0) return {};
    if (errno != EEXIST) return std::strerror(errno);
    if (lstat(path.c_str(), &found) != 0) return std::strerror(errno);
  }
  if (S_ISLNK(found.st_mode)) return "it is a link, which is not followed";
  if (!S_ISDIR(found.st_mode)) return "something that is not a folder has its name";
  return {};
}

std::string WritableFolderProblem(const std::string& path) {
  struct stat found {};
  if (stat(path.c_str(), &found) != 0) return std::strerror(errno);
  if (!S_ISDIR(found.st_mode)) return "it is not a folder";
  std::string probe = path;
  if (probe.back() != '/') probe += '/';
  probe += ".mailshift-probe-" + std::to_string(getpid());
  const int file = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0) return std::strerror(errno);
  close(file);
  unlink(probe.c_str());
  return {};
}

std::FILE* CreateNewFile(const std::string& path, int& error) {
  errno = 0;
  // "x": created new or not at all, so no existing file (or link) is ever written through.
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  error = file == nullptr ? errno : 0;
  return file;
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix, std::string& made) {
  const std::string pattern = parent + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  // mkdtemp gives owner-only access.
  if (mkdtemp(buffer.data()) == nullptr)
    return "cannot create the folder " + pattern + ": " + std::strerror(errno);
  made = buffer.data();
  return {};
}

std::string MakeOwnFolder(const std::string& path) {
  if (mkdir(path.c_str(), S_IRWXU) != 0)
    return "cannot create the folder " + path + ": " + std::strerror(errno);
  return {};
}

bool SameName(const std::string& first, const std::string& second) { return first == second; }

unsigned long CurrentProcessNumber() {
  static const auto number = static_cast<unsigned long>(getpid());
  return number;
}

bool IsProcessRunning(unsigned long processNumber) {
  if (processNumber == 0 || processNumber > static_cast<unsigned long>(std::numeric_limits<pid_t>::max())) {
    return false;
  }
  return kill(static_cast<pid_t>(processNumber), 0) == 0 || errno != ESRCH;
}

}  // namespace mailshift::mail
