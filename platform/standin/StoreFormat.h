// The stand-in mail store: one SQLite file whose layout is described in docs/store-format.md.
// The writer and the reader share these constants; any change to the tables raises the version.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace mailshift::standin {

// PRAGMA application_id of every store: "MSNF".
inline constexpr std::int32_t kStoreApplicationId = 0x4D534E46;
// PRAGMA user_version: the layout version this program writes. It reads this one and every
// earlier one.
inline constexpr std::int32_t kStoreSchemaVersion = 5;
// The first version whose documents carry a universal id (documents.unid); earlier stores give
// none.
inline constexpr std::int32_t kFirstVersionWithUniversalIds = 2;
// The first version with the table document_details (creation dates, encrypted items); earlier
// stores have no details: no creation date, nothing encrypted.
inline constexpr std::int32_t kFirstVersionWithDetails = 3;
// The first version with MIME items (mime_entities, mime_content) and "$FILE" items; earlier
// stores hold rich text only.
inline constexpr std::int32_t kFirstVersionWithMime = 4;
// The first version with read marks (unread_marks); in earlier stores every document is read.
inline constexpr std::int32_t kFirstVersionWithReadMarks = 5;
// The creation date of a document built without one and without any date-time item:
// 2000-01-01T00:00:00Z.
inline constexpr DateTime kDefaultCreationDate{946684800, 0};
// Attachment content is stored in rows of at most this many bytes.
inline constexpr std::size_t kContentChunkBytes = std::size_t{1} << 20;

// Item types, numbered as Notes numbers them.
// MimePart: an item stored as MIME (its one value is the text of its first text/plain part, as a
// client that converts MIME reads it); Attachment: a "$FILE" item holding one attached file.
enum class ItemKind : int {
  RichText = 1,
  MimePart = 25,
  Number = 768,
  DateTime = 1024,
  Attachment = 1084,
  Text = 1280
};
std::optional<ItemKind> ItemKindFromCode(std::int64_t code);

// The tables, created before the data goes in (document_details and the MIME tables included).
extern const char* const kStoreTablesSql;
// The lookup indexes, created once the data is in.
extern const char* const kStoreIndexesSql;
// The number of tables in kStoreTablesSql.
inline constexpr int kStoreTableCount = 8;
// The names of those tables, as an SQL list, for checking a file's schema.
extern const char* const kStoreTableNamesSql;
// The tables a store of kFirstVersionWithMime and later has besides those, and their number.
extern const char* const kMimeTableNamesSql;
inline constexpr int kMimeTableCount = 2;

// True for a universal id as stores hold it and UniversalID gives it: 32 hexadecimal digits,
// letters in upper case.
bool IsUniversalId(std::string_view text);

// A Notes database (.nsf) begins with these two bytes, the start of its database header.
inline constexpr unsigned char kNotesDatabaseSignature[] = {0x1A, 0x00};

// Why a Notes database itself is not read by the stand-in (the native reader reads it).
inline constexpr std::string_view kNotesDatabaseReason =
    "this is a Notes database; the stand-in reads only mail stores made with its store tool "
    "(mailshift-store); the native reader reads Notes databases (--reader native)";

// What the first 100 bytes of a file tell about it as a store: "" when it may be read as one,
// otherwise the reason it cannot. Reads the file only; never writes to it.
std::string CheckStoreHeader(const std::filesystem::path& file);

}  // namespace mailshift::standin
