// A new file beside a target that takes the target's place only when the work on it succeeded:
// until then the target is untouched, and an abandoned file is removed.
#pragma once

#include <cstdio>
#include <filesystem>

namespace mailshift::standin {

class ReplacementFile {
 public:
  // Whether the new file is handed over open for writing, or closed for others to open.
  enum class Opening { Closed, KeptOpen };
  // Where the new file is made: always beside the target, or as the target itself when nothing
  // has its name yet (then nothing needs replacing, and a failure removes it all the same).
  enum class Placement { BesideTarget, AtTargetWhenFree };
  // Creates an empty file with a fresh name in the target's folder; throws std::runtime_error.
  explicit ReplacementFile(std::filesystem::path target, Opening opening = Opening::Closed,
                           Placement placement = Placement::BesideTarget);
  // Removes the file unless it replaced the target.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Opening::KeptOpen: the new file, open for writing in binary mode, until CloseFile.
  std::FILE* file() const { return file_; }
  // Closes the file kept open; false when its last writes failed.
  bool CloseFile();
  const std::filesystem::path& target() const { return target_; }
  // Whether the file reaches the disk before it takes the target's place. A store that is kept
  // wants that; a file that is read once and deleted a moment later does not need to pay for it.
  enum class Durability { SyncedToDisk, LeftToTheSystem };

  // Moves the file over the target; throws std::runtime_error.
  void ReplaceTarget(Durability durability = Durability::SyncedToDisk);

 private:
  std::filesystem::path target_;
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  bool replaced_ = false;
};

}  // namespace mailshift::standin
