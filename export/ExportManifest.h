// The record of which Notes documents an export has written, kept in the output root so that a
// later run into the same place adds only what is missing. One line per written message: the
// output folder, the document's universal id and the file name, separated by tabs. Lines are
// appended as messages are written, each reaching the file at once, so the record stays true to
// the files whenever a run ends; a line cut off by a crash is dropped when the file is read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace mailshift::mail {

// The manifest's file name in the output root.
inline constexpr std::string_view kManifestFileName = "Mailshift-Manifest.txt";

// True when the output root (ending in the path separator) holds a manifest.
bool HasManifest(const std::string& outputRoot);

class ExportManifest {
 public:
  // Opens the manifest of the output root (ending in the path separator): its entries are read,
  // and new ones are appended; the file is made with the first entry. startAnew empties it at
  // the first entry instead, as for a run that writes everything again. Never follows a link. When it cannot
  // be used, problem() says why; the run then goes on without one.
  ExportManifest(const std::string& outputRoot, bool startAnew);
  ~ExportManifest();
  ExportManifest(const ExportManifest&) = delete;
  ExportManifest& operator=(const ExportManifest&) = delete;

  // Whether the manifest was there before this run (and was not emptied by it).
  bool existedBefore() const { return existedBefore_; }
  const std::string& problem() const { return problem_; }

  // Whether the document was written into that output folder by an earlier run.
  bool Holds(const std::string& folder, const std::string& universalId) const;
  // Whether a file of that name in the folder is one the manifest knows.
  bool KnowsFile(const std::string& folder, const std::string& fileName) const;
  // Makes the file when it is not there yet: before the first message that will be recorded takes
  // its name, so that a run ended right after it leaves a manifest that the next run reads.
  void MakeFile();
  // Records a message this run wrote. Only the file learns of it: no run asks about a document
  // it has written itself, so memory stays the same however many messages are written.
  void Add(const std::string& folder, const std::string& universalId, const std::string& fileName);
  // Records a message an earlier run wrote without recording it; Holds and KnowsFile know it
  // from now on.
  void AddEarlier(const std::string& folder, const std::string& universalId, const std::string& fileName);

  // The entries read when the manifest was opened, and those added since.
  std::int64_t size() const { return entries_; }

 private:
  void Read(const std::string& content);
  void Append(const std::string& line);

  std::filesystem::path path_;  // empty when the manifest cannot be used
  bool appending_ = false;      // to a manifest that was there before
  std::ofstream out_;
  std::string problem_;
  bool existedBefore_ = false;
  std::unordered_map<std::string, std::unordered_set<std::string>> documents_;  // folder -> universal ids
  std::unordered_map<std::string, std::unordered_set<std::string>> files_;      // folder -> file names
  std::int64_t entries_ = 0;
};

// The universal id in a message file's "X-Notes-UNID" header field; "" when it has none or the
// file cannot be read. Only the header is read.
std::string UniversalIdOfMessageFile(const std::string& path);

}  // namespace mailshift::mail
