// Where messages keep their attachments from the moment they are added until the message is
// gone: one private folder per component, made when the first file comes, with one spool of
// files per message in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
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

  // Takes in the content of the readable regular file at sourcePath (UTF-8) now, so that the file
  // may be deleted right after: a hard link when the file system allows one, a copy otherwise.
  // A hard link shares the file, so the caller may delete or replace the file but must not
  // rewrite it in place while the spool lives.
  // Returns the spooled file's path. Throws mail::EmailError when the file cannot be taken in.
  std::filesystem::path Take(const std::string& sourcePath);

 private:
  std::shared_ptr<SpoolFolder> folder_;
  std::vector<std::filesystem::path> files_;
};

}  // namespace mailshift::platform
