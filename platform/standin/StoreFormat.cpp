#include "platform/standin/StoreFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

namespace mailshift::standin {

std::optional<ItemKind> ItemKindFromCode(std::int64_t code) {
  switch (code) {
    case static_cast<int>(ItemKind::RichText):
    case static_cast<int>(ItemKind::MimePart):
    case static_cast<int>(ItemKind::Attachment):
    case static_cast<int>(ItemKind::Number):
    case static_cast<int>(ItemKind::DateTime):
    case static_cast<int>(ItemKind::Text):
      return static_cast<ItemKind>(code);
    default:
      return std::nullopt;
  }
}

bool IsUniversalId(std::string_view text) {
  return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
         });
}

const char* const kStoreTablesSql = R"sql(
CREATE TABLE database_info (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  title TEXT NOT NULL
);
CREATE TABLE views (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  is_folder INTEGER NOT NULL,
  stored_count INTEGER
);
CREATE TABLE documents (
  id INTEGER PRIMARY KEY,
  note_id TEXT NOT NULL UNIQUE,
  size INTEGER NOT NULL,
  has_embedded INTEGER NOT NULL,
  unid TEXT
);
CREATE TABLE view_entries (
  view_id INTEGER NOT NULL,
  position INTEGER NOT NULL,
  document_id INTEGER NOT NULL,
  PRIMARY KEY (view_id, position)
) WITHOUT ROWID;
CREATE TABLE items (
  document_id INTEGER NOT NULL,
  position INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  PRIMARY KEY (document_id, position)
) WITHOUT ROWID;
CREATE TABLE item_values (
  document_id INTEGER NOT NULL,
  item_position INTEGER NOT NULL,
  position INTEGER NOT NULL,
  value NOT NULL,
  utc_offset INTEGER,
  PRIMARY KEY (document_id, item_position, position)
) WITHOUT ROWID;
CREATE TABLE embedded_objects (
  id INTEGER PRIMARY KEY,
  document_id INTEGER NOT NULL,
  item_position INTEGER NOT NULL,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  type INTEGER NOT NULL,
  size INTEGER NOT NULL,
  UNIQUE (document_id, item_position, position)
);
CREATE TABLE document_details (
  document_id INTEGER PRIMARY KEY,
  created INTEGER,
  created_offset INTEGER,
  encrypted INTEGER NOT NULL,
  encrypted_items TEXT NOT NULL
);
CREATE TABLE embedded_content (
  object_id INTEGER NOT NULL,
  chunk INTEGER NOT NULL,
  bytes BLOB NOT NULL,
  PRIMARY KEY (object_id, chunk)
);
CREATE TABLE mime_entities (
  id INTEGER PRIMARY KEY,
  document_id INTEGER NOT NULL,
  item_position INTEGER NOT NULL,
  converted INTEGER NOT NULL,
  parent_id INTEGER,
  position INTEGER NOT NULL,
  content_type TEXT NOT NULL,
  content_subtype TEXT NOT NULL,
  headers TEXT NOT NULL,
  size INTEGER NOT NULL
);
CREATE TABLE mime_content (
  entity_id INTEGER NOT NULL,
  chunk INTEGER NOT NULL,
  bytes BLOB NOT NULL,
  PRIMARY KEY (entity_id, chunk)
);
CREATE TABLE unread_marks (
  user TEXT NOT NULL COLLATE NOCASE,
  document_id INTEGER NOT NULL,
  PRIMARY KEY (user, document_id)
) WITHOUT ROWID;
)sql";

const char* const kStoreIndexesSql = R"sql(
CREATE INDEX views_by_name ON views (name COLLATE NOCASE);
CREATE INDEX items_by_name ON items (document_id, name);
CREATE INDEX mime_entities_by_item ON mime_entities (document_id, item_position, converted);
)sql";

const char* const kStoreTableNamesSql =
    "('database_info', 'views', 'documents', 'view_entries', 'items', 'item_values', 'embedded_objects', "
    "'embedded_content')";

const char* const kMimeTableNamesSql = "('mime_entities', 'mime_content')";

namespace {

constexpr std::size_t kHeaderBytes = 100;
constexpr char kSqliteMagic[] = "SQLite format 3";  // followed by a zero byte

std::uint32_t BigEndian32(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

std::int32_t SignedBigEndian32(const unsigned char* bytes) {
  return static_cast<std::int32_t>(BigEndian32(bytes));
}

}  // namespace

std::string CheckStoreHeader(const std::filesystem::path& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (error || !std::filesystem::exists(status)) return "the file does not exist";
  if (!std::filesystem::is_regular_file(status)) return "not a regular file";
  const auto fileSize = std::filesystem::file_size(file, error);
  if (error) return "cannot determine the file size: " + error.message();
  if (fileSize == 0) return "the file is empty";

  std::array<unsigned char, kHeaderBytes> header{};
  const auto headerBytes = static_cast<std::streamsize>(std::min<std::uintmax_t>(fileSize, kHeaderBytes));
  std::ifstream in(file, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(header.data()), headerBytes)) return "cannot read the file";
  if (headerBytes >= 2 && header[0] == kNotesDatabaseSignature[0] && header[1] == kNotesDatabaseSignature[1])
    return std::string(kNotesDatabaseReason);
  if (fileSize < kHeaderBytes) return "not a mail store (too short)";

  if (std::memcmp(header.data(), kSqliteMagic, sizeof kSqliteMagic) != 0) return "not a mail store";
  if (SignedBigEndian32(&header[68]) != kStoreApplicationId) return "not a mail store (another SQLite file)";
  const std::int32_t version = SignedBigEndian32(&header[60]);
  if (version > kStoreSchemaVersion) {
    return "store format version " + std::to_string(version) + " is newer than this program reads (" +
           std::to_string(kStoreSchemaVersion) + ")";
  }
  if (version < 1) return "not a mail store (no format version)";
  // Stores use a rollback journal; a write-ahead-log file would keep data outside this file.
  if (header[18] != 1 || header[19] != 1) return "not a mail store (unexpected journal mode)";

  std::uint32_t pageSize = (std::uint32_t{header[16]} << 8) | header[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
    return "damaged store (page size)";

  // The page count in the header is reliable when the change counter matches "version valid for".
  const std::uint32_t pageCount = BigEndian32(&header[28]);
  if (pageCount != 0 && BigEndian32(&header[24]) == BigEndian32(&header[92])) {
    if (fileSize < std::uintmax_t{pageCount} * pageSize) return "the store is truncated";
  } else if (fileSize % pageSize != 0) {
    return "the store is truncated";
  }
  return {};
}

}  // namespace mailshift::standin
