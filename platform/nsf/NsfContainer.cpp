#include "platform/nsf/NsfContainer.h"

#include <algorithm>
#include <cstdio>

#include "platform/nsf/Bytes.h"
#include "platform/nsf/CxDecompress.h"
#include "platform/nsf/NsfError.h"

namespace mailshift::nsf {

namespace {

constexpr std::uint64_t kUnit = 256;  // file positions count 256-byte units
constexpr std::size_t kSuperblockHeader = 104;
constexpr std::size_t kDescriptorBlockHeader = 70;
constexpr std::size_t kMetadataLargest = 16u * 1024u * 1024u;
constexpr std::size_t kBucketHeader = 66;
constexpr std::size_t kSector = 512;
constexpr std::size_t kRelocationHeader = 32;
constexpr std::size_t kNoteHeader = 100;
constexpr std::size_t kNonSummaryHeader = 68;
// Where the superblock keeps the summary bucket positions (observed in every sample: 14 bytes each,
// position first) and up to where that table may reach.
constexpr std::size_t kBucketTableAt = 0xE0;
constexpr std::size_t kBucketTableEntry = 14;
constexpr std::size_t kBucketsKept = 64;
constexpr std::uint16_t kItemSummary = 0x0004;
constexpr std::uint16_t kItemWithoutType = 0x0008;
constexpr std::uint16_t kNoteNonSummaryInline = 0x2000;

std::string Hex(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

NsfContainer::NsfContainer(const std::string& path) : file_(path) {
  ReadHeader();
  const std::vector<std::uint8_t> superblock = ReadSuperblock();
  ReadBucketDescriptors(superblock);
  ReadRelocations(superblock);
}

void NsfContainer::ReadHeader() {
  if (file_.Size() < 0x400) throw NsfError(Place("file header: too short for a Notes database"));
  const std::vector<std::uint8_t> head = file_.Read(0, 0x300, "file header");
  const Bytes header(head, Place("file header"));
  if (header.U8(0) != 0x1A || header.U8(1) != 0x00) header.Refuse("no Notes database signature (1A 00)");
  headerSize_ = header.U32(2);
  ods_ = header.U32(6);
  if (headerSize_ < 0x300 || headerSize_ > 0x10000)
    header.Refuse("header size " + std::to_string(headerSize_) + " is not plausible");
  if (ods_ < kOdsFirstKnown || ods_ > kOdsLastKnown + 10)
    header.Refuse("on-disk structure version " + std::to_string(ods_) + " is not one this reader knows");
  const auto info = header.Slice(0xC8, 128);
  const auto end = std::find(info.begin(), info.end(), std::uint8_t{0});
  info_.assign(info.begin(), end);
}

std::vector<std::uint8_t> NsfContainer::ReadSuperblock() {
  const std::vector<std::uint8_t> head = file_.Read(0, 0x300, "file header");
  const Bytes header(head, Place("database information"));
  struct Copy {
    std::uint32_t writes;
    std::uint64_t offset;
    std::uint32_t size;
  };
  std::vector<Copy> copies;
  std::string reasons;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint32_t position = header.U32(0x230 + 8 * i);
    const std::uint32_t size = header.U32(0x234 + 8 * i);
    if (position == 0) continue;
    const std::uint64_t offset = position * kUnit;
    try {
      const std::vector<std::uint8_t> bytes =
          file_.Read(offset, kSuperblockHeader, "superblock " + std::to_string(i + 1));
      const Bytes copy(bytes, Place("superblock " + std::to_string(i + 1)));
      if (copy.U16(0) != 0x000E) copy.Refuse("no superblock signature");
      copies.push_back({copy.U32(60), offset, size});
    } catch (const NsfError& error) {
      reasons += std::string("; ") + error.what();
    }
  }
  std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) { return a.writes > b.writes; });
  for (const Copy& copy : copies) {
    const std::string place = "superblock at offset " + std::to_string(copy.offset);
    try {
      const std::vector<std::uint8_t> head104 = file_.Read(copy.offset, kSuperblockHeader, place);
      const Bytes fields(head104, Place(place));
      const std::uint32_t plain = fields.U32(10);
      const std::uint16_t compression = fields.U16(68);
      const std::uint32_t stored = fields.U32(100);
      if (plain > kMetadataLargest || stored > kMetadataLargest) fields.Refuse("sizes beyond any superblock");
      const std::vector<std::uint8_t> data = file_.Read(copy.offset + kSuperblockHeader, stored, place);
      if (compression == 1) return CxDecompress(data, plain, Place(place));
      if (compression == 0 && stored >= plain) return {data.begin(), data.begin() + plain};
      fields.Refuse("compression " + std::to_string(compression) + " is not one this reader knows");
    } catch (const NsfError& error) {
      reasons += std::string("; ") + error.what();
    }
  }
  throw NsfError(Place("no readable superblock (ODS " + std::to_string(ods_) + ")" + reasons));
}

