#include "platform/gmime/AttachmentSpool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "export/EmailComposition.h"

namespace mailshift::platform {
namespace {

constexpr std::size_t kCopyChunk = 256 * 1024;

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

class Descriptor {
 public:
  explicit Descriptor(int value) : value_(value) {}
  ~Descriptor() {
    if (value_ >= 0) close(value_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return value_; }
  // Closes now, reporting the result (a late write error shows here).
  int Close() {
    const int result = close(value_);
    value_ = -1;
    return result;
  }

 private:
  int value_;
};

// Links the open file into the spool by its descriptor, so that what is linked is what was
// opened even if the path has changed since.
bool LinkOpenFile(int descriptor, const std::string& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
  return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool WriteAll(int descriptor, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(descriptor, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

void CopyOpenFile(int source, const std::string& sourcePath, const std::string& target) {
  Descriptor copy(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (copy.get() < 0)
    throw mail::EmailError(SystemError("cannot create the spool copy of " + sourcePath, errno));
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    const ssize_t count = read(source, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 || !WriteAll(copy.get(), buffer.data(), static_cast<std::size_t>(count))) {
      const int error = errno;
      unlink(target.c_str());
      throw mail::EmailError(SystemError("cannot copy " + sourcePath, error));
    }
    if (count == 0) break;
  }
  if (copy.Close() != 0) {
    const int error = errno;
    unlink(target.c_str());
    throw mail::EmailError(SystemError("cannot copy " + sourcePath, error));
  }
}

void ReportCleanupFailure(const std::string& what, int error) {
  // Nothing here may throw and the export log is out of reach: the failure goes to the standard
  // error stream.
  std::fprintf(stderr, "mailshift: %s\n", SystemError(what, error).c_str());
}

}  // namespace

SpoolFolder::SpoolFolder(std::string parentFolder) : parentFolder_(std::move(parentFolder)) {}

SpoolFolder::~SpoolFolder() {
  if (!path_.empty() && rmdir(path_.c_str()) != 0)
    ReportCleanupFailure("cannot remove spool folder " + path_, errno);
}

std::string SpoolFolder::path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

std::string SpoolFolder::NewPath() {
  std::lock_guard lock(mutex_);
  if (path_.empty()) {
    std::string parent = parentFolder_;
    if (parent.empty()) {
      std::error_code error;
      parent = std::filesystem::temp_directory_path(error).string();
      if (error) throw mail::EmailError("no temporary folder for the attachment spool: " + error.message());
    }
    if (parent.back() != '/') parent += '/';
    std::string pattern = parent + "mailshift-spool-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      throw mail::EmailError(SystemError("cannot create the attachment spool in " + parent, errno));
    }
    path_ = pattern;  // mkdtemp makes it readable by its owner only
  }
  return path_ + "/" + std::to_string(nextFile_++);
}

AttachmentSpool::AttachmentSpool(std::shared_ptr<SpoolFolder> folder) : folder_(std::move(folder)) {}

AttachmentSpool::~AttachmentSpool() {
  for (const std::string& file : files_) {
    if (unlink(file.c_str()) != 0 && errno != ENOENT) {
      ReportCleanupFailure("cannot remove spooled attachment " + file, errno);
    }
  }
}

std::string AttachmentSpool::Take(const std::string& sourcePath) {
  if (sourcePath.empty()) throw mail::EmailError("no attachment path");
  // O_NONBLOCK keeps a FIFO from blocking the open; it does not affect regular files.
  Descriptor source(open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (source.get() < 0) throw mail::EmailError(SystemError("cannot open " + sourcePath, errno));
  struct stat status {};
  if (fstat(source.get(), &status) != 0)
    throw mail::EmailError(SystemError("cannot read " + sourcePath, errno));
  if (!S_ISREG(status.st_mode)) throw mail::EmailError(sourcePath + " is not a regular file");

  const std::string target = folder_->NewPath();
  if (!LinkOpenFile(source.get(), target)) CopyOpenFile(source.get(), sourcePath, target);
  files_.push_back(target);
  return target;
}

}  // namespace mailshift::platform
