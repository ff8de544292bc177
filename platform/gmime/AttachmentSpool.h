// The private folder in which one message keeps its attachments from the moment they are added
// until the message is gone.
#pragma once

#include <string>
#include <vector>

namespace mailshift::platform {

class AttachmentSpool {
 public:
  // parentFolder: where the spool folder is made when the first file comes; empty for the
  // system's temporary folder.
  explicit AttachmentSpool(std::string parentFolder);
  ~AttachmentSpool();
  AttachmentSpool(const AttachmentSpool&) = delete;
  AttachmentSpool& operator=(const AttachmentSpool&) = delete;

  // Takes in the content of the regular file at sourcePath now, so that the file may be deleted
  // right after: a hard link when the file system allows one, a copy made in chunks otherwise.
  // Returns the spooled file's path. Throws mail::EmailError when the file cannot be taken in.
  std::string Take(const std::string& sourcePath);

  // The spool folder, or "" while nothing has been taken in.
  const std::string& folder() const { return folder_; }

 private:
  void MakeFolder();

  std::string parentFolder_;
  std::string folder_;
  std::vector<std::string> files_;
};

}  // namespace mailshift::platform
