// The file of the export log, held by this run alone: opened without following a link, never the
// database, locked against a second run, and written without buffering.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailshift::mail {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile() { Close(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens the file at path: created, or emptied once this run holds it alone. It is left as it
  // is when it is a link or no plain file, when it is the file at protectedPath, or while
  // another run holds it. "" when open; otherwise why not, naming the path.
  std::string Open(const std::string& path, const std::string& protectedPath);
  bool IsOpen() const { return handle_ != kNone; }
  // Writes all the bytes; false when they did not all reach the file.
  bool Write(std::string_view bytes);
  // False when closing failed (the last bytes may be lost).
  bool Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // a file descriptor, or a Windows file handle
};

}  // namespace mailshift::mail
