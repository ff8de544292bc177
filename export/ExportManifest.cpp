#include "export/ExportManifest.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/TextRules.h"
#include "export/PathSafety.h"

namespace mailshift::mail {
namespace {

// What an IMAP destination records for a message: "UIDVALIDITY/UID", two numbers. It names no
// file: the file operations refuse it as a name, and only the server is asked about it.
bool IsServerRecord(std::string_view field) {
  const std::size_t slash = field.find('/');
  const auto digits = [](std::string_view part) {
    return !part.empty() && part.size() <= 10 &&
           std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return slash != std::string_view::npos && digits(field.substr(0, slash)) && digits(field.substr(slash + 1));
}

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "Corvane Mailshift export manifest 1";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kPartMark = "part";
// A header that reaches beyond this is no header of ours.
constexpr std::size_t kLongestHeader = 256 * 1024;

std::string FirstLine() { return std::string(kFirstLine) + std::string(kLineEnd); }

// A file cut off while its first line was written, or one a full disk left empty.
bool IsUnfinishedFirstLine(std::string_view content) {
  return content.size() < FirstLine().size() && FirstLine().starts_with(content);
}

std::int64_t NumberOrUnknown(std::string_view text) {
  if (text.empty() || text.size() > 18) return -1;
  std::int64_t number = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return -1;
    number = number * 10 + (digit - '0');
  }
  return number;
}

// Takes the manifest's lines as the pieces of the file come, holding no more of it than the line
// that is not yet ended, and gives each line after the first to the index.
class LineReader {
 public:
  LineReader(ExportManifestIndex* index, std::int64_t& entries, std::int64_t& ignored)
      : index_(index), entries_(entries), ignored_(ignored) {}

  // False once it is clear that the file is no manifest of ours, or when only its first line is
  // wanted and read.
  bool Take(std::string_view piece) {
    while (!piece.empty()) {
      const std::size_t end = piece.find('\n');
      if (end == std::string_view::npos) {
        size_ += piece.size();
        Hold(piece);
        if (!firstLineRead_ && (overlong_ || unended_.size() >= FirstLine().size())) foreign_ = true;
        return !foreign_;
      }
      size_ += end + 1;
      afterLastLine_ = size_;
      bool goOn = true;
      if (unended_.empty() && !overlong_) {
        goOn = Line(piece.substr(0, end));
      } else {
        Hold(piece.substr(0, end));
        if (!overlong_) {
          goOn = Line(unended_);
        } else if (!firstLineRead_) {
          foreign_ = true;
          goOn = false;
        }
        unended_.clear();
        overlong_ = false;
      }
      if (!goOn) return false;
      piece.remove_prefix(end + 1);
    }
    return true;
  }

  bool ours() const { return ours_; }
  // The file holds no more than the beginning of a first line (or nothing).
  bool unfinishedFirstLine() const { return !firstLineRead_ && !foreign_ && IsUnfinishedFirstLine(unended_); }
  std::uint64_t size() const { return size_; }
  // Where the last line ended: the file without a line cut off at its end.
  std::uint64_t afterLastLine() const { return afterLastLine_; }

 private:
  // No line of ours comes near this length.
  static constexpr std::size_t kLongestLine = 64 * 1024;

  void Hold(std::string_view part) {
    if (overlong_) return;
    if (unended_.size() + part.size() > kLongestLine) {
      overlong_ = true;
      unended_.clear();
      return;
    }
    unended_.append(part);
  }

  bool Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!firstLineRead_) {
      firstLineRead_ = true;
      ours_ = line == kFirstLine;
      return ours_ && index_ != nullptr;
    }
    std::array<std::string_view, 6> fields;
    std::size_t count = 0;
    for (std::size_t start = 0; count < fields.size();) {
      const std::size_t tab = line.find('\t', start);
      fields[count++] =
          line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    // Three fields: a line of a run before sizes were recorded.
    if (count < 3 || count > 5) return true;
    // The manifest lies in the user's folder where anything can edit it: a record that names
    // anything but a plain name in the output root (a path, "..", a device) could send a message
    // outside the destination or make a file elsewhere count as written.
    if (!IsPlainOutputName(fields[0]) || !(IsPlainOutputName(fields[2]) || IsServerRecord(fields[2]))) {
      ++ignored_;
      return true;
    }
    index_->Take(fields[0], fields[1], fields[2], count > 3 ? NumberOrUnknown(fields[3]) : -1,
                 count < 5 || fields[4] != kPartMark);
    ++entries_;
    return true;
  }

  ExportManifestIndex* index_;  // null: only the first line is wanted
  std::int64_t& entries_;
  std::int64_t& ignored_;
  std::string unended_;
  bool overlong_ = false;
  bool firstLineRead_ = false;
  bool foreign_ = false;  // its beginning is no first line of ours
  bool ours_ = false;
  std::uint64_t size_ = 0;
  std::uint64_t afterLastLine_ = 0;
};

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

  LineReader reader(startAnew ? nullptr : &index_, entries_, ignored_);
  if (const std::string error =
          file_.ReadPieces([&reader](std::string_view piece) { return reader.Take(piece); });
      !error.empty()) {
    problem_ = "cannot read " + path_ + ": " + error;
    file_.Close();
    return;
  }
  index_.Seal();
  if (!reader.ours() && !reader.unfinishedFirstLine()) {
    problem_ = path_ + " is no manifest of this program";
    file_.Close();  // and left as it is
    return;
  }
  existedBefore_ = !created_ && !startAnew;
  // A line cut off when a run ended goes, so that the next line starts on a line of its own.
  const std::uint64_t keep = !reader.ours() || startAnew ? 0 : reader.afterLastLine();
  if (keep != reader.size() || startAnew) {
    if (const std::string error = file_.Resize(keep); !error.empty()) {
      failed_ = true;
      problem_ = "cannot mend " + path_ + ": " + error;
      file_.Close();
      return;
    }
  }
  if (keep == 0) Append(std::string(kFirstLine));
}

ExportManifest::~ExportManifest() = default;

std::optional<ManifestRecord> ExportManifest::Find(const std::string& folder, const std::string& universalId,
                                                   std::size_t occurrence) const {
  return index_.Find(folder, universalId, occurrence);
}

bool ExportManifest::KnowsFile(const std::string& folder, const std::string& fileName) const {
  return index_.KnowsFile(folder, fileName);
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
  index_.AddLater(folder, universalId, record);
  Add(folder, universalId, record);
}

void ExportManifest::Finish() {
  if (!file_.IsOpen()) return;
  // Removed while it is still locked, so no other run has taken it up meanwhile.
  if (created_ && added_ == 0) root_.Remove(std::string(kManifestFileName));
  file_.Close();
}

void ExportManifest::Fail(const std::string& problem) {
  failed_ = true;
  problem_ = "the manifest " + path_ + " cannot record " + problem;
  Finish();
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
