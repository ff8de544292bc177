// Read-only access to a stand-in mail store, for the Notes objects of StandInNotesClient.
// Opening never fails: a file that cannot be read as a store gives a reader whose every
// operation throws NotesError with the reason. Statements are prepared on first use.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "notes/NotesObjects.h"
#include "platform/standin/DocumentPrefetch.h"
#include "platform/standin/StoreFormat.h"
#include "platform/standin/StoredDocument.h"

namespace mailshift::standin {

namespace sqlite {
class BlobReader;
class Connection;
class Statement;
}  // namespace sqlite

struct ViewRecord {
  std::int64_t id = 0;
  std::string name;
  bool folder = false;
  std::optional<std::int64_t> storedCount;
};

struct EntryRecord {
  std::int64_t position = 0;
  std::int64_t documentId = 0;
  std::optional<std::int64_t> size;  // nothing when the stored size is not a byte count
  bool hasEmbedded = false;
  // The universal id: "" when the store holds none; nothing when the stored one is damaged.
  std::optional<std::string> universalId;
};

struct ItemRecord {
  std::int64_t position = 0;
  ItemKind kind = ItemKind::Text;
};

// What document_details holds for a document.
struct DetailsRecord {
  std::optional<DateTime> created;          // nothing when the store holds none
  bool encrypted = false;                   // IsEncrypted
  std::vector<std::string> encryptedItems;  // the items that cannot be read
};

class StoreReader {
 public:
  static std::shared_ptr<StoreReader> Open(const std::filesystem::path& file);
  ~StoreReader();
  StoreReader(const StoreReader&) = delete;
  StoreReader& operator=(const StoreReader&) = delete;

  // "" when the file is readable as a store, otherwise why not.
  const std::string& failure() const { return failure_; }
  const std::filesystem::path& file() const { return file_; }
  // The store's format version (PRAGMA user_version); 0 when the file is no readable store.
  std::int32_t version() const { return version_; }

  std::string Title();
  std::vector<ViewRecord> Views();
  // The view of that name: spelled exactly, else with another letter case (ASCII), else with
  // other blanks around it.
  std::optional<ViewRecord> FindView(std::string_view name);
  // What AllEntries.Count reports: the stored count, else the number of entries.
  std::int64_t EntryCount(const ViewRecord& view);
  // The first entry after `position` (nothing: the first entry of the view).
  std::optional<EntryRecord> EntryAfter(std::int64_t viewId, std::optional<std::int64_t> position);
  // The documents unread for that user ("" for the database's owner), in stored order, each
  // entry's position its place in that list; nothing for a store before read marks.
  std::optional<std::vector<EntryRecord>> UnreadEntries(std::string_view user);
  std::optional<ItemRecord> FindItem(std::int64_t documentId, std::string_view name);
  // Every item of that name, in order ("$FILE" items share their name).
  std::vector<ItemRecord> FindItems(std::int64_t documentId, std::string_view name);
  notes::ItemValues Values(std::int64_t documentId, const ItemRecord& item);
  // The document's details; none stored (or a store before version 3) gives the defaults.
  DetailsRecord Details(std::int64_t documentId);
  std::vector<EmbeddedRecord> Embedded(std::int64_t documentId, std::int64_t itemPosition);
  // Streams the object's content to exactly this path; on failure no file is left there.
  void Extract(const EmbeddedRecord& object, const std::filesystem::path& target);
  // The MIME entities of the item, the root first and every parent before its children: those the
  // item is stored as, or (converted) those its rich text converts to. None before version 4.
  std::vector<MimeEntityRecord> MimeEntities(std::int64_t documentId, std::int64_t itemPosition,
                                             bool converted);
  // Streams the entity's content to exactly this path, as Extract does.
  void ExtractEntity(const MimeEntityRecord& entity, const std::filesystem::path& target);
  // The entity's content in memory, for a small one.
  std::string EntityContent(const MimeEntityRecord& entity);

  // For tools that read the store table by table (the dump): the open connection, or a throw.
  sqlite::Connection& connection();

 private:
  enum Query {
    kTitle,
    kViews,
    kFindView,
    kFindViewTrimmed,
    kLastEntry,
    kEntryAfter,
    kItems,
    kValues,
    kEmbedded,
    kContentRows,
    kDetails,
    kMimeEntities,
    kEntityContentRows,
    kQueryCount
  };

  explicit StoreReader(std::filesystem::path file);
  void CheckReadable() const;
  sqlite::Statement& Prepared(Query query);
  [[noreturn]] void Fail(const std::string& what) const;
  void ReadItemsOf(std::int64_t documentId);

  void ReadValuesOf(std::int64_t documentId);
  // Streams the chunks that the query lists (their rowids in `table`) to the target.
  void StreamChunks(Query rowsQuery, const char* table, std::int64_t ownerId, std::int64_t size,
                    const std::string& name, const std::filesystem::path& target);
  // Writes a file to exactly this path with writeContent (false: a write failed, errno says why);
  // on failure no file is left there.
  void ExtractTo(const std::filesystem::path& target, const std::string& name,
                 const std::function<bool(std::FILE*)>& writeContent);
  // Reads the entries after position into ahead_: in place of those there, or (more) after them.
  void ReadEntriesAfter(std::int64_t viewId, std::int64_t position, bool more = false);

  std::filesystem::path file_;
  std::string failure_;
  std::int32_t version_ = 0;
  std::unique_ptr<sqlite::Connection> connection_;
  std::array<std::unique_ptr<sqlite::Statement>, kQueryCount> statements_;
  // Small entity contents are read through one blob reader, kept from entity to entity.
  std::unique_ptr<sqlite::BlobReader> entityBlob_;
  // The items of the document read last, in the order of their positions.
  std::optional<std::int64_t> itemsDocument_;
  std::vector<StoredItem> items_;
  // The entries read ahead of the one returned last, with the view and position they follow: a
  // view is walked entry after entry, and one query for each costs more than the entry itself.
  static constexpr std::int64_t kEntriesReadAhead = 64;
  static constexpr std::size_t kFewestToReadAhead = 16;  // documents, for DocumentPrefetch
  struct AheadEntry {
    EntryRecord entry;
    std::string failure;  // why the entry cannot be returned; empty when it can
  };
  std::optional<std::int64_t> aheadView_;
  std::int64_t aheadAfter_ = -1;
  std::deque<AheadEntry> ahead_;
  bool aheadMayGoOn_ = false;  // the last read of entries found as many as it asked for
  // The values of the document read last, in the order of their items and positions.
  std::optional<std::int64_t> valuesDocument_;
  std::vector<StoredValue> values_;
  // The details read ahead with the items of the document read last.
  std::optional<std::int64_t> detailsDocument_;
  StoredDetails details_;
  // The embedded objects and MIME entities read ahead with the items of the document read last.
  std::optional<std::int64_t> objectsDocument_;
  std::optional<std::vector<StoredEmbedded>> embedded_;
  std::optional<std::vector<StoredEntity>> entities_;
  // The contents read ahead of that document's small entities and objects, until they are taken.
  std::unordered_map<std::int64_t, std::string> entityContents_;
  std::unordered_map<std::int64_t, std::string> objectContents_;
  // Last: its thread stops before the rest goes.
  std::unique_ptr<DocumentPrefetch> prefetch_;
};

}  // namespace mailshift::standin
