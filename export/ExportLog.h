// The export log: a plain-text trace of one export run, in the system's 8-bit code page with
// CR LF line ends, rewritten by every run. Each line reaches the file as it is written, so a run
// that is killed loses no finished line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/LogFile.h"

namespace mailshift::mail {

// "C:\Log.txt" on Windows; elsewhere "Log.txt" in the user's home folder, or "" when the home
// folder is not known.
std::string DefaultLogPath();

// The text of one log line as it is to be written: every control character but the tab becomes a
// space, so that no text from a database can break a line in two or forge one.
std::string LogLineText(std::string_view text);

class ExportLog {
 public:
  // Opens the file at path for this run: created, or emptied once this run holds it alone. It is
  // not used (and left as it is) when it is a link or no plain file, when it is the file at
  // protectedPath (the database being read), or while another run writes it; the lines are then
  // held back until FallBackTo gives the log another place.
  explicit ExportLog(const std::string& path, const std::string& protectedPath = {});
  ~ExportLog();
  ExportLog(const ExportLog&) = delete;
  ExportLog& operator=(const ExportLog&) = delete;

  void WriteLine(std::string_view utf8Line);

  // When the log has no file yet: opens "Log.txt" in folder (which ends in the path separator) by
  // the same rules and writes the lines held back so far. Does nothing when the log has its file.
  void FallBackTo(const std::string& folder);

  // Closes the file; later lines are dropped.
  void Close();

  // The file the lines go to; "" while the log has none.
  const std::string& path() const { return path_; }
  // True when the log has its file and every line so far reached it.
  bool complete() const { return !path_.empty() && !writeFailed_; }
  // Why the first place asked for was not used; "" when it was.
  const std::string& refusal() const { return refusal_; }

 private:
  // "" when the log is open at path; otherwise why not.
  std::string Open(const std::string& path);
  void Put(const std::string& encodedLine);

  LogFile file_;
  std::string path_;
  std::string protectedPath_;
  std::string refusal_;
  std::vector<std::string> heldBack_;
  bool closed_ = false;
  bool writeFailed_ = false;
};

}  // namespace mailshift::mail
