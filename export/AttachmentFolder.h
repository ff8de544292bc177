// The run's private folder for extracted attachments. It is made on first use under the system's
// temporary folder with an unpredictable name and owner-only access, every attachment of a message
// gets a subfolder of its own (so that two attachments of one name both keep it), and the folder
// is removed with everything in it when the object goes. A run that is killed cannot remove it:
// the name holds the run's process number, and the next run removes the folders of processes
// that are gone.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace mailshift::mail {

class AttachmentFolder {
 public:
  AttachmentFolder() = default;
  ~AttachmentFolder();
  AttachmentFolder(const AttachmentFolder&) = delete;
  AttachmentFolder& operator=(const AttachmentFolder&) = delete;

  // The full path for a file of that name in a new, empty subfolder. fileName must be a plain
  // file name. Throws std::runtime_error when a folder cannot be made.
  std::string NewFilePath(const std::string& fileName);

  // Removes every file handed out so far; the emptied subfolders are handed out again.
  void RemoveFiles();

  // The private folder, ending in the path separator; "" before first use.
  const std::string& path() const { return path_; }

 private:
  void Create();

  std::string path_;
  std::uint64_t nextSubfolder_ = 1;
  struct HandedOut {
    std::string subfolder;
    std::string file;
  };
  std::vector<HandedOut> handedOut_;         // since the last RemoveFiles
  std::deque<std::string> emptySubfolders_;  // ready to be handed out again
};

}  // namespace mailshift::mail