void NsfContainer::ReadBucketDescriptors(const std::vector<std::uint8_t>& superblock) {
  const Bytes table(superblock, Place("superblock"));
  for (std::size_t at = kBucketTableAt; at + kBucketTableEntry <= superblock.size();
       at += kBucketTableEntry) {
    const std::uint32_t position = table.U32(at);
    if (position == 0) break;
    bucketPositions_.push_back(position);
  }
}

void NsfContainer::ReadRelocations(const std::vector<std::uint8_t>& superblock) {
  const std::vector<std::uint8_t> head = file_.Read(0, 0x300, "file header");
  const Bytes header(head, Place("database information"));
  struct Copy {
    std::uint32_t writes;
    std::uint64_t offset;
  };
  std::vector<Copy> copies;
  for (std::size_t at : {std::size_t{0x270}, std::size_t{0x278}}) {
    const std::uint32_t position = header.U32(at + 4);
    if (position == 0) continue;
    try {
      const std::vector<std::uint8_t> bytes =
          file_.Read(position * kUnit, kDescriptorBlockHeader, "bucket descriptor block");
      const Bytes block(bytes, Place("bucket descriptor block"));
      if (block.U16(0) == 0x0001) copies.push_back({block.U32(10), position * kUnit});
    } catch (const NsfError&) {
      // the other copy may still be readable
    }
  }
  std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) { return a.writes > b.writes; });
  std::string reasons;
  for (const Copy& copy : copies) {
    const std::string place = "bucket descriptor block at offset " + std::to_string(copy.offset);
    try {
      const std::vector<std::uint8_t> headBytes = file_.Read(copy.offset, kDescriptorBlockHeader, place);
      const Bytes fields(headBytes, Place(place));
      const std::uint32_t plain = fields.U32(6);
      const std::uint32_t nameCount = fields.U32(26);
      const std::uint32_t vectorCount = fields.U32(38);
      const std::uint32_t stored = fields.U32(66);
      if (plain > kMetadataLargest || stored > kMetadataLargest)
        fields.Refuse("sizes beyond any descriptor block");
      const std::vector<std::uint8_t> data =
          CxDecompress(file_.Read(copy.offset + kDescriptorBlockHeader, stored, place), plain, Place(place));
      const Bytes block(data, Place(place));
      if (static_cast<std::uint64_t>(vectorCount) * 8 + static_cast<std::uint64_t>(nameCount) * 10 + 4 >
          data.size())
        block.Refuse("its counts do not fit its size");
      std::vector<ItemName> names;
      const std::size_t entries = std::size_t{vectorCount} * 8;
      const std::size_t text = entries + std::size_t{nameCount} * 10 + 4;
      const std::uint32_t textSize = block.U32(text - 4);
      const auto textBytes = block.Slice(text, textSize);
      for (std::uint32_t i = 0; i < nameCount; ++i) {
        const std::size_t at = entries + std::size_t{i} * 10;
        const std::uint32_t offset = block.U32(at);
        const std::uint16_t length = block.U16(at + 4);
        if (offset > textSize || length > textSize - offset)
          block.Refuse("item name " + std::to_string(i) + " lies outside the name text");
        names.push_back({std::string(textBytes.begin() + offset, textBytes.begin() + offset + length),
                         block.U16(at + 6)});
      }
      relocations_.clear();
      for (std::uint32_t i = 0; i < vectorCount; ++i) {
        const std::uint32_t position = block.U32(std::size_t{i} * 8);
        const std::uint32_t firstId = block.U32(std::size_t{i} * 8 + 4);
        const std::string vectorPlace = "relocation bucket " + std::to_string(i + 1);
        // The current data bucket lives in the superblock; its copy on disk may be stale.
        std::vector<std::uint8_t> image;
        if ((position & 1u) == 0) {
          const std::uint8_t signature[10] = {0x06,
                                              0x20,
                                              0,
                                              0,
                                              0,
                                              0,
                                              static_cast<std::uint8_t>(firstId),
                                              static_cast<std::uint8_t>(firstId >> 8),
                                              static_cast<std::uint8_t>(firstId >> 16),
                                              static_cast<std::uint8_t>(firstId >> 24)};
          // The last copy is the current one (an earlier, partial copy was seen before it).
          const auto found =
              std::find_end(superblock.begin(), superblock.end(), std::begin(signature), std::end(signature));
          if (found != superblock.end())
            image.assign(found, found + std::min<std::ptrdiff_t>(4096, superblock.end() - found));
        }
        if (image.empty()) image = file_.Read((position & ~1u) * kUnit, 4096, vectorPlace);
        AddRelocationBucket(image, firstId, Place(vectorPlace));
      }
      names_ = std::move(names);
      return;
    } catch (const NsfError& error) {
      reasons += std::string("; ") + error.what();
    }
  }
  throw NsfError(Place("no readable bucket descriptor block (ODS " + std::to_string(ods_) + ")" + reasons));
}

