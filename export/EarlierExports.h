// What earlier runs left in the output root, as the export run meets it folder by folder: which
// documents are there whole already (checked against the files themselves, not only the
// manifest), which messages an earlier run could write only in part and this one replaces, and
// the unfinished files of runs that were killed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "export/ExportLog.h"
#include "export/ExportManifest.h"
#include "export/MessageDestination.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

class EarlierExports {
 public:
  // The manifest of the output root held open; startAnew: every message is written again.
  // destination: where the messages go when not into the .eml tree (null for that tree); it is
  // asked whether it still holds what the manifest records, in place of the files.
  EarlierExports(const OpenedFolder& root, bool startAnew, ExportLog& log,
                 MessageDestination* destination = nullptr);

  // Another export is writing into the same output root.
  bool busy() const { return manifest_.busy(); }
  // The manifest could not be written; problem() says why.
  bool failed() const { return manifest_.failed(); }
  const std::string& problem() const { return manifest_.problem(); }

  // Opens the output folder of that name and looks at what earlier runs left in it: the messages
  // a run wrote but could not record before it ended (found by the document id in their header)
  // are written again in their place, as nothing tells whether they are whole; the passing files
  // of messages whose run was killed are removed.
  void EnterFolder(const std::string& folder);
  // Whether an earlier run wrote the document whole into the current folder and its file is
  // there as it was written. A recorded file that is missing or changed is logged, and the
  // document is written again.
  bool WrittenBefore(const std::string& universalId);
  // Records the message this run wrote for the document at path; whole: with every part it
  // should carry; bytes: the file's size as written (-1: not known, and asked of the file). The
  // file of an earlier message of the document that was written only in part is replaced by it
  // in one step, so one of them is always there.
  void Written(const std::string& universalId, const std::string& path, bool whole, std::int64_t bytes = -1);
  // Ends the use of the manifest.
  void Finish() { manifest_.Finish(); }

 private:
  void ReportProblem();

  const OpenedFolder& root_;
  ExportLog& log_;
  MessageDestination* destination_;
  ExportManifest manifest_;
  bool problemReported_ = false;
  std::string folderName_;
  OpenedFolder folder_;
  // How many documents of each id the folder's walk has met, and which one the current is.
  std::unordered_map<std::string, std::size_t> occurrences_;
  std::size_t occurrence_ = 0;
  // The files of the folder that a run wrote but did not record: written again by this one.
  std::unordered_set<std::string> unrecorded_;
};

}  // namespace mailshift::mail
