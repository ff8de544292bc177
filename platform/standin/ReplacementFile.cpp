#include "platform/standin/ReplacementFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace mailshift::standin {
namespace {

std::filesystem::path CreateSibling(const std::filesystem::path& target, std::FILE*& opened) {
  static std::atomic<unsigned> counter{0};
  const auto folder = target.parent_path();
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
#ifndef _WIN32
  const long process = static_cast<long>(::getpid());
#else
  const long process = 0;
#endif
  // A short name of its own, so that a target name near the length limit still works.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = ".mailshift-" + std::to_string(process) + "-" + std::to_string(++counter) + "-" +
                             std::to_string(stamp % 1000000007ULL) + ".part";
    const auto candidate = folder.empty() ? std::filesystem::path(name) : folder / name;
    // "x": created here and now, never an existing file.
    if (std::FILE* file = std::fopen(candidate.string().c_str(), "wbx")) {
      opened = file;
      return candidate;
    }
    if (errno != EEXIST) {
      throw std::runtime_error("cannot create a file in " +
                               (folder.empty() ? std::string(".") : folder.string()) + ": " +
                               std::strerror(errno));
    }
  }
  throw std::runtime_error("cannot find a free file name beside " + target.string());
}

void SyncToDisk(const std::filesystem::path& file) {
#ifndef _WIN32
  const int descriptor = ::open(file.c_str(), O_RDONLY);
  if (descriptor < 0) throw std::runtime_error("cannot open " + file.string() + ": " + std::strerror(errno));
  const int result = ::fsync(descriptor);
  const int error = errno;
  ::close(descriptor);
  if (result != 0) throw std::runtime_error("cannot write " + file.string() + ": " + std::strerror(error));
#else
  (void)file;
#endif
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target, Opening opening, Placement placement)
    : target_(std::move(target)) {
  if (placement == Placement::AtTargetWhenFree) {
    // "x": made here and now, never over a file that has the name.
    file_ = std::fopen(target_.string().c_str(), "wbx");
    if (file_ != nullptr) {
      path_ = target_;
    } else if (errno != EEXIST) {
      throw std::runtime_error("cannot create " + target_.string() + ": " + std::strerror(errno));
    }
  }
  if (path_.empty()) path_ = CreateSibling(target_, file_);
  if (opening == Opening::Closed) CloseFile();
}

bool ReplacementFile::CloseFile() {
  if (file_ == nullptr) return true;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return closed;
}

ReplacementFile::~ReplacementFile() {
  CloseFile();
  if (replaced_) return;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

void ReplacementFile::ReplaceTarget(Durability durability) {
  if (!CloseFile()) throw std::runtime_error("cannot write " + path_.string() + ": " + std::strerror(errno));
  if (durability == Durability::SyncedToDisk) SyncToDisk(path_);
  if (path_ == target_) {  // made as the target itself
    replaced_ = true;
    return;
  }
  std::error_code error;
  std::filesystem::rename(path_, target_, error);
  if (error) throw std::runtime_error("cannot write " + target_.string() + ": " + error.message());
  replaced_ = true;
}

}  // namespace mailshift::standin
