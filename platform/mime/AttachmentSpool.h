// Where messages keep their attachments from the moment they are added until the message is
// gone: one private folder per component, made when the first file comes, with one spool of
// files per message in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mailshift::platform {

// The private folder (readable by its owner only). It is removed when the last spool that uses it
// is gone.
class SpoolFolder {
 public:
  // parentFolder (UTF-8): where the folder is made; empty for the system's temporary folder.
  explicit SpoolFolder(std::string parentFolder);
  ~SpoolFolder();
  SpoolFolder(const SpoolFolder&) = delete;
  SpoolFolder& operator=(const SpoolFolder&) = delete;

  // A new path in the folder, made on first use. Throws mail::EmailError when the folder cannot be
  // made.
  std::filesystem::path NewPath();
  // The folder, or an empty path before the first file.
  std::filesystem::path path() const;

 private:
  std::string parentFolder_;
  mutable std::mutex mutex_;
  std::filesystem::path path_;
  std::uint64_t nextFile_ = 1;
};

// The files of one message.
class AttachmentSpool {
 public:
  explicit AttachmentSpool(std::shared_ptr<SpoolFolder> folder);
  ~AttachmentSpool();
  AttachmentSpool(const AttachmentSpool&) = delete;
  AttachmentSpool& operator=(const AttachmentSpool&) = delete;

  // Where a file's content waits: a file held open, or a spooled file at a path.
  struct Taken {
    std::filesystem::path path;  // empty when held open
    int openFile = -1;           // open for reading, owned by the spool; -1 when spooled
  };

  // Takes in the content of the readable regular file at sourcePath (UTF-8) now, so that the file
  // may be deleted right after: where files stay readable once deleted, the file is held open;
  // otherwise a hard link when the file system allows one, a copy when not. Holding the file or a
  // link shares it, so the caller may delete or replace the file but must not rewrite it in place
  // while the spool lives. Throws mail::EmailError when the file cannot be taken in.
  Taken Take(const std::string& sourcePath);

  // Files held open by one message at most; more are spooled, so that a message with many
  // attachments cannot run the process out of file handles. Fewer when the process may open few
  // files: none past half of its limit.
  static constexpr std::size_t kMostHeldOpen = 64;

 private:
  // The file held open, or nothing when it has to be spooled instead.
  std::optional<Taken> HoldOpen(const std::string& sourcePath);

  std::shared_ptr<SpoolFolder> folder_;
  std::vector<std::filesystem::path> files_;
  std::vector<int> held_;
};

}  // namespace mailshift::platform
