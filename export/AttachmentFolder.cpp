#include "export/AttachmentFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "common/Global.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

std::runtime_error FolderError(const std::string& what, const std::string& path, int error) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(error));
}

}  // namespace

AttachmentFolder::~AttachmentFolder() {
  if (path_.empty()) return;
  std::error_code ignored;  // nothing left to tell at this point; the folder is private anyway
  fs::remove_all(path_, ignored);
}

void AttachmentFolder::Create() {
  const std::string temp = GetTempFolder();
  if (temp.empty()) throw std::runtime_error("the temporary folder is not known");
  std::string pattern = temp + "mailshift-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw FolderError("cannot create the folder", pattern, errno);
  path_ = std::string(buffer.data()) + kPathSeparator;  // mkdtemp gives owner-only access
}

std::string AttachmentFolder::NewFilePath(const std::string& fileName) {
  if (path_.empty()) Create();
  const std::string subfolder = path_ + std::to_string(nextSubfolder_++);
  if (mkdir(subfolder.c_str(), S_IRWXU) != 0) throw FolderError("cannot create the folder", subfolder, errno);
  filesHandedOut_ = true;
  return subfolder + kPathSeparator + fileName;
}

void AttachmentFolder::RemoveFiles() {
  if (!filesHandedOut_) return;
  filesHandedOut_ = false;
  std::error_code error;  // what cannot go now goes with the whole folder at the end
  for (const auto& entry : fs::directory_iterator(path_, error)) {
    fs::remove_all(entry.path(), error);
  }
}

}  // namespace mailshift::mail
