// The container of a Notes database file: its header and information, the current superblock and
// bucket descriptor block, the item name table, the record relocation vectors (note id -> where
// the note is) and the summary buckets. Notes are read one at a time, on demand.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/nsf/NsfFile.h"

namespace mailshift::nsf {

// The on-disk versions whose structures this reader knows.
inline constexpr std::uint32_t kOdsFirstKnown = 43;
inline constexpr std::uint32_t kOdsLastKnown = 55;

// Note classes (the class word of a note header).
inline constexpr std::uint16_t kNoteClassDocument = 0x0001;
inline constexpr std::uint16_t kNoteClassForm = 0x0004;
inline constexpr std::uint16_t kNoteClassView = 0x0008;
inline constexpr std::uint16_t kNoteClassMask = 0x7FFF;

struct ItemName {
  std::string name;        // as stored (LMBCS)
  std::uint16_t type = 0;  // the item type its values carry when stored without a type word
};

// One item of a note as stored: its name, flags, type and value bytes (without the type word).
struct RawItem {
  std::string name;
  std::uint16_t flags = 0;
  std::uint16_t type = 0;
  std::vector<std::uint8_t> value;
  bool summary() const { return (flags & 0x0004) != 0; }
};

struct RawNote {
  std::uint32_t noteId = 0;
  std::uint16_t noteClass = 0;
  std::uint16_t flags = 0;
  std::string universalId;  // 32 upper-case hexadecimal digits
  std::uint64_t modified = 0;
  std::uint64_t created = 0;
  std::uint32_t size = 0;  // bytes of the note with its non-summary values
  std::vector<RawItem> items;
  // A deletion stub: what is left of a deleted note, a short header only or flagged and without
  // items (both observed).
  bool shortHeader = false;
  bool deletionStub() const { return shortHeader || ((flags & 0x0040) != 0 && items.empty()); }
};

class NsfContainer {
 public:
  // Opens and checks the file; throws NsfError naming the file, the place and the reason.
  explicit NsfContainer(const std::string& path);

  const std::string& Path() const { return file_.Path(); }
  std::uint32_t Ods() const { return ods_; }
  const std::string& InfoText() const { return info_; }  // title, then "\n" and further fields (LMBCS)
  // Every note id the relocation vectors name, in ascending order.
  std::vector<std::uint32_t> NoteIds() const;
  // Whether the id names a note rather than an object (attachment, ID table) stored on its own.
  bool IsNote(std::uint32_t noteId) const;
  // The stored record of an object (attachment, ID table) named by its relocation id: its
  // signature, size and header, then its content.
  std::vector<std::uint8_t> ReadObject(std::uint32_t objectId) const;
  // The note; throws NsfError for that note alone when it cannot be read.
  RawNote ReadNote(std::uint32_t noteId) const;

 private:
  struct Location {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
  };
  void ReadHeader();
  std::vector<std::uint8_t> ReadSuperblock();
  void ReadBucketDescriptors(const std::vector<std::uint8_t>& superblock);
  void ReadRelocations(const std::vector<std::uint8_t>& superblock);
  void AddRelocationBucket(const std::vector<std::uint8_t>& image, std::uint32_t firstId,
                           const std::string& place);
  std::vector<std::uint8_t> SlotBytes(std::uint32_t bucketId, std::uint32_t slot,
                                      const std::string& place) const;
  std::vector<std::uint8_t> Bucket(std::uint32_t bucketId, const std::string& place) const;
  std::string Place(const std::string& what) const { return file_.Path() + ": " + what; }

  NsfFile file_;
  std::uint32_t headerSize_ = 0;
  std::uint32_t ods_ = 0;
  std::string info_;
  std::vector<ItemName> names_;
  std::vector<std::uint32_t> bucketPositions_;  // summary bucket id - 1 -> file position / 256
  std::map<std::uint32_t, Location> relocations_;
  mutable std::map<std::uint32_t, std::vector<std::uint8_t>> buckets_;  // restored buckets read so far
};

}  // namespace mailshift::nsf
