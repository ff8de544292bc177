#include "export/SafeFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "export/UnnamedFileStock.h"

namespace mailshift::mail {

namespace {

// The output root held open by the run (see HeldRoot), by its path.
std::mutex heldRootMutex;
std::string heldRootPath;
int heldRootDescriptor = -1;

std::vector<std::string> NamesOf(const std::string& relative) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) names.push_back(relative.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// The folder at path reached from the held root one name at a time, never through a link: its
// descriptor (to be closed), or -1 with errno set. *below is false, and nothing opened, when the
// path is not below the held root. With keepLast off, the last name is not opened: the descriptor
// is its parent's and *last that name.
int OpenBelowHeldRoot(const std::string& path, bool keepLast, bool* below, std::string* last = nullptr) {
  std::lock_guard lock(heldRootMutex);
  *below = false;
  if (heldRootDescriptor < 0 || path.size() <= heldRootPath.size() || !path.starts_with(heldRootPath))
    return -1;
  std::vector<std::string> names = NamesOf(path.substr(heldRootPath.size()));
  if (names.empty()) return -1;
  *below = true;
  if (!keepLast) {
    *last = names.back();
    names.pop_back();
  }
  int current = fcntl(heldRootDescriptor, F_DUPFD_CLOEXEC, 0);
  for (const std::string& name : names) {
    if (current < 0) return -1;
    const int next = openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    close(current);
    errno = error;
    current = next;
  }
  return current;
}

// Names relative to an open folder.
int RenameNoReplaceAt(int folder, const char* from, const char* to) {
  if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system without the flag: a second name that cannot replace anything, then the first
  // name goes.
  if (linkat(folder, from, folder, to, 0) == 0) {
    unlinkat(folder, from, 0);
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // Nor hard links (FAT): only this run writes new names into the folder, so a look first holds.
  struct stat existing {};
  if (fstatat(folder, to, &existing, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return renameat(folder, from, folder, to) == 0 ? 0 : errno;
}

std::FILE* CreateNewFileAt(int folder, const char* path, int& error) {
  // O_EXCL: made new or not at all, so no existing file (or link) is ever written through.
  const int descriptor = openat(folder, path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    error = errno;
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) {
    error = errno;
    close(descriptor);
    unlinkat(folder, path, 0);
    return nullptr;
  }
  error = 0;
  return file;
}

}  // namespace

OpenedFolder::~OpenedFolder() { Close(); }

int OpenedFolder::Open(const std::string& path) {
  Close();
  bool below = false;
  const int reached = OpenBelowHeldRoot(path, true, &below);
  if (below) {
    if (reached < 0) return errno;
    descriptor_ = reached;
    path_ = path;
    return 0;
  }
  // Without the closing separator, which would have a link in the last place followed.
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return errno;
  descriptor_ = descriptor;
  path_ = path;
  return 0;
}

void OpenedFolder::StockEnder::operator()(UnnamedFileStock* stock) const { delete stock; }

void OpenedFolder::Close() {
  unnamedStock_.reset();  // before the folder its thread makes files in is closed
  unnamedMade_ = 0;
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  path_.clear();
}

// Every file made stays reachable by its whole path, as other programs open it: a name that
// would make the path longer than the system takes is refused as the path would be.
bool OpenedFolder::FitsInPath(const std::string& name) const { return path_.size() + name.size() < PATH_MAX; }

std::FILE* OpenedFolder::CreateNewFile(const std::string& name, int& error) const {
  if (!IsOneName(name)) {
    error = EINVAL;
    return nullptr;
  }
  if (!FitsInPath(name)) {
    error = ENAMETOOLONG;
    return nullptr;
  }
  return CreateNewFileAt(descriptor_, name.c_str(), error);
}

int OpenedFolder::RenameNoReplace(const std::string& from, const std::string& to) const {
  if (!IsOneName(from) || !IsOneName(to)) return EINVAL;
  if (!FitsInPath(to)) return ENAMETOOLONG;
  return RenameNoReplaceAt(descriptor_, from.c_str(), to.c_str());
}

int OpenedFolder::Remove(const std::string& name) const {
  if (!IsOneName(name)) return EINVAL;
  return unlinkat(descriptor_, name.c_str(), 0) == 0 ? 0 : errno;
}

int OpenedFolder::RenameReplacing(const std::string& from, const std::string& to) const {
  if (!IsOneName(from) || !IsOneName(to)) return EINVAL;
  if (!FitsInPath(to)) return ENAMETOOLONG;
  return renameat(descriptor_, from.c_str(), descriptor_, to.c_str()) == 0 ? 0 : errno;
}

std::int64_t OpenedFolder::PlainFileSize(const std::string& name) const {
  if (!IsOneName(name)) return kNotAPlainFile;
  struct stat found {};
  if (fstatat(descriptor_, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? kNoFile : kNotAPlainFile;
  return S_ISREG(found.st_mode) ? static_cast<std::int64_t>(found.st_size) : kNotAPlainFile;
}

std::FILE* OpenedFolder::OpenPlainFileForReading(const std::string& name, int& error) const {
  if (!IsOneName(name)) {
    error = EINVAL;
    return nullptr;
  }
  // O_NONBLOCK: a pipe with no writer or a device does not hold the run up at the open.
  const int descriptor = openat(descriptor_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    error = errno;
    return nullptr;
  }
  struct stat found {};
  if (fstat(descriptor, &found) != 0 || !S_ISREG(found.st_mode)) {
    error = EINVAL;
    close(descriptor);
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "rb");
  error = file == nullptr ? errno : 0;
  if (file == nullptr) close(descriptor);
  return file;
}

std::vector<std::string> OpenedFolder::Names(int& error) const {
  std::vector<std::string> names;
  const int descriptor = openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* folder = descriptor < 0 ? nullptr : fdopendir(descriptor);
  if (folder == nullptr) {
    error = errno;
    if (descriptor >= 0) close(descriptor);
    return names;
  }
  error = 0;
  errno = 0;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
    errno = 0;
  }
  if (errno != 0) error = errno;
  closedir(folder);
  return names;
}

HeldRoot::~HeldRoot() {
  std::lock_guard lock(heldRootMutex);
  if (heldRootDescriptor == folder_.descriptor_) {
    heldRootDescriptor = -1;
    heldRootPath.clear();
  }
}

int HeldRoot::Hold(const std::string& path) {
  {
    std::lock_guard lock(heldRootMutex);
    heldRootDescriptor = -1;
    heldRootPath.clear();
  }
  if (const int error = folder_.Open(path)) return error;
  std::lock_guard lock(heldRootMutex);
  heldRootDescriptor = folder_.descriptor_;
  heldRootPath = path;
  return 0;
}

LockedFile::~LockedFile() { Close(); }

bool LockedFile::IsOpen() const { return descriptor_ >= 0; }

void LockedFile::Close() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
}

LockedFile::Outcome LockedFile::Open(const OpenedFolder& folder, const std::string& name,
                                     std::string& problem) {
  Close();
  constexpr int kFlags = O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  Outcome made = Outcome::Created;
  int descriptor = openat(folder.descriptor_, name.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
  if (descriptor < 0 && errno == EEXIST) {
    made = Outcome::Opened;
    descriptor = openat(folder.descriptor_, name.c_str(), kFlags);
  }
  if (descriptor < 0) {
    const int error = errno;
    if (error == ELOOP) {
      problem = "it is a link, which is not followed";
      return Outcome::Refused;
    }
    problem = std::strerror(error);
    return error == ENXIO || error == ENODEV || error == EISDIR ? Outcome::Refused : Outcome::Failed;
  }
  struct stat found {};
  if (fstat(descriptor, &found) != 0 || !S_ISREG(found.st_mode) || found.st_nlink != 1) {
    problem = S_ISREG(found.st_mode) ? "it has another name elsewhere, which is not written through"
                                     : "it is not a plain file";
    close(descriptor);
    return Outcome::Refused;
  }
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    problem = error == EWOULDBLOCK ? "another export is using it" : std::strerror(error);
    close(descriptor);
    return error == EWOULDBLOCK ? Outcome::Busy : Outcome::Failed;
  }
  descriptor_ = descriptor;
  return made;
}

std::string LockedFile::ReadPieces(const std::function<bool(std::string_view)>& piece) const {
  char buffer[64 * 1024];
  for (off_t offset = 0;;) {
    const ssize_t read = pread(descriptor_, buffer, sizeof buffer, offset);
    if (read < 0) {
      if (errno == EINTR) continue;
      return std::strerror(errno);
    }
    if (read == 0 || !piece(std::string_view(buffer, static_cast<std::size_t>(read)))) return {};
    offset += read;
  }
}

std::string LockedFile::Resize(std::uint64_t size) const {
  return ftruncate(descriptor_, static_cast<off_t>(size)) == 0 ? std::string() : std::strerror(errno);
}

std::string LockedFile::Append(std::string_view bytes) const {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return std::strerror(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

std::FILE* OpenedFolder::CreateUnnamedFile(int& error) const {
  if (unnamedStock_) {
    if (std::FILE* made = unnamedStock_->Take()) return made;
  } else if (++unnamedMade_ == kUnnamedBeforeStock) {
    unnamedStock_.reset(new UnnamedFileStock(descriptor_));
  }
  const int descriptor = openat(descriptor_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    error = errno;
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "wb");
  error = file == nullptr ? errno : 0;
  if (file == nullptr) close(descriptor);
  return file;
}

bool OpenedFolder::IsNoUnnamedFiles(int error) {
  // A system older than unnamed files takes the flag for O_DIRECTORY and answers EISDIR.
  return error == EOPNOTSUPP || error == ENOTSUP || error == EISDIR || error == EINVAL;
}

int OpenedFolder::NameUnnamedFile(std::FILE* file, const std::string& name) const {
  if (!IsOneName(name)) return EINVAL;
  if (!FitsInPath(name)) return ENAMETOOLONG;
  const int descriptor = fileno(file);
  // linkat never replaces: a name that is taken gives EEXIST.
  if (linkat(descriptor, "", descriptor_, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return errno;
  // Systems before 6.10 keep AT_EMPTY_PATH to privileged processes; the file's entry in /proc
  // names the same file.
  const std::string opened = "/proc/self/fd/" + std::to_string(descriptor);
  return linkat(AT_FDCWD, opened.c_str(), descriptor_, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int SetModificationTime(std::FILE* file, std::int64_t secondsSinceEpoch) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(secondsSinceEpoch), 0}};
  return futimens(fileno(file), times) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) == 0) return 0;
  const int error = errno;
  // Some systems answer EPERM for a folder.
  struct stat found {};
  if ((error == EPERM || error == EISDIR) && lstat(path.c_str(), &found) == 0 && S_ISDIR(found.st_mode))
    return EISDIR;
  return error;
}

std::string MakeFolderNoFollow(const std::string& path) {
  struct stat found {};
  bool below = false;
  std::string last;
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const int parent = OpenBelowHeldRoot(folder, false, &below, &last);
  if (below) {
    if (parent < 0) return std::strerror(errno);
    int error = 0;
    if (mkdirat(parent, last.c_str(), 0777) != 0 && errno != EEXIST) error = errno;
    if (error == 0 && fstatat(parent, last.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
    close(parent);
    if (error != 0) return std::strerror(error);
    if (S_ISLNK(found.st_mode)) return "it is a link, which is not followed";
    if (!S_ISDIR(found.st_mode)) return "something that is not a folder has its name";
    return {};
  }
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

std::string FileIdentity(const std::string& path) {
  struct stat found {};
  if (stat(path.c_str(), &found) != 0) return {};
  return std::to_string(found.st_dev) + ":" + std::to_string(found.st_ino);
}

bool IsOwnFolder(const std::string& path) {
  struct stat found {};
  return lstat(path.c_str(), &found) == 0 && S_ISDIR(found.st_mode) && found.st_uid == geteuid();
}

bool SameName(const std::string& first, const std::string& second) { return first == second; }

void FailWritesPastTheFileSizeLimit() { signal(SIGXFSZ, SIG_IGN); }

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
