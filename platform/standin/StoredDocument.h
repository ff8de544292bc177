// A document's items and values as the store holds them, and the reading of them: shared by the
// store reader and the thread that reads documents ahead for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/standin/StoreFormat.h"

namespace mailshift::standin {

namespace sqlite {
class BlobReader;
class Connection;
class Statement;
}  // namespace sqlite

// One row of the items table as stored.
struct StoredItem {
  std::string name;  // only names stored as text can match
  bool nameIsText = false;
  bool positionIsInteger = false;
  std::int64_t position = 0;
  std::optional<ItemKind> kind;
};

// One row of the item values as stored, checked against its item's type when it is read.
struct StoredValue {
  std::int64_t itemPosition = 0;
  int type = 0;      // SQLite's type of the value
  std::string text;  // a text value
  std::int64_t integer = 0;
  double real = 0;
  bool offsetIsInteger = false;
  std::int64_t offset = 0;
};

// A document's row of document_details as stored, checked when it is used: each column's SQLite
// type and value.
struct StoredDetails {
  bool found = false;  // the store holds a row for the document
  int createdType = 0;
  std::int64_t created = 0;
  int offsetType = 0;
  std::int64_t offset = 0;
  int encryptedType = 0;
  std::int64_t encrypted = 0;
  int encryptedItemsType = 0;
  std::string encryptedItems;
};

struct EmbeddedRecord {
  std::int64_t id = 0;
  std::string name;
  std::int64_t type = 0;
  std::int64_t size = 0;
};

// One MIME entity of an item (version 4 on).
struct MimeEntityRecord {
  std::int64_t id = 0;
  std::optional<std::int64_t> parentId;  // nothing for the root
  std::int64_t position = 0;             // among its siblings
  std::string contentType;
  std::string contentSubType;
  std::string headers;
  std::int64_t size = 0;  // bytes of its content
};

// An embedded object or a MIME entity with the item it belongs to.
struct StoredEmbedded {
  std::int64_t itemPosition = 0;
  EmbeddedRecord record;
};
struct StoredEntity {
  std::int64_t itemPosition = 0;
  bool converted = false;
  MimeEntityRecord record;
};

struct StoredDocument {
  std::vector<StoredItem> items;         // in the order of their positions
  std::vector<StoredValue> values;       // in the order of their items and positions
  std::optional<StoredDetails> details;  // nothing: not read (a store without details)
  // Every embedded object (in the order of items and positions) and every MIME entity (in the
  // order of their ids) of the document. Nothing when not read: a store without MIME entities, or
  // a row that is damaged, which the reader then reads and reports itself.
  std::optional<std::vector<StoredEmbedded>> embedded;
  std::optional<std::vector<StoredEntity>> entities;
  // The contents of the small MIME entities and embedded objects read ahead with them, by id; one
  // that is not here is read when it is asked for.
  std::unordered_map<std::int64_t, std::string> entityContents;
  std::unordered_map<std::int64_t, std::string> objectContents;
};

// The rowids of an entity's or an object's content chunks ("bytes" of mime_content or
// embedded_content), in order.
extern const char* const kEntityChunksSql;
extern const char* const kObjectChunksSql;

// The whole content of the entity or object whose chunks the statement (kEntityChunksSql or
// kObjectChunksSql) lists for ownerId, read straight from the store's pages into the string: no
// buffer of SQLite's own and no second copy. Throws sqlite::Error, also when the chunks do not come
// to size bytes.
std::string ReadChunkedContent(sqlite::Statement& chunks, sqlite::BlobReader& blob, std::int64_t ownerId,
                               std::int64_t size);

// A document's items, and its values, one query each: each lookup of an item would otherwise be
// a query, and a message reads some fifteen items of its document, most of them twice.
extern const char* const kDocumentItemsSql;
extern const char* const kDocumentValuesSql;

// The document's details (stores of version 3 on), one query: read ahead with the items, as
// every message asks whether its items can be decrypted.
extern const char* const kDocumentDetailsSql;

// All of a document's embedded objects, and all of its MIME entities (stores of version 4 on), one
// query each: read ahead with the items, as every message asks for the files of its body and for
// its body's MIME entities, and a query of the reader's own waits for the read-ahead thread's.
extern const char* const kDocumentEmbeddedSql;
extern const char* const kDocumentEntitiesSql;

// One row of kDocumentEmbeddedSql or of the reader's query of one item's objects (the same first
// columns); nothing when the row is damaged.
std::optional<EmbeddedRecord> EmbeddedFromRow(const sqlite::Statement& row);
// One row of kDocumentEntitiesSql or of the reader's query of one item's entities (the same first
// columns); nothing when the row is damaged.
std::optional<MimeEntityRecord> EntityFromRow(const sqlite::Statement& row);
// Nothing when a row is damaged.
std::optional<std::vector<StoredEmbedded>> ReadStoredEmbedded(sqlite::Statement& embedded,
                                                              std::int64_t documentId);
std::optional<std::vector<StoredEntity>> ReadStoredEntities(sqlite::Statement& entities,
                                                            std::int64_t documentId);

// Runs a statement of kDocumentItemsSql, kDocumentValuesSql or kDocumentDetailsSql for the
// document; throws sqlite::Error.
std::vector<StoredItem> ReadStoredItems(sqlite::Statement& items, std::int64_t documentId);
std::vector<StoredValue> ReadStoredValues(sqlite::Statement& values, std::int64_t documentId);
StoredDetails ReadStoredDetails(sqlite::Statement& details, std::int64_t documentId);

// Opens the store read-only, as data and never code; throws sqlite::Error.
// sharedByThreads: the connection is used by more than one thread (SQLite then serializes the
// calls); otherwise by one thread at a time.
std::unique_ptr<sqlite::Connection> OpenStoreForReading(const std::string& uri, bool sharedByThreads = false);

}  // namespace mailshift::standin
