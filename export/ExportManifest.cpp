#include "export/ExportManifest.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "common/TextRules.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "Corvane Mailshift export manifest 1";
// A header that reaches beyond this is no header of ours.
constexpr std::size_t kLongestHeader = 256 * 1024;

}  // namespace

bool HasManifest(const std::string& outputRoot) {
  std::error_code error;
  return fs::is_regular_file(
      fs::symlink_status(FilePath(outputRoot + std::string(kManifestFileName)), error));
}

ExportManifest::ExportManifest(const std::string& outputRoot, bool startAnew) {
  const fs::path path = FilePath(outputRoot + std::string(kManifestFileName));
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (fs::is_symlink(status)) {
    problem_ = path.string() + " is a link, which is not followed";
    return;
  }
  const bool exists = fs::exists(status);
  if (exists && !fs::is_regular_file(status)) {
    problem_ = path.string() + " is not a plain file";
    return;
  }

  std::string content;
  if (exists && !startAnew) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    content = read.str();
    if (!in && !in.eof()) {
      problem_ = "cannot read " + path.string();
      return;
    }
    if (content.rfind(std::string(kFirstLine) + "\r\n", 0) != 0 &&
        content.rfind(std::string(kFirstLine) + "\n", 0) != 0) {
      problem_ = path.string() + " is no manifest of this program";
      return;
    }
    // A line cut off when a run ended goes, so that the next line starts on a line of its own.
    const auto lastEnd = content.rfind('\n');
    if (lastEnd + 1 != content.size()) {
      content.resize(lastEnd + 1);
      fs::resize_file(path, content.size(), error);
      if (error) {
        problem_ = "cannot mend " + path.string() + ": " + error.message();
        return;
      }
    }
    existedBefore_ = true;
    Read(content);
  }

  path_ = path;
  // Made (or emptied) when the first message is recorded: an export without document ids leaves
  // no manifest behind.
  appending_ = exists && !startAnew;
}

ExportManifest::~ExportManifest() = default;

void ExportManifest::Read(const std::string& content) {
  std::size_t start = content.find('\n') + 1;  // after the first line
  while (start < content.size()) {
    const auto end = content.find('\n', start);
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() != 3) continue;
    if (!fields[1].empty()) documents_[fields[0]].insert(fields[1]);
    files_[fields[0]].insert(fields[2]);
    ++entries_;
  }
}

bool ExportManifest::Holds(const std::string& folder, const std::string& universalId) const {
  const auto found = documents_.find(folder);
  return found != documents_.end() && found->second.count(universalId) != 0;
}

bool ExportManifest::KnowsFile(const std::string& folder, const std::string& fileName) const {
  const auto found = files_.find(folder);
  return found != files_.end() && found->second.count(fileName) != 0;
}

void ExportManifest::Add(const std::string& folder, const std::string& universalId,
                         const std::string& fileName) {
  ++entries_;
  Append(folder + '\t' + universalId + '\t' + fileName);
}

void ExportManifest::AddEarlier(const std::string& folder, const std::string& universalId,
                                const std::string& fileName) {
  documents_[folder].insert(universalId);
  files_[folder].insert(fileName);
  Add(folder, universalId, fileName);
}

void ExportManifest::MakeFile() {
  if (path_.empty() || out_.is_open()) return;
  out_.open(path_, appending_ ? std::ios::binary | std::ios::app : std::ios::binary | std::ios::trunc);
  if (!out_) {
    problem_ = "cannot write " + path_.string();
    path_.clear();
    return;
  }
  if (!appending_) out_ << kFirstLine << "\r\n" << std::flush;
}

void ExportManifest::Append(const std::string& line) {
  MakeFile();
  if (!out_.is_open()) return;
  // Each line reaches the file at once: a run that is killed keeps every whole line.
  out_ << line << "\r\n" << std::flush;
  if (!out_ && problem_.empty()) problem_ = "the manifest could not be written";
}

std::string UniversalIdOfMessageFile(const std::string& path) {
  std::ifstream in(FilePath(path), std::ios::binary);
  std::string line;
  std::size_t read = 0;
  constexpr std::string_view kField = "x-notes-unid:";
  while (std::getline(in, line) && read < kLongestHeader) {
    read += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;  // the end of the header
    if (line.size() <= kField.size()) continue;
    bool matches = true;
    for (std::size_t i = 0; i < kField.size() && matches; ++i) {
      matches = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i]))) == kField[i];
    }
    if (matches) return Trim(line.substr(kField.size()));
  }
  return {};
}

}  // namespace mailshift::mail
