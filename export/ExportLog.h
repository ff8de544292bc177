// The export log: a plain-text trace of one export run, in the system's 8-bit code page with
// CR LF line ends, rewritten by every run.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::mail {

// "C:\Log.txt" on Windows; elsewhere "Log.txt" in the user's home folder, or "" when the home
// folder is not known.
std::string DefaultLogPath();

class ExportLog {
 public:
  // Creates the file at path, or empties it. When that fails, the lines are held back until
  // FallBackTo gives the log another place.
  explicit ExportLog(const std::string& path);
  ~ExportLog();
  ExportLog(const ExportLog&) = delete;
  ExportLog& operator=(const ExportLog&) = delete;

  void WriteLine(std::string_view utf8Line);

  // When the log has no file yet: creates "Log.txt" in folder (which ends in the path separator)
  // and writes the lines held back so far. Does nothing when the log already has its file.
  void FallBackTo(const std::string& folder);

  // Writes out and closes the file; later lines are dropped.
  void Close();

  // The file the lines go to; "" while the log has none.
  const std::string& path() const { return path_; }
  // True when the log has its file and every line so far reached it.
  bool complete() const { return !path_.empty() && !writeFailed_; }

 private:
  bool Open(const std::string& path);
  void Put(const std::string& encodedLine);

  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string path_;
  std::vector<std::string> heldBack_;
  bool closed_ = false;
  bool writeFailed_ = false;
};

}  // namespace mailshift::mail
