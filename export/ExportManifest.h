// The record of which Notes documents an export has written, kept in the output root so that a
// later run into the same place adds only what is missing. One line per written message: the
// output folder, the document's universal id, the file name, the file's size and whether the
// message is whole, separated by tabs. Lines are appended as messages are written, each reaching
// the file at once, so the record stays true to the files whenever a run ends; a line cut off by
// a crash is dropped when the file is read, and a later line for the same message overrides an
// earlier one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "export/ExportManifestIndex.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

// The manifest's file name in the output root.
inline constexpr std::string_view kManifestFileName = "Mailshift-Manifest.txt";

// True when the output root (ending in the path separator) holds a manifest.
bool HasManifest(const std::string& outputRoot);

class ExportManifest {
 public:
  // Opens the manifest of the output root held open, or makes it: its entries are read, and new
  // ones are appended. It stays locked while the object lives, so busy() tells a second run that
  // another export is writing into the same place. startAnew empties it, as for a run that writes
  // everything again. Never follows a link and never writes to a file that is not a manifest of
  // this program; when it cannot be used, problem() says why and the run goes on without one.
  ExportManifest(const OpenedFolder& root, bool startAnew);
  ~ExportManifest();
  ExportManifest(const ExportManifest&) = delete;
  ExportManifest& operator=(const ExportManifest&) = delete;

  // Whether the manifest was there before this run (and was not emptied by it).
  bool existedBefore() const { return existedBefore_; }
  // Another export holds the manifest: this run must not write into the output root.
  bool busy() const { return busy_; }
  // The manifest could not be written: the messages written from now on would not be known to
  // the next run.
  bool failed() const { return failed_; }
  const std::string& problem() const { return problem_; }

  // What an earlier run recorded for the document in that output folder; none when nothing.
  // occurrence: the how-manieth document of that id in the folder's walk (from 0), as a damaged
  // database may file two documents of one id in a folder, each a message of its own.
  std::optional<ManifestRecord> Find(const std::string& folder, const std::string& universalId,
                                     std::size_t occurrence = 0) const;
  // Whether a file of that name in the folder is one the manifest knows.
  bool KnowsFile(const std::string& folder, const std::string& fileName) const;
  // Records a message this run wrote. Only the file learns of it: no run asks about a document
  // it has written itself, so memory stays the same however many messages are written.
  void Add(const std::string& folder, const std::string& universalId, const ManifestRecord& record);
  // Records a message an earlier run wrote without recording it; Find and KnowsFile know it from
  // now on.
  void AddEarlier(const std::string& folder, const std::string& universalId, const ManifestRecord& record);
  // Whether the manifest is open for this run's records.
  bool InUse() const { return file_.IsOpen(); }
  // Ends the manifest's use for a reason outside it (a folder whose files cannot be looked at):
  // the messages written from now on could not be recorded, so failed() tells the run to end.
  void Fail(const std::string& problem);
  // Removes the manifest again when this run made it and recorded nothing in it, so an export of
  // documents without ids leaves none behind.
  void Finish();

  // The entries read when the manifest was opened, and those added since.
  std::int64_t size() const { return entries_; }
  // The lines that were read but not used: their folder or file is no plain name the export
  // could have made.
  std::int64_t ignoredLines() const { return ignored_; }

 private:
  void Append(const std::string& line);

  const OpenedFolder& root_;
  LockedFile file_;
  std::string path_;
  bool created_ = false;
  std::int64_t added_ = 0;
  std::string problem_;
  bool existedBefore_ = false;
  bool busy_ = false;
  bool failed_ = false;
  ExportManifestIndex index_;
  std::int64_t entries_ = 0;
  std::int64_t ignored_ = 0;
};

// The universal id in the "X-Notes-UNID" header field of the message file of that name in the
// folder; "" when it has none or is no plain file that can be read. Only the header is read, and
// no more of it than a header of ours can hold.
std::string UniversalIdOfMessageFile(const OpenedFolder& folder, const std::string& name);

}  // namespace mailshift::mail
