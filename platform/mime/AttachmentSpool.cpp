#include "platform/mime/AttachmentSpool.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "export/EmailComposition.h"
#include "platform/mime/Utf8Path.h"

namespace mailshift::platform {
namespace {

namespace fs = std::filesystem;

constexpr int kFolderNameAttempts = 100;

std::string Described(const std::string& what, const std::error_code& error) {
  return what + ": " + error.message();
}

void ReportCleanupFailure(const std::string& what, const std::error_code& error) {
  // Nothing here may throw and the export log is out of reach: the failure goes to the standard
  // error stream.
  std::fprintf(stderr, "mailshift: %s\n", Described(what, error).c_str());
}

unsigned long ProcessNumber() {
#ifdef _WIN32
  return static_cast<unsigned long>(_getpid());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// "mailshift-spool-<process>-<ending>": the process number lets a later run tell the spool a
// killed run left (and remove it) from one still at work.
std::string RandomName() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device device;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kDigits - 2);
  std::string name = "mailshift-spool-" + std::to_string(ProcessNumber()) + "-";
  for (int i = 0; i < 12; ++i) name += kDigits[pick(device)];
  return name;
}

// Makes a new folder under parent that only its owner may enter. On Windows the folder inherits
// the access list of the user's temporary folder, which admits only its owner.
fs::path MakePrivateFolder(const fs::path& parent) {
  for (int attempt = 0; attempt < kFolderNameAttempts; ++attempt) {
    const fs::path folder = parent / RandomName();
    std::error_code error;
    if (!fs::create_directory(folder, error)) {
      if (error)
        throw mail::EmailError(
            Described("cannot create the attachment spool in " + Utf8FromPath(parent), error));
      continue;  // the name is taken
    }
#ifndef _WIN32
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error) {
      std::error_code ignored;
      fs::remove(folder, ignored);
      throw mail::EmailError(Described("cannot make the attachment spool private", error));
    }
#endif
    return folder;
  }
  throw mail::EmailError("cannot find a free name for the attachment spool in " + Utf8FromPath(parent));
}

void CopyFile(const fs::path& source, const std::string& sourceText, const fs::path& target) {
  std::error_code error;
  if (!fs::copy_file(source, target, fs::copy_options::none, error) || error) {
    std::error_code ignored;
    fs::remove(target, ignored);
    throw mail::EmailError(Described("cannot copy " + sourceText, error));
  }
}

}  // namespace

SpoolFolder::SpoolFolder(std::string parentFolder) : parentFolder_(std::move(parentFolder)) {}

SpoolFolder::~SpoolFolder() {
  std::error_code error;
  if (!path_.empty() && !fs::remove(path_, error) && error)
    ReportCleanupFailure("cannot remove spool folder " + Utf8FromPath(path_), error);
}

fs::path SpoolFolder::path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

fs::path SpoolFolder::NewPath() {
  std::lock_guard lock(mutex_);
  if (path_.empty()) {
    fs::path parent = PathFromUtf8(parentFolder_);
    if (parent.empty()) {
      std::error_code error;
      parent = fs::temp_directory_path(error);
      if (error) throw mail::EmailError(Described("no temporary folder for the attachment spool", error));
    }
    path_ = MakePrivateFolder(parent);
  }
  return path_ / std::to_string(nextFile_++);
}

AttachmentSpool::AttachmentSpool(std::shared_ptr<SpoolFolder> folder) : folder_(std::move(folder)) {}

AttachmentSpool::~AttachmentSpool() {
#ifndef _WIN32
  for (const int file : held_) ::close(file);
#endif
  for (const fs::path& file : files_) {
    std::error_code error;
    if (!fs::remove(file, error) && error)
      ReportCleanupFailure("cannot remove spooled attachment " + Utf8FromPath(file), error);
  }
}

std::optional<AttachmentSpool::Taken> AttachmentSpool::HoldOpen(const std::string& sourcePath) {
#ifndef _WIN32
  if (held_.size() >= kMostHeldOpen) return std::nullopt;
  // Not blocking: opening a FIFO would otherwise wait for a writer.
  const int file = ::open(sourcePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    if (errno == EMFILE || errno == ENFILE) return std::nullopt;
    throw mail::EmailError(
        Described("cannot open " + sourcePath, std::error_code(errno, std::generic_category())));
  }
  struct stat found {};
  if (::fstat(file, &found) != 0 || !S_ISREG(found.st_mode)) {
    ::close(file);
    throw mail::EmailError(sourcePath + " is not a regular file");
  }
  // Handles are given lowest first, so the number tells how many the process has open: past half
  // of what it may open, the file is spooled instead, leaving room for the message's own file,
  // the store, the log and the folders under a low limit (ulimit -n).
  if (rlimit limit{}; getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                      static_cast<rlim_t>(file) >= limit.rlim_cur / 2) {
    ::close(file);
    return std::nullopt;
  }
  held_.push_back(file);
  return Taken{{}, file};
#else
  // Windows keeps a file that is open from being deleted.
  (void)sourcePath;
  return std::nullopt;
#endif
}

AttachmentSpool::Taken AttachmentSpool::Take(const std::string& sourcePath) {
  if (sourcePath.empty()) throw mail::EmailError("no attachment path");
  if (std::optional<Taken> held = HoldOpen(sourcePath)) return *held;
  const fs::path source = PathFromUtf8(sourcePath);
  std::error_code error;
  const fs::file_status status = fs::status(source, error);
  if (error) throw mail::EmailError(Described("cannot open " + sourcePath, error));
  // Checked before opening: opening a FIFO would wait for a writer.
  if (!fs::is_regular_file(status)) throw mail::EmailError(sourcePath + " is not a regular file");
#ifndef _WIN32
  // Asked without opening the file: this is also the way taken when no more files can be opened.
  if (::access(sourcePath.c_str(), R_OK) != 0) throw mail::EmailError("cannot read " + sourcePath);
#else
  if (!std::ifstream(source, std::ios::binary)) throw mail::EmailError("cannot read " + sourcePath);
#endif

  const fs::path target = folder_->NewPath();
  // A link to a symbolic link would share the link, not the file it names: those are copied.
  bool linked = false;
  if (!fs::is_symlink(fs::symlink_status(source, error)) && !error) {
    fs::create_hard_link(source, target, error);
    linked = !error;  // otherwise (another volume, no links on this file system) a copy follows
  }
  if (!linked) CopyFile(source, sourcePath, target);
  files_.push_back(target);
  return Taken{target, -1};
}

}  // namespace mailshift::platform
