#include "export/ExportLog.h"

#include <algorithm>
#include <cstdlib>

#include "common/CodePage.h"
#include "common/Global.h"
#include "common/TextRules.h"

namespace mailshift::mail {

std::string DefaultLogPath() {
#ifdef _WIN32
  return "C:\\Log.txt";
#else
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  std::string path = home;
  if (path.back() != kPathSeparator) path += kPathSeparator;
  return path + "Log.txt";
#endif
}

std::string LogLineText(std::string_view text) { return ReplaceControlCharacters(text, " "); }

ExportLog::ExportLog(const std::string& path, const std::string& protectedPath)
    : protectedPath_(protectedPath) {
  refusal_ = path.empty() ? "no place for the log is known" : Open(path);
}

ExportLog::~ExportLog() { Close(); }

std::string ExportLog::Open(const std::string& path) {
  std::string problem = file_.Open(path, protectedPath_);
  if (problem.empty()) path_ = path;
  return problem;
}

void ExportLog::Put(const std::string& encodedLine) {
  if (!file_.Write(encodedLine)) writeFailed_ = true;
}

void ExportLog::WriteLine(std::string_view utf8Line) {
  if (closed_) return;
  std::string line = LogLineText(utf8Line);
  // Plain ASCII reads the same in every 8-bit code page; most lines need no conversion.
  const bool ascii =
      std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) line = ToSystemCodePage(line);
  line += "\r\n";
  if (file_.IsOpen()) {
    Put(line);
  } else {
    heldBack_.push_back(std::move(line));
  }
}

void ExportLog::FallBackTo(const std::string& folder) {
  if (file_.IsOpen() || closed_ || folder.empty()) return;
  if (!Open(folder + "Log.txt").empty()) return;
  for (const auto& line : heldBack_) Put(line);
  heldBack_.clear();
}

void ExportLog::Close() {
  if (closed_) return;
  closed_ = true;
  heldBack_.clear();
  if (!file_.Close()) writeFailed_ = true;
}

}  // namespace mailshift::mail
