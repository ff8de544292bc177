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

struct StoredDocument {
  std::vector<StoredItem> items;    // in the order of their positions
  std::vector<StoredValue> values;  // in the order of their items and positions
};

// A document's items, and its values, one query each: each lookup of an item would otherwise be
// a query, and a message reads some fifteen items of its document, most of them twice.
extern const char* const kDocumentItemsSql;
extern const char* const kDocumentValuesSql;

// Runs a statement of kDocumentItemsSql or kDocumentValuesSql for the document; throws
// sqlite::Error.
std::vector<StoredItem> ReadStoredItems(sqlite::Statement& items, std::int64_t documentId);
std::vector<StoredValue> ReadStoredValues(sqlite::Statement& values, std::int64_t documentId);

// Opens the store read-only, as data and never code; throws sqlite::Error.
// sharedByThreads: the connection is used by more than one thread (SQLite then serializes the
// calls); otherwise by one thread at a time.
std::unique_ptr<sqlite::Connection> OpenStoreForReading(const std::string& uri, bool sharedByThreads = false);

}  // namespace mailshift::standin
