#include "export/AttachmentFolder.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "common/Global.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "mailshift-";
// The composer's attachment spool: "mailshift-spool-<process>-<ending>".
constexpr std::string_view kSpoolPrefix = "mailshift-spool-";

// The process whose private folder (or attachment spool) has that name
// ("mailshift-<process>-<ending>"); none for any other name.
std::optional<unsigned long> FolderProcess(const std::string& name) {
  if (!name.starts_with(kPrefix)) return std::nullopt;
  const std::size_t start = name.starts_with(kSpoolPrefix) ? kSpoolPrefix.size() : kPrefix.size();
  const auto dash = name.find('-', start);
  if (dash == std::string::npos || dash == start || dash - start > 10) return std::nullopt;
  unsigned long process = 0;
  for (std::size_t i = start; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    process = process * 10 + static_cast<unsigned long>(name[i] - '0');
  }
  return process;
}

// Removes the private folders and attachment spools that runs which were killed left in the temporary folder:
// only folders of this user whose process is gone, never one of a run still at work.
void RemoveFoldersOfEndedRuns(const std::string& temp) {
  std::error_code error;
  for (auto entry = fs::directory_iterator(FilePath(temp), error);
       !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const std::string name = Utf8Text(entry->path().filename());
    const auto process = FolderProcess(name);
    if (!process || *process == CurrentProcessNumber() || IsProcessRunning(*process)) continue;
    if (!IsOwnFolder(Utf8Text(entry->path()))) continue;
    std::error_code ignored;  // what cannot be removed now is tried again by the next run
    fs::remove_all(entry->path(), ignored);
  }
}

}  // namespace

AttachmentFolder::~AttachmentFolder() {
  if (path_.empty()) return;
  std::error_code ignored;  // nothing left to tell at this point; the folder is private anyway
  fs::remove_all(FilePath(path_), ignored);
}

void AttachmentFolder::Create() {
  const std::string temp = GetTempFolder();
  if (temp.empty()) throw std::runtime_error("the temporary folder is not known");
  RemoveFoldersOfEndedRuns(temp);
  // The name says which process made it, so that a later run can tell one a killed run left.
  std::string made;
  const std::string prefix = std::string(kPrefix) + std::to_string(CurrentProcessNumber()) + "-";
  if (const std::string problem = MakePrivateFolder(temp, prefix, made); !problem.empty())
    throw std::runtime_error(problem);
  path_ = made + kPathSeparator;
}

std::string AttachmentFolder::NewFilePath(const std::string& fileName) {
  if (path_.empty()) Create();
  std::string subfolder;
  if (!emptySubfolders_.empty()) {
    subfolder = std::move(emptySubfolders_.front());
    emptySubfolders_.pop_front();
  } else {
    subfolder = path_ + std::to_string(nextSubfolder_++);
    if (const std::string problem = MakeOwnFolder(subfolder); !problem.empty())
      throw std::runtime_error(problem);
  }
  std::string file = subfolder + kPathSeparator + fileName;
  handedOut_.push_back({std::move(subfolder), file});
  return file;
}

void AttachmentFolder::RemoveFiles() {
  // Emptied subfolders serve the next messages: making and removing a folder per attachment
  // costs more than the attachment's own file on some file systems. Only the handed-out file is
  // removed (most often the message writer has deleted it already), not the folder read through:
  // that took more system calls than the rest of the attachment. A subfolder whose file cannot be
  // removed is not used again and goes with the whole folder at the end.
  for (HandedOut& handedOut : handedOut_) {
    std::error_code error;
    fs::remove(FilePath(handedOut.file), error);
    if (!error) emptySubfolders_.push_back(std::move(handedOut.subfolder));
  }
  handedOut_.clear();
}

}  // namespace mailshift::mail
