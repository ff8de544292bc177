// Unnamed files of one folder made ahead of their use, on a thread of their own: making a file is
// one of the longer steps of writing a message, and on a machine with a second core it can be done
// while the messages before it are composed and written. A file made ahead and never used is gone
// when it is closed, as every unnamed file is, however the process ends.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace mailshift::mail {

class UnnamedFileStock {
 public:
  // folderDescriptor: the open folder, which must stay open while the stock lasts.
  explicit UnnamedFileStock(int folderDescriptor);
  // Stops making files and closes those not taken.
  ~UnnamedFileStock();
  UnnamedFileStock(const UnnamedFileStock&) = delete;
  UnnamedFileStock& operator=(const UnnamedFileStock&) = delete;

  // A file made ahead, opened for writing in binary mode, now the caller's; null when none is
  // ready, or the folder is no longer where it was: the caller then makes its file itself and
  // hears what stands in the way. Nothing is made ahead after a making failed.
  std::FILE* Take();

 private:
  void Run();

  static constexpr std::size_t kRefillBelow = 8;
  static constexpr std::size_t kFilled = 16;

  int folder_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::FILE*> made_;
  bool failed_ = false;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace mailshift::mail
