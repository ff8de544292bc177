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

EarlierExports::EarlierExports(const OpenedFolder& root, bool startAnew, ExportLog& log,
                               MessageDestination* destination)
    : root_(root), log_(log), destination_(destination), manifest_(root, startAnew) {
  if (!manifest_.busy() && !manifest_.failed()) ReportProblem();
  if (const std::int64_t ignored = manifest_.ignoredLines(); ignored > 0) {
    log_.WriteLine(std::string(kTab) + "Ignored : " + std::to_string(ignored) +
                   (ignored == 1 ? " line" : " lines") + " of the manifest " + root.path() +
                   std::string(kManifestFileName) + " naming no file an export could have made there");
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
  unrecorded_.clear();
  filesById_.clear();
  everyHeaderRead_ = false;
  taken_.clear();
  replacing_.clear();
  occurrences_.clear();
  // A destination finds what an earlier run delivered without recording it by itself.
  if (destination_ != nullptr) return;
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
    if (record && !record->whole && record->file != name &&
        (folder_.PlainFileSize(record->file) == OpenedFolder::kNoFile ||
         Carries(record->file, universalId))) {
      // A run ended between naming the message that was to replace a partial one and the
      // replacing: it takes the partial one's place, and is written again as that one would be.
      if (folder_.RenameReplacing(name, record->file) == 0) continue;
    }
    // A run ended after writing the message and before recording it, and nothing tells whether
    // the file is whole: this run writes the document again and puts the new file in its place.
    unrecorded_.insert(name);
    filesById_.emplace(universalId, name);
  }
  ReportProblem();
}

bool EarlierExports::Carries(const std::string& name, const std::string& universalId) const {
  return UniversalIdOfMessageFile(folder_, name) == universalId;
}

std::string EarlierExports::UntakenFileOf(const std::string& universalId) {
  const auto untaken = [&]() -> std::string {
    const auto [begin, end] = filesById_.equal_range(universalId);
    for (auto found = begin; found != end; ++found) {
      if (!taken_.contains(found->second)) return found->second;
    }
    return {};
  };
  if (std::string name = untaken(); !name.empty() || everyHeaderRead_) return name;
  everyHeaderRead_ = true;
  int error = 0;
  for (const std::string& name : folder_.Names(error)) {
    if (!name.ends_with(".eml") || unrecorded_.contains(name)) continue;
    if (std::string id = UniversalIdOfMessageFile(folder_, name); !id.empty())
      filesById_.emplace(std::move(id), name);
  }
  return untaken();
}

bool EarlierExports::WrittenBeforeAtDestination(const std::string& universalId) {
  if (universalId.empty()) return false;
  const std::size_t occurrence = occurrences_[universalId]++;
  if (!manifest_.existedBefore()) return false;
  const std::optional<ManifestRecord> record = manifest_.Find(folderName_, universalId, occurrence);
  if (!record) return false;
  std::string why;
  if (!record->whole) {
    why = "an earlier export could deliver it only in part";
  } else {
    why = destination_->Holds(record->file, record->bytes);
    if (why.empty()) return true;
  }
  log_.WriteLine(std::string(kTab) + "Written again : " + folderName_ + kPathSeparator + record->file +
                 " : " + why);
  return false;
}

bool EarlierExports::WrittenBefore(const std::string& universalId) {
  if (destination_ != nullptr) return WrittenBeforeAtDestination(universalId);
  replacing_.clear();
  if (universalId.empty() || !manifest_.existedBefore() || !folder_.IsOpen()) return false;
  // A damaged database may file two documents of one id in a folder: each is matched with a
  // record of its own, the first that no document before it took.
  std::optional<ManifestRecord> firstAmiss;
  bool firstCarries = false;
  for (std::size_t occurrence = 0;; ++occurrence) {
    const std::optional<ManifestRecord> record = manifest_.Find(folderName_, universalId, occurrence);
    if (!record) break;
    if (taken_.contains(record->file)) continue;
    const std::int64_t size = folder_.PlainFileSize(record->file);
    const bool carries = size >= 0 && Carries(record->file, universalId);
    if (record->whole && carries && (record->bytes < 0 || size == record->bytes)) {
      taken_.insert(record->file);
      return true;
    }
    if (!firstAmiss || (carries && !firstCarries)) {
      firstAmiss = record;
      firstCarries = carries;
    }
  }
  if (firstAmiss) {
    const ManifestRecord& record = *firstAmiss;
    std::string why;
    if (firstCarries) {
      replacing_ = record.file;
      why = !record.whole
                ? (unrecorded_.contains(record.file) ? "an earlier export ended before it could record it"
                                                     : "an earlier export could write it only in part")
                : "the file written by an earlier export has changed since";
    } else {
      const std::int64_t size = folder_.PlainFileSize(record.file);
      why = size == OpenedFolder::kNoFile ? "the file written by an earlier export is missing"
            : size == OpenedFolder::kNotAPlainFile
                ? "the file written by an earlier export is no plain file now"
                : "the file written by an earlier export holds another message now";
    }
    log_.WriteLine(std::string(kTab) + "Written again : " + folderName_ + kPathSeparator + record.file +
                   " : " + why);
  }
  if (replacing_.empty()) {
    // Not where the manifest says, or not in it at all: a file of the folder that carries the id
    // (renamed, unrecorded, its manifest line lost or damaged) is replaced by the new message.
    replacing_ = UntakenFileOf(universalId);
    if (!replacing_.empty()) {
      log_.WriteLine(std::string(kTab) + "Written again : " + folderName_ + kPathSeparator + replacing_ +
                     " : " +
                     (unrecorded_.contains(replacing_) ? "an earlier export ended before it could record it"
                                                       : "the manifest does not record it as this message"));
    }
  }
  if (!replacing_.empty()) taken_.insert(replacing_);
  return false;
}

void EarlierExports::Written(const std::string& universalId, const std::string& path, bool whole,
                             std::int64_t bytes) {
  if (destination_ != nullptr && !universalId.empty()) {
    manifest_.Add(folderName_, universalId, ManifestRecord{path, bytes, whole});
    ReportProblem();
    return;
  }
  if (universalId.empty() || !folder_.IsOpen()) return;
  ManifestRecord record{FileNameOf(path), -1, whole};
  taken_.insert(record.file);
  if (!replacing_.empty() && replacing_ != record.file &&
      folder_.PlainFileSize(replacing_) != OpenedFolder::kNotAPlainFile) {
    if (const int error = folder_.RenameReplacing(record.file, replacing_); error == 0) {
      record.file = replacing_;
    } else {
      log_.WriteLine(std::string(kTab) + "Not replaced : " + folderName_ + kPathSeparator + replacing_ +
                     ", written earlier: " + std::strerror(error));
    }
  }
  replacing_.clear();
  record.bytes = bytes >= 0 ? bytes : folder_.PlainFileSize(record.file);
  manifest_.Add(folderName_, universalId, record);
  ReportProblem();
}

}  // namespace mailshift::mail
