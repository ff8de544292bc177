#include "platform/standin/StoreReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_set>

#include "platform/standin/IsoDateTime.h"
#include "platform/standin/ReplacementFile.h"
#include "platform/standin/Sqlite.h"
#include "platform/standin/StoreFormat.h"

namespace mailshift::standin {
namespace {

using sqlite::IsInteger;
using sqlite::IsText;
using sqlite::Running;

using notes::NotesError;

constexpr std::int64_t kExtractBufferBytes = 256 << 10;

// A read-only, immutable URI: SQLite then takes no lock and writes no journal beside the file.
std::string ReadOnlyUri(const std::filesystem::path& file) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : std::filesystem::absolute(file).generic_string()) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri + "?mode=ro&immutable=1";
}

const char* const kQueries[] = {
    // kTitle
    "SELECT title FROM database_info WHERE id = 1",
    // kViews
    "SELECT id, name, is_folder, stored_count FROM views ORDER BY id",
    // kFindView: an exact match before one that differs in letter case only
    "SELECT id, name, is_folder, stored_count FROM views WHERE name = ?1 COLLATE NOCASE "
    "ORDER BY name = ?1 COLLATE BINARY DESC, id LIMIT 1",
    // kFindViewTrimmed: failing that, one whose name differs only by blanks around it
    "SELECT id, name, is_folder, stored_count FROM views WHERE trim(name, ' ') = trim(?1, ' ') COLLATE "
    "NOCASE "
    "ORDER BY trim(name, ' ') = trim(?1, ' ') COLLATE BINARY DESC, id LIMIT 1",
    // kLastEntry
    "SELECT max(position) FROM view_entries WHERE view_id = ?1",
    // kEntryAfter
    "SELECT e.position, e.document_id, d.id, d.size, d.has_embedded, d.unid FROM view_entries e "
    "LEFT JOIN documents d ON d.id = e.document_id "
    "WHERE e.view_id = ?1 AND e.position > ?2 ORDER BY e.position LIMIT ?3",
    // kItems, kValues: see StoredDocument.h
    kDocumentItemsSql,
    kDocumentValuesSql,
    // kEmbedded
    "SELECT id, name, type, size FROM embedded_objects WHERE document_id = ?1 AND item_position = ?2 "
    "ORDER BY position",
    // kContentRows
    kObjectChunksSql,
    // kDetails: see StoredDocument.h
    kDocumentDetailsSql,
    // kMimeEntities: ids grow from parent to child, as the writer writes them
    "SELECT id, parent_id, position, content_type, content_subtype, headers, size FROM mime_entities "
    "WHERE document_id = ?1 AND item_position = ?2 AND converted = ?3 ORDER BY id",
    // kEntityContentRows
    kEntityChunksSql,
};
static_assert(std::size(kQueries) == 13);

// kEntryAfter for stores written before documents had universal ids.
const char* const kEntryAfterWithoutUniversalIds =
    "SELECT e.position, e.document_id, d.id, d.size, d.has_embedded, NULL FROM view_entries e "
    "LEFT JOIN documents d ON d.id = e.document_id "
    "WHERE e.view_id = ?1 AND e.position > ?2 ORDER BY e.position LIMIT ?3";

}  // namespace

