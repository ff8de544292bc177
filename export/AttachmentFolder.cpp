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
  const std::string subfolder = path_ + std::to_string(nextSubfolder_++);
  if (const std::string problem = MakeOwnFolder(subfolder); !problem.empty())
    throw std::runtime_error(problem);
  filesHandedOut_ = true;
  return subfolder + kPathSeparator + fileName;
}

void AttachmentFolder::RemoveFiles() {
  if (!filesHandedOut_) return;
  filesHandedOut_ = false;
  std::error_code error;  // what cannot go now goes with the whole folder at the end
  for (const auto& entry : fs::directory_iterator(FilePath(path_), error)) {
    fs::remove_all(entry.path(), error);
  }
}

}  // namespace mailshift::mail