void NsfContainer::AddRelocationBucket(const std::vector<std::uint8_t>& image, std::uint32_t firstId,
                                       const std::string& place) {
  const Bytes bucket(image, place);
  if (bucket.U8(0) != 0x06 || bucket.U8(1) != 0x20) bucket.Refuse("no relocation bucket signature");
  if (bucket.U32(6) != firstId) bucket.Refuse("its first note id differs from its descriptor's");
  const std::size_t count = std::min<std::size_t>(bucket.U16(16), (image.size() - kRelocationHeader) / 8);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t first = bucket.U32(kRelocationHeader + 8 * i);
    const std::uint32_t second = bucket.U32(kRelocationHeader + 8 * i + 4);
    if (first == 0xFFFFFFFFu || first == 0) continue;
    // An entry that points outside the file or to a bucket the superblock does not know is not
    // taken: reading it could only fail.
    if ((first & 0x80000000u) != 0
            ? (first & 0x00FFFFFFu) == 0 || (first & 0x00FFFFFFu) > bucketPositions_.size()
            : first * kUnit >= file_.Size())
      continue;
    const std::uint64_t noteId = firstId + 4 * static_cast<std::uint64_t>(i);
    if (noteId > 0xFFFFFFFFu) break;
    relocations_[static_cast<std::uint32_t>(noteId)] = {first, second};
  }
}

std::vector<std::uint32_t> NsfContainer::NoteIds() const {
  std::vector<std::uint32_t> ids;
  ids.reserve(relocations_.size());
  for (const auto& [id, location] : relocations_) ids.push_back(id);
  return ids;
}

bool NsfContainer::IsNote(std::uint32_t noteId) const {
  const auto found = relocations_.find(noteId);
  if (found == relocations_.end()) return false;
  if ((found->second.first & 0x80000000u) != 0) return true;
  const std::vector<std::uint8_t> head = file_.Read(found->second.first * kUnit, 2, "note " + Hex(noteId, 1));
  return head[0] == 0x04 && head[1] == 0x00;
}

std::vector<std::uint8_t> NsfContainer::ReadObject(std::uint32_t objectId) const {
  const std::string place = "object " + Hex(objectId, 1);
  const auto found = relocations_.find(objectId);
  if (found == relocations_.end() || (found->second.first & 0x80000000u) != 0)
    throw NsfError(Place(place + ": not in the relocation vectors"));
  const std::uint64_t offset = found->second.first * kUnit;
  const std::vector<std::uint8_t> head = file_.Read(offset, 6, place);
  const Bytes prefix(head, Place(place));
  if (prefix.U16(0) != 0x001B) prefix.Refuse("not an object (signature " + Hex(prefix.U16(0), 4) + ")");
  return file_.Read(offset, prefix.U32(2), place);
}

