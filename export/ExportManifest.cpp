#include "export/ExportManifest.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/TextRules.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "Corvane Mailshift export manifest 1";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kPartMark = "part";
// A header that reaches beyond this is no header of ours.
constexpr std::size_t kLongestHeader = 256 * 1024;

std::string FirstLine() { return std::string(kFirstLine) + std::string(kLineEnd); }

// A file cut off while its first line was written, or one a full disk left empty.
bool IsUnfinishedFirstLine(const std::string& content) {
  return content.size() < FirstLine().size() && FirstLine().starts_with(content);
}

std::int64_t NumberOrUnknown(const std::string& text) {
  if (text.empty() || text.size() > 18) return -1;
  std::int64_t number = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return -1;
    number = number * 10 + (digit - '0');
  }
  return number;
}

}  // namespace

bool HasManifest(const std::string& outputRoot) {
  std::error_code error;
  return fs::is_regular_file(
      fs::symlink_status(FilePath(outputRoot + std::string(kManifestFileName)), error));
}

ExportManifest::ExportManifest(const OpenedFolder& root, bool startAnew)
    : root_(root), path_(root.path() + std::string(kManifestFileName)) {
  std::string why;
  switch (file_.Open(root, std::string(kManifestFileName), why)) {
    case LockedFile::Outcome::Busy:
      busy_ = true;
      problem_ = "another export is writing into " + root.path() + " at this moment";
      return;
    case LockedFile::Outcome::Refused:
    case LockedFile::Outcome::Failed:
      problem_ = path_ + " cannot be used: " + why;
      return;
    case LockedFile::Outcome::Created:
      created_ = true;
      break;
    case LockedFile::Outcome::Opened:
      break;
  }

  std::string content;
  if (const std::string error = file_.Read(content); !error.empty()) {
    problem_ = "cannot read " + path_ + ": " + error;
    file_.Close();
    return;
  }
  const bool ours = content.starts_with(std::string(kFirstLine) + "\r\n") ||
                    content.starts_with(std::string(kFirstLine) + "\n");
  if (!ours && !IsUnfinishedFirstLine(content)) {
    problem_ = path_ + " is no manifest of this program";
    file_.Close();  // and left as it is
    return;
  }
  existedBefore_ = !created_ && !startAnew;
  // A line cut off when a run ended goes, so that the next line starts on a line of its own.
  const auto lastEnd = content.rfind('\n');
  const std::size_t keep = !ours || startAnew ? 0 : lastEnd + 1;
  if (keep != content.size()) {
    content.resize(keep);
    if (const std::string error = file_.Resize(keep); !error.empty()) {
      failed_ = true;
      problem_ = "cannot mend " + path_ + ": " + error;
      file_.Close();
      return;
    }
  }
  if (content.empty()) {
    Append(std::string(kFirstLine));
    return;
  }
  Read(content);
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
    // Three fields: a line of a run before sizes were recorded.
    if (fields.size() < 3 || fields.size() > 5) continue;
    ManifestRecord record{fields[2], fields.size() > 3 ? NumberOrUnknown(fields[3]) : -1,
                          fields.size() < 5 || fields[4] != kPartMark};
    if (!fields[1].empty()) Remember(fields[0], fields[1], record);
    files_[fields[0]].insert(fields[2]);
    ++entries_;
  }
}

void ExportManifest::Remember(const std::string& folder, const std::string& universalId,
                              const ManifestRecord& record) {
  std::vector<ManifestRecord>& records = documents_[folder][universalId];
  for (ManifestRecord& known : records) {
    if (known.file == record.file) {
      known = record;
      return;
    }
  }
  records.push_back(record);
}

const ManifestRecord* ExportManifest::Find(const std::string& folder, const std::string& universalId,
                                           std::size_t occurrence) const {
  const auto found = documents_.find(folder);
  if (found == documents_.end()) return nullptr;
  const auto records = found->second.find(universalId);
  if (records == found->second.end() || occurrence >= records->second.size()) return nullptr;
  return &records->second[occurrence];
}

bool ExportManifest::KnowsFile(const std::string& folder, const std::string& fileName) const {
  const auto found = files_.find(folder);
  return found != files_.end() && found->second.count(fileName) != 0;
}

void ExportManifest::Add(const std::string& folder, const std::string& universalId,
                         const ManifestRecord& record) {
  ++entries_;
  ++added_;
  std::string line = folder + '\t' + universalId + '\t' + record.file + '\t' + std::to_string(record.bytes);
  if (!record.whole) line += '\t' + std::string(kPartMark);
  Append(line);
}

void ExportManifest::AddEarlier(const std::string& folder, const std::string& universalId,
                                const ManifestRecord& record) {
  Remember(folder, universalId, record);
  files_[folder].insert(record.file);
  Add(folder, universalId, record);
}

void ExportManifest::Finish() {
  if (!file_.IsOpen()) return;
  // Removed while it is still locked, so no other run has taken it up meanwhile.
  if (created_ && added_ == 0) root_.Remove(std::string(kManifestFileName));
  file_.Close();
}

void ExportManifest::Append(const std::string& line) {
  if (!file_.IsOpen()) return;
  // Each line reaches the file at once: a run that is killed keeps every whole line.
  if (const std::string error = file_.Append(line + std::string(kLineEnd)); !error.empty()) {
    failed_ = true;
    problem_ = "the manifest " + path_ + " could not be written: " + error;
    file_.Close();
  }
}

std::string UniversalIdOfMessageFile(const OpenedFolder& folder, const std::string& name) {
  int error = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(folder.OpenPlainFileForReading(name, error),
                                                           std::fclose);
  if (!in) return {};
  constexpr std::string_view kField = "x-notes-unid:";
  std::string line;
  std::size_t read = 0;
  for (int c = 0; read < kLongestHeader && (c = std::fgetc(in.get())) != EOF; ++read) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;  // the end of the header
    bool matches = line.size() > kField.size();
    for (std::size_t i = 0; i < kField.size() && matches; ++i) {
      matches = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i]))) == kField[i];
    }
    if (matches) return Trim(line.substr(kField.size()));
    line.clear();
  }
  return {};
}

}  // namespace mailshift::mail
