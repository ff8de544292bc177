#include "export/ExportLog.h"

#include <algorithm>
#include <cstdlib>

#include "common/CodePage.h"
#include "common/Global.h"

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

ExportLog::ExportLog(const std::string& path) { Open(path); }

ExportLog::~ExportLog() { Close(); }

bool ExportLog::Open(const std::string& path) {
  if (path.empty()) return false;
  file_.reset(std::fopen(path.c_str(), "wb"));
  if (!file_) return false;
  path_ = path;
  return true;
}

void ExportLog::Put(const std::string& encodedLine) {
  if (std::fwrite(encodedLine.data(), 1, encodedLine.size(), file_.get()) != encodedLine.size()) {
    writeFailed_ = true;
  }
}

void ExportLog::WriteLine(std::string_view utf8Line) {
  if (closed_) return;
  // Plain ASCII reads the same in every 8-bit code page; most lines need no conversion.
  const bool ascii = std::all_of(utf8Line.begin(), utf8Line.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string line = ascii ? std::string(utf8Line) : ToSystemCodePage(utf8Line);
  line += "\r\n";
  if (file_) {
    Put(line);
  } else {
    heldBack_.push_back(std::move(line));
  }
}

void ExportLog::FallBackTo(const std::string& folder) {
  if (file_ || closed_ || folder.empty()) return;
  if (!Open(folder + "Log.txt")) return;
  for (const auto& line : heldBack_) Put(line);
  heldBack_.clear();
}

void ExportLog::Close() {
  if (closed_) return;
  closed_ = true;
  heldBack_.clear();
  if (file_ && std::fclose(file_.release()) != 0) writeFailed_ = true;
}

}  // namespace mailshift::mail