std::vector<std::uint8_t> NsfContainer::Bucket(std::uint32_t bucketId, const std::string& place) const {
  if (const auto found = buckets_.find(bucketId); found != buckets_.end()) return found->second;
  if (bucketId == 0 || bucketId > bucketPositions_.size())
    throw NsfError(
        Place(place + ": summary bucket " + std::to_string(bucketId) + " is not in the superblock"));
  const std::uint64_t offset = bucketPositions_[bucketId - 1] * kUnit;
  const std::string bucketPlace =
      "summary bucket " + std::to_string(bucketId) + " at offset " + std::to_string(offset);
  const std::vector<std::uint8_t> head = file_.Read(offset, kBucketHeader, bucketPlace);
  const Bytes header(head, Place(bucketPlace));
  if (header.U8(0) != 0x02 || header.U8(1) != 0x42) header.Refuse("no summary bucket signature");
  const std::uint32_t size = header.U32(6);
  const std::uint16_t footer = header.U16(50);
  if (size < kSector || size > 256 * 1024 || size % kSector != 0)
    header.Refuse("bucket size " + std::to_string(size) + " is not plausible");
  const std::size_t sectors = size / kSector;
  if (footer * 2 != sectors)
    header.Refuse("its footer of " + std::to_string(footer) + " bytes does not fit its " +
                  std::to_string(sectors) + " sectors");
  std::vector<std::uint8_t> bytes = file_.Read(offset, size, bucketPlace);
  // Each sector's byte 0x42 carries the bucket's write stamp in its low half; the footer keeps
  // the half-bytes it replaced, sector 0 in the highest half-byte of the footer as one number.
  const std::uint8_t stamp = bytes[0x42] & 0x0F;
  for (std::size_t sector = 0; sector < sectors; ++sector) {
    std::uint8_t& byte = bytes[sector * kSector + 0x42];
    if ((byte & 0x0F) != stamp)
      header.Refuse("torn: sector " + std::to_string(sector) + " has another write stamp");
    const std::size_t nibble = sectors - 1 - sector;
    const std::uint8_t kept = bytes[size - footer + nibble / 2];
    const std::uint8_t original = (nibble % 2 == 0) ? (kept & 0x0F) : (kept >> 4);
    byte = static_cast<std::uint8_t>((byte & 0xF0) | original);
  }
  // Memory stays bounded whatever the database's size: the buckets kept are dropped now and then.
  if (buckets_.size() >= kBucketsKept) buckets_.clear();
  return buckets_.emplace(bucketId, std::move(bytes)).first->second;
}

std::vector<std::uint8_t> NsfContainer::SlotBytes(std::uint32_t bucketId, std::uint32_t slot,
                                                  const std::string& place) const {
  const std::vector<std::uint8_t> bucket = Bucket(bucketId, place);
  const Bytes bytes(bucket, Place(place + " in summary bucket " + std::to_string(bucketId)));
  const std::uint32_t slots = bytes.U32(44);
  const std::uint16_t footer = bytes.U16(50);
  if (slot == 0 || slot > slots || std::size_t{slot} * 4 + footer + kBucketHeader > bucket.size())
    bytes.Refuse("slot " + std::to_string(slot) + " is not in the bucket");
  const std::size_t index = bucket.size() - footer - 4 * std::size_t{slot};
  const std::uint16_t offset = bytes.U16(index);
  const std::uint16_t size = bytes.U16(index + 2);
  if (offset < kBucketHeader || offset + std::size_t{size} > index)
    bytes.Refuse("slot " + std::to_string(slot) + " lies outside the bucket's data");
  const auto slice = bytes.Slice(offset, size);
  return {slice.begin(), slice.end()};
}

