#include "export/ExportManifestIndex.h"

#include <algorithm>
#include <cstring>

namespace mailshift::mail {
namespace {

constexpr std::size_t kHexIdLength = 32;

int HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

std::int64_t SizeAndWhole(std::int64_t bytes, bool whole) { return (bytes + 1) * 2 + (whole ? 1 : 0); }

std::string InFolder(std::string_view folder, std::string_view text) {
  std::string key(folder);
  key += '\t';
  key += text;
  return key;
}

}  // namespace

std::uint32_t ExportManifestIndex::FolderNumber(std::string_view folder) {
  const auto [found, added] =
      folderNumbers_.try_emplace(std::string(folder), static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.emplace_back(folder);
  return found->second;
}

std::optional<std::uint32_t> ExportManifestIndex::KnownFolder(std::string_view folder) const {
  const auto found = folderNumbers_.find(std::string(folder));
  if (found == folderNumbers_.end()) return std::nullopt;
  return found->second;
}

std::string_view ExportManifestIndex::KeyOf(std::string_view universalId, std::string& buffer,
                                            std::uint16_t& length) {
  if (universalId.size() == kHexIdLength &&
      std::all_of(universalId.begin(), universalId.end(), [](char c) { return HexValue(c) >= 0; })) {
    buffer.resize(kHexIdLength / 2);
    for (std::size_t i = 0; i < buffer.size(); ++i)
      buffer[i] = static_cast<char>(HexValue(universalId[2 * i]) * 16 + HexValue(universalId[2 * i + 1]));
    length = static_cast<std::uint16_t>(kPackedId | buffer.size());
    return buffer;
  }
  length = static_cast<std::uint16_t>(universalId.size());
  return universalId;
}

void ExportManifestIndex::Take(std::string_view folder, std::string_view universalId, std::string_view file,
                               std::int64_t bytes, bool whole) {
  // No id or file name on disk comes near this; a line that holds one is no line of ours.
  if (universalId.size() >= kPackedId || file.size() > UINT16_MAX) return;
  std::string buffer;
  std::uint16_t idLength = 0;
  const std::string_view id = KeyOf(universalId, buffer, idLength);
  const std::size_t needed = id.size() + file.size();
  if (blocks_.empty() || kBlockBytes - used_ < needed) {
    blocks_.push_back(std::make_unique<char[]>(std::max<std::size_t>(kBlockBytes, needed)));
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  std::memcpy(at, id.data(), id.size());
  std::memcpy(at + id.size(), file.data(), file.size());
  records_.push_back(Record{FolderNumber(folder), static_cast<std::uint32_t>(blocks_.size() - 1), used_,
                            idLength, static_cast<std::uint16_t>(file.size()), SizeAndWhole(bytes, whole)});
  // A block larger than usual takes one text alone.
  used_ = needed > kBlockBytes ? kBlockBytes : used_ + static_cast<std::uint32_t>(needed);
}

std::string_view ExportManifestIndex::IdOf(const Record& record) const {
  return {blocks_[record.block].get() + record.offset,
          static_cast<std::size_t>(record.idLength & ~kPackedId)};
}

std::string_view ExportManifestIndex::FileOf(const Record& record) const {
  return {blocks_[record.block].get() + record.offset + (record.idLength & ~kPackedId), record.fileLength};
}

int ExportManifestIndex::CompareDocument(const Record& record, std::uint32_t folder, std::uint16_t idLength,
                                         std::string_view id) const {
  if (record.folder != folder) return record.folder < folder ? -1 : 1;
  if (record.idLength != idLength) return record.idLength < idLength ? -1 : 1;
  return IdOf(record).compare(id);
}

void ExportManifestIndex::Seal() {
  std::stable_sort(records_.begin(), records_.end(), [this](const Record& a, const Record& b) {
    return CompareDocument(a, b.folder, b.idLength, IdOf(b)) < 0;
  });
  std::vector<bool> dropped(records_.size(), false);
  for (std::size_t begin = 0; begin < records_.size();) {
    std::size_t end = begin + 1;
    while (end < records_.size() && CompareDocument(records_[end], records_[begin].folder,
                                                    records_[begin].idLength, IdOf(records_[begin])) == 0)
      ++end;
    if (end - begin > 1 && (records_[begin].idLength & ~kPackedId) != 0)
      KeepLaterLinesOfTheSameFile(begin, end, dropped);
    begin = end;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (!dropped[i]) records_[kept++] = records_[i];
  }
  records_.resize(kept);
  records_.shrink_to_fit();

  byFile_.resize(records_.size());
  for (std::uint32_t i = 0; i < byFile_.size(); ++i) byFile_[i] = i;
  std::sort(byFile_.begin(), byFile_.end(), [this](std::uint32_t a, std::uint32_t b) {
    if (records_[a].folder != records_[b].folder) return records_[a].folder < records_[b].folder;
    return FileOf(records_[a]) < FileOf(records_[b]);
  });
}

void ExportManifestIndex::KeepLaterLinesOfTheSameFile(std::size_t begin, std::size_t end,
                                                      std::vector<bool>& dropped) {
  std::unordered_map<std::string_view, std::size_t> first;
  for (std::size_t i = begin; i < end; ++i) {
    const auto [found, added] = first.try_emplace(FileOf(records_[i]), i);
    if (added) continue;
    records_[found->second].sizeAndWhole = records_[i].sizeAndWhole;
    dropped[i] = true;
  }
}

std::pair<std::size_t, std::size_t> ExportManifestIndex::DocumentRange(std::uint32_t folder,
                                                                       std::uint16_t idLength,
                                                                       std::string_view id) const {
  const auto begin = std::partition_point(records_.begin(), records_.end(), [&](const Record& record) {
    return CompareDocument(record, folder, idLength, id) < 0;
  });
  const auto end = std::partition_point(begin, records_.end(), [&](const Record& record) {
    return CompareDocument(record, folder, idLength, id) == 0;
  });
  return {static_cast<std::size_t>(begin - records_.begin()),
          static_cast<std::size_t>(end - records_.begin())};
}

std::optional<ManifestRecord> ExportManifestIndex::Find(std::string_view folder, std::string_view universalId,
                                                        std::size_t occurrence) const {
  std::size_t recorded = 0;
  if (const auto number = KnownFolder(folder)) {
    std::string buffer;
    std::uint16_t idLength = 0;
    const std::string_view id = KeyOf(universalId, buffer, idLength);
    const auto [begin, end] = DocumentRange(*number, idLength, id);
    recorded = end - begin;
    if (occurrence < recorded) {
      const Record& record = records_[begin + occurrence];
      return ManifestRecord{std::string(FileOf(record)), record.sizeAndWhole / 2 - 1,
                            (record.sizeAndWhole & 1) != 0};
    }
  }
  const auto later = later_.find(InFolder(folder, universalId));
  if (later == later_.end() || occurrence - recorded >= later->second.size()) return std::nullopt;
  return later->second[occurrence - recorded];
}

bool ExportManifestIndex::KnowsFile(std::string_view folder, std::string_view fileName) const {
  if (laterFiles_.count(InFolder(folder, fileName)) != 0) return true;
  const auto number = KnownFolder(folder);
  if (!number) return false;
  const auto found = std::lower_bound(
      byFile_.begin(), byFile_.end(), fileName, [&](std::uint32_t index, std::string_view name) {
        const Record& record = records_[index];
        return record.folder != *number ? record.folder < *number : FileOf(record) < name;
      });
  return found != byFile_.end() && records_[*found].folder == *number && FileOf(records_[*found]) == fileName;
}

void ExportManifestIndex::AddLater(const std::string& folder, const std::string& universalId,
                                   const ManifestRecord& record) {
  laterFiles_.insert(InFolder(folder, record.file));
  if (universalId.empty()) return;
  std::vector<ManifestRecord>& records = later_[InFolder(folder, universalId)];
  for (ManifestRecord& known : records) {
    if (known.file == record.file) {
      known = record;
      return;
    }
  }
  records.push_back(record);
}

}  // namespace mailshift::mail
