#include "export/UnnamedFileStock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mailshift::mail {

UnnamedFileStock::UnnamedFileStock(int folderDescriptor)
    : folder_(folderDescriptor), thread_([this] { Run(); }) {}

UnnamedFileStock::~UnnamedFileStock() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  thread_.join();
  for (std::FILE* file : made_) std::fclose(file);
}

std::FILE* UnnamedFileStock::Take() {
  std::FILE* file = nullptr;
  bool refill = false;
  {
    std::lock_guard lock(mutex_);
    if (made_.empty()) return nullptr;
    file = made_.front();
    made_.pop_front();
    refill = made_.size() == kRefillBelow - 1 && !failed_;
  }
  if (refill) wake_.notify_one();
  // A folder removed since its files were made ahead cannot give them a name; one made now would
  // not be made at all, and the caller opens the folder again.
  struct stat folder {};
  if (fstat(folder_, &folder) != 0 || folder.st_nlink == 0) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

void UnnamedFileStock::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || (!failed_ && made_.size() < kRefillBelow); });
    if (ending_) return;
    while (!ending_ && made_.size() < kFilled) {
      lock.unlock();
      const int descriptor = openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
      std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "wb");
      if (file == nullptr && descriptor >= 0) close(descriptor);
      lock.lock();
      if (file == nullptr) {
        failed_ = true;
        break;
      }
      made_.push_back(file);
    }
  }
}

}  // namespace mailshift::mail