RawNote NsfContainer::ReadNote(std::uint32_t noteId) const {
  const std::string place = "note " + Hex(noteId, 1);
  const auto found = relocations_.find(noteId);
  if (found == relocations_.end()) throw NsfError(Place(place + ": not in the relocation vectors"));
  const Location location = found->second;
  std::vector<std::uint8_t> bytes;
  if ((location.first & 0x80000000u) != 0) {
    bytes = SlotBytes(location.first & 0x00FFFFFFu, location.second & 0x7FFu, place);
  } else {
    const std::uint64_t offset = location.first * kUnit;
    const std::vector<std::uint8_t> head = file_.Read(offset, 6, place);
    const Bytes prefix(head, Place(place));
    if (prefix.U16(0) != 0x0004) prefix.Refuse("not a note (signature " + Hex(prefix.U16(0), 4) + ")");
    bytes = file_.Read(offset, prefix.U32(2), place);
  }
  const Bytes note(bytes, Place(place));
  if (note.U16(0) != 0x0004) note.Refuse("no note signature");
  RawNote raw;
  raw.noteId = note.U32(6);
  if (raw.noteId != noteId) note.Refuse("it names itself note " + Hex(raw.noteId, 1));
  raw.universalId = Hex(note.U64(10), 16) + Hex(note.U64(18), 16);
  raw.flags = note.U16(38);
  raw.noteClass = note.U16(40);
  raw.modified = note.U64(42);
  if (bytes.size() < kNoteHeader) {
    raw.shortHeader = true;
    raw.size = static_cast<std::uint32_t>(bytes.size());
    return raw;
  }
  raw.created = note.U64(72);
  const std::uint16_t itemCount = note.U16(50);
  const std::uint32_t nonSummaryId = note.U32(56);
  const std::uint32_t nonSummarySize = note.U32(60);
  raw.size = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(0xFFFFFFFFu, bytes.size() + std::uint64_t{nonSummarySize}));
  if (kNoteHeader + std::size_t{itemCount} * 8 > bytes.size())
    note.Refuse(std::to_string(itemCount) + " items do not fit the note");

  std::vector<std::uint8_t> record;
  std::size_t summaryAt = kNoteHeader + std::size_t{itemCount} * 8;
  std::size_t nonSummaryAt = 0;
  const Bytes* nonSummary = &note;
  std::unique_ptr<Bytes> recordBytes;
  bool nonSummaryRead = false;
  for (std::uint16_t i = 0; i < itemCount; ++i) {
    const std::size_t at = kNoteHeader + std::size_t{i} * 8;
    const std::uint16_t nameIndex = note.U16(at);
    RawItem item;
    item.flags = note.U16(at + 2);
    const std::uint16_t size = note.U16(at + 4);
    if (nameIndex >= names_.size())
      note.Refuse("item " + std::to_string(i + 1) + " names entry " + std::to_string(nameIndex) +
                  " of a table of " + std::to_string(names_.size()));
    item.name = names_[nameIndex].name;
    std::span<const std::uint8_t> value;
    if ((item.flags & kItemSummary) != 0) {
      value = note.Slice(summaryAt, size);
      summaryAt += size;
    } else {
      if (!nonSummaryRead) {
        nonSummaryRead = true;
        if ((raw.flags & kNoteNonSummaryInline) != 0) {
          nonSummaryAt = nonSummaryId;
        } else {
          const std::string recordPlace = place + ": its non-summary record";
          record = file_.Read(nonSummaryId * kUnit, nonSummarySize, recordPlace);
          recordBytes = std::make_unique<Bytes>(record, Place(recordPlace));
          if (recordBytes->U16(0) != 0x0010) recordBytes->Refuse("no non-summary record signature");
          if (recordBytes->U32(6) != noteId) recordBytes->Refuse("it belongs to another note");
          nonSummary = recordBytes.get();
          nonSummaryAt = kNonSummaryHeader;
        }
      }
      value = nonSummary->Slice(nonSummaryAt, size);
      nonSummaryAt += size;
    }
    if ((item.flags & kItemWithoutType) != 0) {
      item.type = names_[nameIndex].type;
    } else {
      if (value.size() < 2) note.Refuse("item " + item.name + " is shorter than its type");
      item.type = static_cast<std::uint16_t>(value[0] | (value[1] << 8));
      value = value.subspan(2);
    }
    item.value.assign(value.begin(), value.end());
    raw.items.push_back(std::move(item));
  }
  return raw;
}

}  // namespace mailshift::nsf
