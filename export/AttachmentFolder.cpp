#include "export/AttachmentFolder.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "common/Global.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

}  // namespace

AttachmentFolder::~AttachmentFolder() {
  if (path_.empty()) return;
  std::error_code ignored;  // nothing left to tell at this point; the folder is private anyway
  fs::remove_all(FilePath(path_), ignored);
}

void AttachmentFolder::Create() {
  const std::string temp = GetTempFolder();
  if (temp.empty()) throw std::runtime_error("the temporary folder is not known");
  std::string made;
  if (const std::string problem = MakePrivateFolder(temp, "mailshift-", made); !problem.empty())
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
