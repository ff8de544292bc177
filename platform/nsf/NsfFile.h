// A Notes database file opened for reading only: bounded reads at given offsets, never the whole
// file at once, never a write or a lock. On Windows the file is shared with every other reader
// and writer, so that an open Notes client is not disturbed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mailshift::nsf {

// The most one read may ask for: a claim in the file beyond it is refused, not allocated.
inline constexpr std::size_t kLargestRead = 64u * 1024u * 1024u;

class NsfFile {
 public:
  // Opens the file (a UTF-8 path); throws NsfError naming the file when it cannot.
  explicit NsfFile(const std::string& path);
  ~NsfFile();
  NsfFile(const NsfFile&) = delete;
  NsfFile& operator=(const NsfFile&) = delete;

  const std::string& Path() const { return path_; }
  std::uint64_t Size() const { return size_; }
  // Exactly `size` bytes from `offset`; throws NsfError naming `what` when they lie outside the
  // file, exceed kLargestRead or cannot be read.
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::size_t size, const std::string& what) const;

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
  std::uint64_t size_ = 0;
};

}  // namespace mailshift::nsf
