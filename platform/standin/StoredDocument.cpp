#include "platform/standin/StoredDocument.h"

#include "platform/standin/Sqlite.h"

namespace mailshift::standin {
namespace {

constexpr int kLongestValueBytes = 64 << 20;  // no item value of a mail document comes near this

using sqlite::IsInteger;
using sqlite::IsText;
using sqlite::Running;

}  // namespace

const char* const kDocumentItemsSql =
    "SELECT position, type, name FROM items WHERE document_id = ?1 ORDER BY position";
const char* const kDocumentValuesSql =
    "SELECT item_position, value, utc_offset FROM item_values WHERE document_id = ?1 "
    "ORDER BY item_position, position";

const char* const kDocumentDetailsSql =
    "SELECT created, created_offset, encrypted, encrypted_items FROM document_details WHERE document_id = ?1";

const char* const kDocumentEmbeddedSql =
    "SELECT id, name, type, size, item_position FROM embedded_objects WHERE document_id = ?1 "
    "ORDER BY item_position, position";
const char* const kDocumentEntitiesSql =
    "SELECT id, parent_id, position, content_type, content_subtype, headers, size, item_position, converted "
    "FROM mime_entities WHERE document_id = ?1 ORDER BY id";

std::optional<EmbeddedRecord> EmbeddedFromRow(const sqlite::Statement& r) {
  if (!IsInteger(r, 0) || !IsText(r, 1) || !IsInteger(r, 2) || !IsInteger(r, 3)) return std::nullopt;
  return EmbeddedRecord{r.ColumnInt64(0), r.ColumnText(1), r.ColumnInt64(2), r.ColumnInt64(3)};
}

const char* const kEntityChunksSql = "SELECT rowid FROM mime_content WHERE entity_id = ?1 ORDER BY chunk";
const char* const kObjectChunksSql = "SELECT rowid FROM embedded_content WHERE object_id = ?1 ORDER BY chunk";

std::string ReadChunkedContent(sqlite::Statement& chunks, sqlite::BlobReader& blob, std::int64_t ownerId,
                               std::int64_t size) {
  if (size < 0) throw sqlite::Error("damaged size");
  Running rows(chunks);
  rows->BindInt64(1, ownerId);
  std::string content(static_cast<std::size_t>(size), '\0');
  std::int64_t filled = 0;
  while (rows->Step()) {
    const int chunkBytes = blob.MoveTo(rows->ColumnInt64(0));
    if (chunkBytes > size - filled) throw sqlite::Error("the content is longer than its size");
    if (chunkBytes > 0) blob.Read(content.data() + filled, chunkBytes, 0);
    filled += chunkBytes;
  }
  if (filled != size) throw sqlite::Error("the content is shorter than its size");
  return content;
}

std::optional<MimeEntityRecord> EntityFromRow(const sqlite::Statement& r) {
  const bool root = r.ColumnType(1) == SQLITE_NULL;
  if (!IsInteger(r, 0) || (!root && !IsInteger(r, 1)) || !IsInteger(r, 2) || !IsText(r, 3) || !IsText(r, 4) ||
      !IsText(r, 5) || !IsInteger(r, 6) || r.ColumnInt64(6) < 0) {
    return std::nullopt;
  }
  MimeEntityRecord entity;
  entity.id = r.ColumnInt64(0);
  if (!root) entity.parentId = r.ColumnInt64(1);
  entity.position = r.ColumnInt64(2);
  entity.contentType = r.ColumnText(3);
  entity.contentSubType = r.ColumnText(4);
  entity.headers = r.ColumnText(5);
  entity.size = r.ColumnInt64(6);
  return entity;
}

std::optional<std::vector<StoredEmbedded>> ReadStoredEmbedded(sqlite::Statement& embedded,
                                                              std::int64_t documentId) {
  Running row(embedded);
  row->BindInt64(1, documentId);
  std::vector<StoredEmbedded> read;
  while (row->Step()) {
    std::optional<EmbeddedRecord> record = EmbeddedFromRow(embedded);
    if (!record || !IsInteger(embedded, 4)) return std::nullopt;
    read.push_back(StoredEmbedded{embedded.ColumnInt64(4), std::move(*record)});
  }
  return read;
}

std::optional<std::vector<StoredEntity>> ReadStoredEntities(sqlite::Statement& entities,
                                                            std::int64_t documentId) {
  Running row(entities);
  row->BindInt64(1, documentId);
  std::vector<StoredEntity> read;
  while (row->Step()) {
    std::optional<MimeEntityRecord> record = EntityFromRow(entities);
    if (!record || !IsInteger(entities, 7) || !IsInteger(entities, 8)) return std::nullopt;
    read.push_back(StoredEntity{entities.ColumnInt64(7), entities.ColumnInt64(8) != 0, std::move(*record)});
  }
  return read;
}

StoredDetails ReadStoredDetails(sqlite::Statement& details, std::int64_t documentId) {
  Running row(details);
  row->BindInt64(1, documentId);
  StoredDetails read;
  if (!row->Step()) return read;
  read.found = true;
  read.createdType = details.ColumnType(0);
  read.created = details.ColumnInt64(0);
  read.offsetType = details.ColumnType(1);
  read.offset = details.ColumnInt64(1);
  read.encryptedType = details.ColumnType(2);
  read.encrypted = details.ColumnInt64(2);
  read.encryptedItemsType = details.ColumnType(3);
  if (read.encryptedItemsType == SQLITE_TEXT) read.encryptedItems = details.ColumnText(3);
  return read;
}

std::vector<StoredItem> ReadStoredItems(sqlite::Statement& items, std::int64_t documentId) {
  Running row(items);
  row->BindInt64(1, documentId);
  std::vector<StoredItem> read;
  while (row->Step()) {
    StoredItem item;
    item.positionIsInteger = IsInteger(items, 0);
    item.position = items.ColumnInt64(0);
    if (IsInteger(items, 1)) item.kind = ItemKindFromCode(items.ColumnInt64(1));
    item.nameIsText = IsText(items, 2);
    if (item.nameIsText) item.name = items.ColumnText(2);
    read.push_back(std::move(item));
  }
  return read;
}

std::vector<StoredValue> ReadStoredValues(sqlite::Statement& values, std::int64_t documentId) {
  Running row(values);
  row->BindInt64(1, documentId);
  std::vector<StoredValue> read;
  while (row->Step()) {
    // A position stored as anything but a whole number belongs to no item.
    if (!IsInteger(values, 0)) continue;
    StoredValue value;
    value.itemPosition = values.ColumnInt64(0);
    value.type = values.ColumnType(1);
    if (value.type == SQLITE_TEXT) {
      value.text = values.ColumnText(1);
    } else if (value.type == SQLITE_INTEGER || value.type == SQLITE_FLOAT) {
      value.integer = values.ColumnInt64(1);
      value.real = values.ColumnDouble(1);
    }
    value.offsetIsInteger = IsInteger(values, 2);
    value.offset = values.ColumnInt64(2);
    read.push_back(std::move(value));
  }
  return read;
}

std::unique_ptr<sqlite::Connection> OpenStoreForReading(const std::string& uri, bool sharedByThreads) {
  // A connection used by one thread at a time does without SQLite's own locking, which would only
  // cost time.
  auto connection = std::make_unique<sqlite::Connection>(
      uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI |
               (sharedByThreads ? SQLITE_OPEN_FULLMUTEX : SQLITE_OPEN_NOMUTEX));
  sqlite3* db = connection->get();
  // The store is data, never code: no functions with side effects run from its schema.
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kLongestValueBytes);
  return connection;
}

}  // namespace mailshift::standin
