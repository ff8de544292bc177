// The messages a manifest records, held for lookups while a run lasts. The manifest of a very
// large export holds millions of lines, so they are kept compactly: one small fixed-size record
// per line, sorted by folder and document, with the document ids and file names in blocks of a
// shared pool (an id of 32 hexadecimal digits in 16 bytes). Memory grows with the bytes of the
// ids and names, not with a map node and two strings per line.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mailshift::mail {

// What the manifest knows of one message.
struct ManifestRecord {
  std::string file;         // its file name in the output folder
  std::int64_t bytes = -1;  // the file's size when it was written; -1 when not recorded
  bool whole = true;        // false: written in part, to be written again and replaced
};

class ExportManifestIndex {
 public:
  // Takes the record of one manifest line, in the order of the file. An empty id records a file
  // name alone.
  void Take(std::string_view folder, std::string_view universalId, std::string_view file, std::int64_t bytes,
            bool whole);
  // Orders what was taken for the lookups; once, after the last Take. Of two lines for the same
  // file of a document, the later one counts, in the place of the first.
  void Seal();

  // The occurrence-th message recorded for the document in the folder (from 0, in the order first
  // recorded); none when there is none.
  std::optional<ManifestRecord> Find(std::string_view folder, std::string_view universalId,
                                     std::size_t occurrence) const;
  bool KnowsFile(std::string_view folder, std::string_view fileName) const;
  // Adds a record after Seal, as the next message of the document unless one of the same file is
  // there already.
  void AddLater(const std::string& folder, const std::string& universalId, const ManifestRecord& record);

 private:
  static constexpr std::uint32_t kBlockBytes = 1u << 20;
  static constexpr std::uint16_t kPackedId = 0x8000;  // in idLength: 32 hex digits kept as 16 bytes

  // One line: 24 bytes. The id's bytes and then the file name's lie at offset in block.
  struct Record {
    std::uint32_t folder;
    std::uint32_t block;
    std::uint32_t offset;
    std::uint16_t idLength;  // with kPackedId for a packed id
    std::uint16_t fileLength;
    std::int64_t sizeAndWhole;  // (bytes + 1) * 2 + whole
  };

  std::uint32_t FolderNumber(std::string_view folder);
  std::optional<std::uint32_t> KnownFolder(std::string_view folder) const;
  // The bytes that stand for an id: packed when it is 32 upper-case hexadecimal digits.
  static std::string_view KeyOf(std::string_view universalId, std::string& buffer, std::uint16_t& length);
  std::string_view IdOf(const Record& record) const;
  std::string_view FileOf(const Record& record) const;
  // Compares records by folder and id.
  int CompareDocument(const Record& record, std::uint32_t folder, std::uint16_t idLength,
                      std::string_view id) const;
  std::pair<std::size_t, std::size_t> DocumentRange(std::uint32_t folder, std::uint16_t idLength,
                                                    std::string_view id) const;
  void KeepLaterLinesOfTheSameFile(std::size_t begin, std::size_t end, std::vector<bool>& dropped);

  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::uint32_t> folderNumbers_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::uint32_t used_ = kBlockBytes;   // of the last block
  std::vector<Record> records_;        // sorted by folder and id once sealed
  std::vector<std::uint32_t> byFile_;  // indexes into records_, sorted by folder and file name

  // Added after Seal (the few messages a run finds unrecorded on disk): by folder, tab, id.
  std::unordered_map<std::string, std::vector<ManifestRecord>> later_;
  std::unordered_set<std::string> laterFiles_;  // folder, tab, file name
};

}  // namespace mailshift::mail