std::shared_ptr<StoreReader> StoreReader::Open(const std::filesystem::path& file) {
  std::shared_ptr<StoreReader> reader(new StoreReader(file));
  reader->failure_ = CheckStoreHeader(file);
  if (!reader->failure_.empty()) return reader;
  try {
    // Shared with the read-ahead thread: the one open of the store serves the whole walk.
    reader->connection_ = OpenStoreForReading(ReadOnlyUri(file), true);
    sqlite3* db = reader->connection_->get();
    // Every table must be a plain table, not a view that computes its rows.
    sqlite::Statement tables(
        db, std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ") +
                kStoreTableNamesSql);
    if (!tables.Step() || tables.ColumnInt64(0) != kStoreTableCount) {
      reader->failure_ = "not a mail store (tables missing)";
    }
    sqlite::Statement version(db, "PRAGMA user_version");
    reader->version_ = version.Step() ? static_cast<std::int32_t>(version.ColumnInt64(0)) : 0;
    if (reader->failure_.empty() && reader->version_ >= kFirstVersionWithMime) {
      sqlite::Statement mimeTables(
          db, std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ") +
                  kMimeTableNamesSql);
      if (!mimeTables.Step() || mimeTables.ColumnInt64(0) != kMimeTableCount)
        reader->failure_ = "not a mail store (tables missing)";
    }
    if (reader->failure_.empty() && reader->version_ >= kFirstVersionWithReadMarks) {
      sqlite::Statement marks(
          db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'unread_marks'");
      if (!marks.Step() || marks.ColumnInt64(0) != 1) reader->failure_ = "not a mail store (tables missing)";
    }
    if (reader->failure_.empty() && reader->version_ >= kFirstVersionWithUniversalIds) {
      sqlite::Statement column(db, "SELECT count(*) FROM pragma_table_info('documents') WHERE name = 'unid'");
      if (!column.Step() || column.ColumnInt64(0) != 1)
        reader->failure_ = "not a mail store (columns missing)";
    }
  } catch (const sqlite::Error& error) {
    reader->failure_ = std::string("damaged store (") + error.what() + ")";
  }
  if (!reader->failure_.empty()) reader->connection_.reset();
  return reader;
}

StoreReader::StoreReader(std::filesystem::path file) : file_(std::move(file)) {}

// Statements go before the connection they belong to (members are destroyed in reverse order).
StoreReader::~StoreReader() = default;

void StoreReader::CheckReadable() const {
  if (failure_ == kNotesDatabaseReason) throw notes::DatabaseReadElsewhere(file_.string() + ": " + failure_);
  if (!failure_.empty()) throw NotesError(file_.string() + ": " + failure_);
}

void StoreReader::Fail(const std::string& what) const { throw NotesError(file_.string() + ": " + what); }

sqlite::Statement& StoreReader::Prepared(Query query) {
  CheckReadable();
  auto& statement = statements_[query];
  if (!statement) {
    const char* sql = query == kEntryAfter && version_ < kFirstVersionWithUniversalIds
                          ? kEntryAfterWithoutUniversalIds
                          : kQueries[query];
    statement = std::make_unique<sqlite::Statement>(connection_->get(), sql);
  }
  return *statement;
}

sqlite::Connection& StoreReader::connection() {
  CheckReadable();
  return *connection_;
}

std::string StoreReader::Title() {
  try {
    Running row(Prepared(kTitle));
    if (!row->Step() || !IsText(*row, 0)) Fail("the store has no title");
    return row->ColumnText(0);
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

namespace {

ViewRecord ReadView(const sqlite::Statement& row, bool& damaged) {
  ViewRecord view;
  view.id = row.ColumnInt64(0);
  damaged = !IsInteger(row, 0) || !IsText(row, 1) || !IsInteger(row, 2);
  view.name = row.ColumnText(1);
  view.folder = row.ColumnInt64(2) != 0;
  if (row.ColumnType(3) != SQLITE_NULL) {
    // A stored count that is not a count is kept as -1 and refused by EntryCount.
    view.storedCount = IsInteger(row, 3) && row.ColumnInt64(3) >= 0 ? row.ColumnInt64(3) : -1;
  }
  return view;
}

}  // namespace

std::vector<ViewRecord> StoreReader::Views() {
  try {
    Running row(Prepared(kViews));
    std::vector<ViewRecord> views;
    while (row->Step()) {
      bool damaged = false;
      views.push_back(ReadView(*row, damaged));
      if (damaged) Fail("damaged view record " + std::to_string(views.size()));
    }
    return views;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

std::optional<ViewRecord> StoreReader::FindView(std::string_view name) {
  try {
    for (const Query query : {kFindView, kFindViewTrimmed}) {
      Running row(Prepared(query));
      row->BindText(1, name);
      if (!row->Step()) continue;
      bool damaged = false;
      ViewRecord view = ReadView(*row, damaged);
      if (damaged) Fail("damaged view record for \"" + std::string(name) + "\"");
      return view;
    }
    return std::nullopt;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

std::int64_t StoreReader::EntryCount(const ViewRecord& view) {
  if (view.storedCount) {
    if (*view.storedCount < 0) Fail("view \"" + view.name + "\" has a damaged entry count");
    return *view.storedCount;
  }
  try {
    Running row(Prepared(kLastEntry));
    row->BindInt64(1, view.id);
    if (!row->Step() || row->ColumnType(0) == SQLITE_NULL) return 0;
    if (!IsInteger(*row, 0)) Fail("view \"" + view.name + "\" has damaged entries");
    const std::int64_t last = row->ColumnInt64(0);
    if (last < 0) return 0;
    if (last == std::numeric_limits<std::int64_t>::max())
      Fail("view \"" + view.name + "\" has damaged entries");
    return last + 1;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

std::optional<std::vector<EntryRecord>> StoreReader::UnreadEntries(std::string_view user) {
  CheckReadable();
  if (version_ < kFirstVersionWithReadMarks) return std::nullopt;
  std::vector<EntryRecord> entries;
  try {
    sqlite::Statement rows(connection_->get(),
                           "SELECT d.id, d.size, d.has_embedded, d.unid FROM unread_marks u "
                           "JOIN documents d ON d.id = u.document_id WHERE u.user = ?1 ORDER BY d.id");
    rows.BindText(1, user);
    while (rows.Step()) {
      EntryRecord& entry = entries.emplace_back();
      entry.position = static_cast<std::int64_t>(entries.size()) - 1;
      entry.documentId = rows.ColumnInt64(0);
      if (IsInteger(rows, 1) && rows.ColumnInt64(1) >= 0) entry.size = rows.ColumnInt64(1);
      entry.hasEmbedded = IsInteger(rows, 2) && rows.ColumnInt64(2) != 0;
      if (rows.ColumnType(3) == SQLITE_NULL) {
        entry.universalId = std::string();
      } else if (IsText(rows, 3) && IsUniversalId(rows.ColumnText(3))) {
        entry.universalId = rows.ColumnText(3);
      }
    }
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
  return entries;
}

std::optional<EntryRecord> StoreReader::EntryAfter(std::int64_t viewId,
                                                   std::optional<std::int64_t> position) {
  const bool readAhead = aheadView_ == viewId && aheadAfter_ == position.value_or(-1) && !ahead_.empty();
  if (!readAhead) ReadEntriesAfter(viewId, position.value_or(-1));
  if (ahead_.empty()) return std::nullopt;
  AheadEntry next = std::move(ahead_.front());
  ahead_.pop_front();
  if (!next.failure.empty()) {
    ahead_.clear();
    Fail(next.failure);
  }
  aheadAfter_ = next.entry.position;
  // The documents before this one were passed: what was read ahead of them goes.
  if (prefetch_) prefetch_->Reached(next.entry.documentId);
  // The next entries are read while half of these are still ahead, so that their documents are
  // read ahead before the walk comes to them.
  if (aheadMayGoOn_ && ahead_.size() == kEntriesReadAhead / 2)
    ReadEntriesAfter(viewId, ahead_.back().entry.position, true);
  return std::move(next.entry);
}

void StoreReader::ReadEntriesAfter(std::int64_t viewId, std::int64_t position, bool more) {
  if (!more) {
    ahead_.clear();
    aheadView_ = viewId;
    aheadAfter_ = position;
  }
  const std::size_t before = ahead_.size();
  aheadMayGoOn_ = false;
  try {
    Running row(Prepared(kEntryAfter));
    row->BindInt64(1, viewId).BindInt64(2, position).BindInt64(3, kEntriesReadAhead);
    std::int64_t rows = 0;
    while (row->Step()) {
      ++rows;
      const auto& r = *row;
      AheadEntry& ahead = ahead_.emplace_back();
      EntryRecord& entry = ahead.entry;
      entry.position = r.ColumnInt64(0);
      if (!IsInteger(r, 0)) {
        ahead.failure = "damaged entry in view " + std::to_string(viewId);
        break;  // the entries after it cannot be told apart from it
      }
      if (r.ColumnType(2) == SQLITE_NULL) {
        ahead.failure = "entry " + std::to_string(entry.position) + " of view " + std::to_string(viewId) +
                        " names no document";
        continue;
      }
      entry.documentId = r.ColumnInt64(2);
      if (IsInteger(r, 3) && r.ColumnInt64(3) >= 0) entry.size = r.ColumnInt64(3);
      entry.hasEmbedded = IsInteger(r, 4) && r.ColumnInt64(4) != 0;
      if (r.ColumnType(5) == SQLITE_NULL) {
        entry.universalId = std::string();
      } else if (IsText(r, 5) && IsUniversalId(r.ColumnText(5))) {
        entry.universalId = r.ColumnText(5);
      }
    }
    aheadMayGoOn_ = rows == kEntriesReadAhead && ahead_.back().failure.empty();
  } catch (const sqlite::Error& error) {
    if (more) {
      // Told when the walk comes to the entries that could not be read, by the read then.
      ahead_.resize(before);
      return;
    }
    ahead_.clear();
    Fail(error.what());
  }
  // The documents of a long walk are read ahead on a thread of their own; a short walk would not
  // gain what the thread costs.
  if (!more && ahead_.size() < kFewestToReadAhead) return;
  std::vector<std::int64_t> documents;
  for (auto ahead = ahead_.begin() + static_cast<std::ptrdiff_t>(before); ahead != ahead_.end(); ++ahead) {
    if (ahead->failure.empty()) documents.push_back(ahead->entry.documentId);
  }
  if (!prefetch_) prefetch_ = std::make_unique<DocumentPrefetch>(connection_->get());
  prefetch_->Request(documents, more);
}

void StoreReader::ReadItemsOf(std::int64_t documentId) {
  itemsDocument_.reset();
  objectsDocument_.reset();
  entityContents_.clear();
  objectContents_.clear();
  if (prefetch_) {
    if (std::optional<StoredDocument> read = prefetch_->Take(documentId)) {
      embedded_ = std::move(read->embedded);
      entities_ = std::move(read->entities);
      entityContents_ = std::move(read->entityContents);
      objectContents_ = std::move(read->objectContents);
      objectsDocument_ = documentId;
      items_ = std::move(read->items);
      itemsDocument_ = documentId;
      values_ = std::move(read->values);
      valuesDocument_ = documentId;
      if (read->details) {
        details_ = std::move(*read->details);
        detailsDocument_ = documentId;
      }
      return;
    }
  }
  items_ = ReadStoredItems(Prepared(kItems), documentId);
  itemsDocument_ = documentId;
}

namespace {

// Names compare as SQLite's NOCASE does: ASCII letters in either case, all else byte for byte.
bool SameItemName(std::string_view stored, std::string_view wanted) {
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return stored.size() == wanted.size() &&
         std::equal(stored.begin(), stored.end(), wanted.begin(), [&](char a, char b) {
           return lower(static_cast<unsigned char>(a)) == lower(static_cast<unsigned char>(b));
         });
}

}  // namespace

std::optional<ItemRecord> StoreReader::FindItem(std::int64_t documentId, std::string_view name) {
  try {
    if (itemsDocument_ != documentId) ReadItemsOf(documentId);
    for (const StoredItem& item : items_) {
      if (!item.nameIsText || !SameItemName(item.name, name)) continue;
      if (!item.positionIsInteger || !item.kind)
        Fail("item \"" + std::string(name) + "\" has an unknown type");
      return ItemRecord{item.position, *item.kind};
    }
    return std::nullopt;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

std::vector<ItemRecord> StoreReader::FindItems(std::int64_t documentId, std::string_view name) {
  try {
    if (itemsDocument_ != documentId) ReadItemsOf(documentId);
    std::vector<ItemRecord> found;
    for (const StoredItem& item : items_) {
      if (!item.nameIsText || !SameItemName(item.name, name)) continue;
      if (!item.positionIsInteger || !item.kind)
        Fail("item \"" + std::string(name) + "\" has an unknown type");
      found.push_back(ItemRecord{item.position, *item.kind});
    }
    return found;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

notes::ItemValues StoreReader::Values(std::int64_t documentId, const ItemRecord& item) {
  try {
    if (itemsDocument_ != documentId) ReadItemsOf(documentId);
    if (valuesDocument_ != documentId) ReadValuesOf(documentId);
    notes::ItemValues values;
    for (const StoredValue& value : values_) {
      if (value.itemPosition != item.position) continue;
      switch (item.kind) {
        case ItemKind::Text:
        case ItemKind::RichText:
        case ItemKind::MimePart:
        case ItemKind::Attachment:
          if (value.type != SQLITE_TEXT) Fail("a text item holds a value that is not text");
          values.emplace_back(value.text);
          break;
        case ItemKind::Number:
          if (value.type != SQLITE_INTEGER && value.type != SQLITE_FLOAT)
            Fail("a number item holds a value that is not a number");
          values.emplace_back(value.real);
          break;
        case ItemKind::DateTime: {
          const DateTime when{value.integer, static_cast<std::int32_t>(value.offset)};
          if (value.type != SQLITE_INTEGER || !value.offsetIsInteger ||
              value.offset != when.utcOffsetMinutes || !IsStorableDateTime(when)) {
            Fail("a date-time item holds a value that is not a date-time");
          }
          values.emplace_back(when);
          break;
        }
      }
    }
    return values;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

void StoreReader::ReadValuesOf(std::int64_t documentId) {
  valuesDocument_.reset();
  values_ = ReadStoredValues(Prepared(kValues), documentId);
  valuesDocument_ = documentId;
}

DetailsRecord StoreReader::Details(std::int64_t documentId) {
  DetailsRecord details;
  if (version_ < kFirstVersionWithDetails) {
    CheckReadable();
    return details;
  }
  try {
    // A document's details come with its items when those were read ahead.
    if (itemsDocument_ != documentId) ReadItemsOf(documentId);
    StoredDetails stored;
    if (detailsDocument_ == documentId) {
      stored = details_;
    } else {
      stored = ReadStoredDetails(Prepared(kDetails), documentId);
    }
    if (!stored.found) return details;
    const bool createdStored = stored.createdType != SQLITE_NULL;
    if ((createdStored && (stored.createdType != SQLITE_INTEGER || stored.offsetType != SQLITE_INTEGER)) ||
        stored.encryptedType != SQLITE_INTEGER || stored.encryptedItemsType != SQLITE_TEXT)
      Fail("damaged details of document " + std::to_string(documentId));
    if (createdStored) details.created = DateTime{stored.created, static_cast<std::int32_t>(stored.offset)};
    details.encrypted = stored.encrypted != 0;
    const std::string& names = stored.encryptedItems;
    for (std::size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos; start = end + 1)
      details.encryptedItems.push_back(names.substr(start, end - start));
    return details;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

std::vector<EmbeddedRecord> StoreReader::Embedded(std::int64_t documentId, std::int64_t itemPosition) {
  std::vector<EmbeddedRecord> objects;
  if (objectsDocument_ == documentId && embedded_) {
    for (const StoredEmbedded& stored : *embedded_)
      if (stored.itemPosition == itemPosition) objects.push_back(stored.record);
    return objects;
  }
  try {
    Running row(Prepared(kEmbedded));
    row->BindInt64(1, documentId).BindInt64(2, itemPosition);
    while (row->Step()) {
      std::optional<EmbeddedRecord> object = EmbeddedFromRow(*row);
      if (!object) Fail("damaged embedded object in document " + std::to_string(documentId));
      objects.push_back(std::move(*object));
    }
    return objects;
  } catch (const sqlite::Error& error) {
    Fail(error.what());
  }
}

void StoreReader::Extract(const EmbeddedRecord& object, const std::filesystem::path& target) {
  if (auto found = objectContents_.find(object.id); found != objectContents_.end()) {
    const std::string content = std::move(found->second);
    objectContents_.erase(found);
    if (static_cast<std::int64_t>(content.size()) == object.size) {
      ExtractTo(target, object.name, [&](std::FILE* file) {
        return std::fwrite(content.data(), 1, content.size(), file) == content.size();
      });
      return;
    }
  }
  StreamChunks(kContentRows, "embedded_content", object.id, object.size, object.name, target);
}

std::vector<MimeEntityRecord> StoreReader::MimeEntities(std::int64_t documentId, std::int64_t itemPosition,
                                                        bool converted) {
  std::vector<MimeEntityRecord> entities;
  if (version_ < kFirstVersionWithMime) {
    CheckReadable();
    return entities;
  }
  if (objectsDocument_ == documentId && entities_) {
    for (const StoredEntity& stored : *entities_)
      if (stored.itemPosition == itemPosition && stored.converted == converted)
        entities.push_back(stored.record);
  } else {
    try {
      Running row(Prepared(kMimeEntities));
      row->BindInt64(1, documentId).BindInt64(2, itemPosition).BindInt64(3, converted ? 1 : 0);
      while (row->Step()) {
        std::optional<MimeEntityRecord> entity = EntityFromRow(*row);
        if (!entity) Fail("damaged MIME entity in document " + std::to_string(documentId));
        entities.push_back(std::move(*entity));
      }
    } catch (const sqlite::Error& error) {
      Fail(error.what());
    }
  }
  // The first must be the one root, and every other entity must follow its parent (so no entity
  // is its own ancestor). The ids met so far are kept in a set: one look per entity.
  std::unordered_set<std::int64_t> before;
  before.reserve(entities.size());
  for (std::size_t i = 0; i < entities.size(); ++i) {
    const bool root = !entities[i].parentId.has_value();
    if (root != (i == 0) || (!root && !before.contains(*entities[i].parentId)))
      Fail("damaged MIME entities in document " + std::to_string(documentId));
    before.insert(entities[i].id);
  }
  return entities;
}

void StoreReader::ExtractEntity(const MimeEntityRecord& entity, const std::filesystem::path& target) {
  StreamChunks(kEntityContentRows, "mime_content", entity.id, entity.size,
               entity.contentType + "/" + entity.contentSubType, target);
}

std::string StoreReader::EntityContent(const MimeEntityRecord& entity) {
  if (auto found = entityContents_.find(entity.id); found != entityContents_.end()) {
    std::string content = std::move(found->second);
    entityContents_.erase(found);
    if (static_cast<std::int64_t>(content.size()) == entity.size) return content;
  }
  try {
    if (entityBlob_ == nullptr)
      entityBlob_ = std::make_unique<sqlite::BlobReader>(connection_->get(), "mime_content");
    return ReadChunkedContent(Prepared(kEntityContentRows), *entityBlob_, entity.id, entity.size);
  } catch (const sqlite::Error& error) {
    Fail("cannot read the content of a " + entity.contentType + "/" + entity.contentSubType +
         " entity: " + error.what());
  }
}

void StoreReader::StreamChunks(Query rowsQuery, const char* table, std::int64_t ownerId, std::int64_t size,
                               const std::string& name, const std::filesystem::path& target) {
  if (size < 0) Fail("cannot extract \"" + name + "\" to " + target.string() + ": damaged size");
  ExtractTo(target, name, [&](std::FILE* file) {
    Running rows(Prepared(rowsQuery));
    rows->BindInt64(1, ownerId);
    sqlite::BlobReader blob(connection_->get(), table);
    const auto bufferBytes = static_cast<int>(std::clamp<std::int64_t>(size, 1, kExtractBufferBytes));
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(bufferBytes));
    std::int64_t written = 0;
    while (rows->Step()) {
      const int chunkBytes = blob.MoveTo(rows->ColumnInt64(0));
      if (chunkBytes > size - written) throw sqlite::Error("the content is longer than its size");
      for (int offset = 0; offset < chunkBytes;) {
        const int piece = std::min(chunkBytes - offset, bufferBytes);
        blob.Read(buffer.get(), piece, offset);
        if (std::fwrite(buffer.get(), 1, static_cast<std::size_t>(piece), file) !=
            static_cast<std::size_t>(piece))
          return false;
        offset += piece;
      }
      written += chunkBytes;
    }
    if (written != size) throw sqlite::Error("the content is shorter than its size");
    return true;
  });
}

void StoreReader::ExtractTo(const std::filesystem::path& target, const std::string& name,
                            const std::function<bool(std::FILE*)>& writeContent) {
  const std::string what = "cannot extract \"" + name + "\" to " + target.string() + ": ";
  try {
    ReplacementFile replacement(target, ReplacementFile::Opening::KeptOpen,
                                ReplacementFile::Placement::AtTargetWhenFree);
    if (!writeContent(replacement.file()) || !replacement.CloseFile()) Fail(what + std::strerror(errno));
    // An extracted attachment is read once and deleted; syncing each one would stall every file
    // the export creates after it behind a journal commit.
    replacement.ReplaceTarget(ReplacementFile::Durability::LeftToTheSystem);
  } catch (const NotesError&) {
    throw;
  } catch (const sqlite::Error& error) {
    Fail(what + error.what());
  } catch (const std::runtime_error& error) {  // the replacement file could not be created or moved
    Fail(what + error.what());
  }
}

}  // namespace mailshift::standin
