#include "export/EarlierExports.h"

#include <cstring>
#include <filesystem>

#include "common/Global.h"
#include "export/MessageWriter.h"

namespace mailshift::mail {
namespace {

constexpr std::string_view kTab = "\t";

std::string FileNameOf(const std::string& path) { return Utf8Text(FilePath(path).filename()); }

}  // namespace

EarlierExports::EarlierExports(const OpenedFolder& root, bool startAnew, ExportLog& log)
    : root_(root), log_(log), manifest_(root, startAnew) {
  if (!manifest_.busy() && !manifest_.failed()) ReportProblem();
  if (const std::int64_t ignored = manifest_.ignoredLines(); ignored > 0) {
    log_.WriteLine(std::string(kTab) + "Ignored : " + std::to_string(ignored) + (ignored == 1 ? " line" : " lines") +
                   " of the manifest " + root.path() + std::string(kManifestFileName) +
                   " naming no file an export could have made there");
  }
}

void EarlierExports::ReportProblem() {
  if (problemReported_ || manifest_.problem().empty()) return;
  problemReported_ = true;
  log_.WriteLine(std::string(kTab) + "Not recorded : " + manifest_.problem() +
                 "; a later export cannot tell which messages it has");
}

void EarlierExports::EnterFolder(const std::string& folder) {
  folderName_ = folder;
  occurrences_.clear();
  unrecorded_.clear();
  if (const int error = folder_.Open(root_.path() + folder + kPathSeparator); error != 0) {
    // Out of file handles, say: what is written into the folder now could neither be checked nor
    // recorded, and the next run would write it again beside this run's copy.
    if (manifest_.InUse())
      manifest_.Fail("the messages of " + folder + ": the folder cannot be opened: " + std::strerror(error));
    return;
  }
  const bool recording = manifest_.existedBefore();  // without an earlier manifest, nothing is skipped
  int error = 0;
  for (const std::string& name : folder_.Names(error)) {
    if (const auto process = PassingFileProcess(name)) {
      if (*process == CurrentProcessNumber() || IsProcessRunning(*process)) continue;
      const int removal = folder_.Remove(name);
      log_.WriteLine(std::string(kTab) + (removal != 0 ? "Not removed : " : "Removed : ") + name +
                     ", the unfinished message of an export that was ended" +
                     (removal != 0 ? ": " + std::string(std::strerror(removal)) : std::string()));
      continue;
    }
    if (!recording || !name.ends_with(".eml") || manifest_.KnowsFile(folder, name)) continue;
    const std::string universalId = UniversalIdOfMessageFile(folder_, name);
    if (universalId.empty()) continue;
    const std::optional<ManifestRecord> record = manifest_.Find(folder, universalId);
    if (record && !record->whole) {
      // A run ended between naming the message that was to replace a partial one and the
      // replacing: it takes the partial one's place, and is written again as that one would be.
      folder_.RenameReplacing(name, record->file);
    } else {
      // A run ended after writing the message and before recording it, and nothing tells
      // whether the file is whole: it is recorded as written in part, so this run writes it
      // again and puts the new file in its place. The same holds for the id's next message, a
      // second document of one id.
      manifest_.AddEarlier(folder, universalId, ManifestRecord{name, folder_.PlainFileSize(name), false});
      unrecorded_.insert(name);
    }
  }
  ReportProblem();
}

bool EarlierExports::WrittenBefore(const std::string& universalId) {
  if (universalId.empty()) return false;
  occurrence_ = occurrences_[universalId]++;
  if (!manifest_.existedBefore()) return false;
  const std::optional<ManifestRecord> record = manifest_.Find(folderName_, universalId, occurrence_);
  if (!record) return false;
  std::string why;
  if (!record->whole) {
    why = unrecorded_.contains(record->file) ? "an earlier export ended before it could record it"
                                             : "an earlier export could write it only in part";
  } else {
    const std::int64_t size = folder_.IsOpen() ? folder_.PlainFileSize(record->file) : OpenedFolder::kNoFile;
    if (size >= 0 && (record->bytes < 0 || size == record->bytes)) return true;
    why = size == OpenedFolder::kNoFile ? "the file written by an earlier export is missing"
          : size == OpenedFolder::kNotAPlainFile
              ? "the file written by an earlier export is no plain file now"
              : "the file written by an earlier export has changed since";
  }
  log_.WriteLine(std::string(kTab) + "Written again : " + folderName_ + kPathSeparator + record->file +
                 " : " + why);
  return false;
}

void EarlierExports::Written(const std::string& universalId, const std::string& path, bool whole,
                             std::int64_t bytes) {
  if (universalId.empty() || !folder_.IsOpen()) return;
  ManifestRecord record{FileNameOf(path), -1, whole};
  const std::optional<ManifestRecord> earlier =
      manifest_.existedBefore() ? manifest_.Find(folderName_, universalId, occurrence_) : std::nullopt;
  if (earlier && !earlier->whole && earlier->file != record.file &&
      folder_.PlainFileSize(earlier->file) != OpenedFolder::kNotAPlainFile) {
    if (const int error = folder_.RenameReplacing(record.file, earlier->file); error == 0) {
      record.file = earlier->file;
    } else {
      log_.WriteLine(std::string(kTab) + "Not replaced : " + folderName_ + kPathSeparator + earlier->file +
                     ", written earlier in part: " + std::strerror(error));
    }
  }
  record.bytes = bytes >= 0 ? bytes : folder_.PlainFileSize(record.file);
  manifest_.Add(folderName_, universalId, record);
  ReportProblem();
}

}  // namespace mailshift::mail
