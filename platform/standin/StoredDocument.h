// A document's items and values as the store holds them, and the reading of them: shared by the
// store reader and the thread that reads documents ahead for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/standin/StoreFormat.h"

namespace mailshift::standin {

namespace sqlite {
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

struct StoredDocument {
  std::vector<StoredItem> items;         // in the order of their positions
  std::vector<StoredValue> values;       // in the order of their items and positions
  std::optional<StoredDetails> details;  // nothing: not read (a store without details)
};

// A document's items, and its values, one query each: each lookup of an item would otherwise be
// a query, and a message reads some fifteen items of its document, most of them twice.
extern const char* const kDocumentItemsSql;
extern const char* const kDocumentValuesSql;

// The document's details (stores of version 3 on), one query: read ahead with the items, as
// every message asks whether its items can be decrypted.
extern const char* const kDocumentDetailsSql;

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
