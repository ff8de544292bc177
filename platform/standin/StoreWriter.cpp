#include "platform/standin/StoreWriter.h"

#include <cmath>
#include <stdexcept>
#include <unordered_set>

#include "platform/standin/IsoDateTime.h"
#include "platform/standin/Sqlite.h"

namespace mailshift::standin {

struct StoreWriter::Statements {
  explicit Statements(const std::filesystem::path& file)
      // An absolute name, so that it is never taken for a "file:" URI.
      : connection(std::filesystem::absolute(file).string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {}

  void Prepare() {
    sqlite3* db = connection.get();
    title = std::make_unique<sqlite::Statement>(db, "UPDATE database_info SET title = ?1 WHERE id = 1");
    document = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO documents (id, note_id, size, has_embedded, unid) VALUES (?1, ?2, 0, 0, ?3)");
    documentTotals = std::make_unique<sqlite::Statement>(
        db, "UPDATE documents SET size = ?2, has_embedded = ?3 WHERE id = ?1");
    item = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO items (document_id, position, name, type) VALUES (?1, ?2, ?3, ?4)");
    value = std::make_unique<sqlite::Statement>(
        db,
        "INSERT INTO item_values (document_id, item_position, position, value, utc_offset) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    embedded = std::make_unique<sqlite::Statement>(
        db,
        "INSERT INTO embedded_objects (document_id, item_position, position, name, type, size) "
        "VALUES (?1, ?2, ?3, ?4, ?5, 0)");
    embeddedSize =
        std::make_unique<sqlite::Statement>(db, "UPDATE embedded_objects SET size = ?2 WHERE id = ?1");
    chunk = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO embedded_content (object_id, chunk, bytes) VALUES (?1, ?2, ?3)");
    entity = std::make_unique<sqlite::Statement>(
        db,
        "INSERT INTO mime_entities (document_id, item_position, converted, parent_id, position, "
        "content_type, "
        "content_subtype, headers, size) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0)");
    entitySize = std::make_unique<sqlite::Statement>(db, "UPDATE mime_entities SET size = ?2 WHERE id = ?1");
    entityChunk = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO mime_content (entity_id, chunk, bytes) VALUES (?1, ?2, ?3)");
    details = std::make_unique<sqlite::Statement>(
        db,
        "INSERT INTO document_details (document_id, created, created_offset, encrypted, encrypted_items) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    unread = std::make_unique<sqlite::Statement>(
        db, "INSERT OR IGNORE INTO unread_marks (user, document_id) VALUES (?1, ?2)");
    view = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO views (id, name, is_folder, stored_count) VALUES (?1, ?2, ?3, ?4)");
    entry = std::make_unique<sqlite::Statement>(
        db, "INSERT INTO view_entries (view_id, position, document_id) VALUES (?1, ?2, ?3)");
  }

  // Finalizes every statement and closes the connection, reporting a failure.
  void Finish() {
    for (auto* statement : {&title, &document, &documentTotals, &item, &value, &embedded, &embeddedSize,
                            &chunk, &entity, &entitySize, &entityChunk, &details, &unread, &view, &entry}) {
      statement->reset();
    }
    connection.Close();
  }

  sqlite::Connection connection;
  std::unique_ptr<sqlite::Statement> title, document, documentTotals, item, value, embedded, embeddedSize,
      chunk, entity, entitySize, entityChunk, details, unread, view, entry;
  std::unordered_set<std::string> documentIds;
  std::unordered_set<std::string> universalIds;
};

namespace {

// The creation date a document without one of its own gets: its earliest date-time value, else
// kDefaultCreationDate. Every Notes document has one.
DateTime CreationDateOf(const std::vector<ItemSpec>& items) {
  std::optional<DateTime> earliest;
  for (const auto& item : items) {
    for (const auto& value : item.values) {
      const auto* when = std::get_if<DateTime>(&value);
      if (when != nullptr && (!earliest || when->secondsSinceEpoch < earliest->secondsSinceEpoch))
        earliest = *when;
    }
  }
  return earliest.value_or(kDefaultCreationDate);
}

// The names of the encrypted items, each followed by a line break.
std::string EncryptedItemNames(const DocumentSpec& document) {
  std::string names;
  for (const auto& item : document.items) {
    if (!item.encrypted) continue;
    if (!document.encrypted)
      throw std::invalid_argument("document " + document.id + ": item " + item.name +
                                  " is encrypted in a document that is not");
    if (item.name.find('\n') != std::string::npos)
      throw std::invalid_argument("document " + document.id +
                                  ": an encrypted item's name holds a line break");
    names += item.name + "\n";
  }
  return names;
}

// Header lines end in CR LF; a line break anywhere else would make another line.
void CheckEntity(const ItemSpec& item, const MimeEntitySpec& entity, int depth) {
  constexpr int kDeepest = 32;
  if (depth > kDeepest) throw std::invalid_argument("item " + item.name + ": MIME entities nest too deep");
  if (entity.contentType.empty() || entity.contentSubType.empty())
    throw std::invalid_argument("item " + item.name + ": a MIME entity has no type or subtype");
  if (!entity.children.empty() && entity.content)
    throw std::invalid_argument("item " + item.name + ": a MIME entity has both children and content");
  for (const auto& child : entity.children) CheckEntity(item, child, depth + 1);
}

void CheckItem(const ItemSpec& item) {
  if (item.name.empty()) throw std::invalid_argument("an item has no name");
  if (!item.embedded.empty() && item.kind != ItemKind::RichText && item.kind != ItemKind::Attachment) {
    throw std::invalid_argument("item " + item.name + ": only rich-text items hold embedded objects");
  }
  if (item.kind == ItemKind::Attachment && (item.embedded.size() != 1 || !item.values.empty())) {
    throw std::invalid_argument("item " + item.name + ": an attachment item holds exactly one file");
  }
  if (item.kind == ItemKind::MimePart && (!item.mime || !item.values.empty())) {
    throw std::invalid_argument("item " + item.name + ": a MIME item holds a root entity and no values");
  }
  if (item.mime && item.kind != ItemKind::MimePart && item.kind != ItemKind::RichText) {
    throw std::invalid_argument("item " + item.name + ": only MIME and rich-text items hold MIME entities");
  }
  if (item.mime) CheckEntity(item, *item.mime, 0);
  if (item.kind == ItemKind::RichText && item.values.size() != 1) {
    throw std::invalid_argument("item " + item.name + ": a rich-text item holds exactly one text");
  }
  for (const auto& value : item.values) {
    switch (item.kind) {
      case ItemKind::Text:
      case ItemKind::RichText:
      case ItemKind::MimePart:
      case ItemKind::Attachment:
        if (!std::holds_alternative<std::string>(value)) {
          throw std::invalid_argument("item " + item.name + ": holds a value that is not text");
        }
        break;
      case ItemKind::Number:
        if (!std::holds_alternative<double>(value) || !std::isfinite(std::get<double>(value))) {
          throw std::invalid_argument("item " + item.name + ": holds a value that is not a finite number");
        }
        break;
      case ItemKind::DateTime:
        if (!std::holds_alternative<DateTime>(value) || !IsStorableDateTime(std::get<DateTime>(value))) {
          throw std::invalid_argument("item " + item.name +
                                      ": holds a value that is not a storable date-time");
        }
        break;
    }
  }
}

}  // namespace

std::int64_t DefaultDocumentSize(const std::vector<ItemSpec>& items, std::int64_t embeddedBytes) {
  constexpr std::int64_t kNoteHeader = 256;
  constexpr std::int64_t kItemHeader = 24;
  std::int64_t size = kNoteHeader + embeddedBytes;
  for (const auto& item : items) {
    size += kItemHeader + static_cast<std::int64_t>(item.name.size());
    for (const auto& value : item.values) {
      if (const auto* text = std::get_if<std::string>(&value)) {
        size += static_cast<std::int64_t>(text->size());
      } else {
        size += 8;
      }
    }
    for (const auto& embedded : item.embedded) size += static_cast<std::int64_t>(embedded.name.size());
  }
  return size;
}

StoreWriter::StoreWriter(std::filesystem::path target)
    : file_(std::move(target)), chunk_(kContentChunkBytes) {
  try {
    statements_ = std::make_unique<Statements>(file_.path());
    const std::string setup =
        "PRAGMA page_size = 8192; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
        "PRAGMA locking_mode = EXCLUSIVE; PRAGMA cache_size = -16384;"
        "PRAGMA application_id = " +
        std::to_string(kStoreApplicationId) +
        "; PRAGMA user_version = " + std::to_string(kStoreSchemaVersion) + "; BEGIN;";
    statements_->connection.Execute(setup.c_str());
    statements_->connection.Execute(kStoreTablesSql);
    statements_->connection.Execute("INSERT INTO database_info (id, title) VALUES (1, '')");
    statements_->Prepare();
  } catch (const sqlite::Error& error) {
    statements_.reset();
    throw std::runtime_error("cannot create " + file_.target().string() + ": " + error.what());
  }
}

StoreWriter::~StoreWriter() = default;

StoreWriter::Statements& StoreWriter::Live() {
  if (!statements_) throw std::logic_error("the store is already committed");
  return *statements_;
}

void StoreWriter::SetTitle(std::string_view title) { Live().title->BindText(1, title).Run(); }

void StoreWriter::WriteContent(sqlite::Statement& chunks, std::int64_t ownerId, ContentSource& content,
                               std::int64_t& size, std::string* copy) {
  std::int64_t chunkIndex = 0;
  while (true) {
    std::size_t filled = 0;
    while (filled < chunk_.size()) {
      const std::size_t got = content.Read(std::span<char>(chunk_).subspan(filled));
      if (got == 0) break;
      filled += got;
    }
    if (filled == 0) break;
    chunks.BindInt64(1, ownerId).BindInt64(2, chunkIndex++).BindBlob(3, chunk_.data(), filled).Run();
    if (copy != nullptr) copy->append(chunk_.data(), filled);
    size += static_cast<std::int64_t>(filled);
    if (filled < chunk_.size()) break;
  }
}

std::int64_t StoreWriter::WriteEntity(std::int64_t documentKey, std::int64_t itemPosition, bool converted,
                                      std::optional<std::int64_t> parentId, std::int64_t position,
                                      MimeEntitySpec& entity, std::string* firstPlainText) {
  auto& s = Live();
  s.entity->BindInt64(1, documentKey).BindInt64(2, itemPosition).BindInt64(3, converted ? 1 : 0);
  if (parentId) s.entity->BindInt64(4, *parentId);
  s.entity->BindInt64(5, position).BindText(6, entity.contentType).BindText(7, entity.contentSubType);
  s.entity->BindText(8, entity.headers).Run();
  const std::int64_t entityId = sqlite3_last_insert_rowid(s.connection.get());
  std::int64_t size = 0;
  if (entity.content) {
    const auto lower = [](std::string text) {
      for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      return text;
    };
    const bool plainText = lower(entity.contentType) == "text" && lower(entity.contentSubType) == "plain";
    std::string* copy =
        plainText && firstPlainText != nullptr && firstPlainText->empty() ? firstPlainText : nullptr;
    WriteContent(*s.entityChunk, entityId, *entity.content, size, copy);
    s.entitySize->BindInt64(1, entityId).BindInt64(2, size).Run();
  }
  std::int64_t bytes = size;
  for (std::size_t i = 0; i < entity.children.size(); ++i) {
    bytes += WriteEntity(documentKey, itemPosition, converted, entityId, static_cast<std::int64_t>(i),
                         entity.children[i], firstPlainText);
  }
  return bytes;
}

std::int64_t StoreWriter::AddDocument(DocumentSpec document) {
  for (const auto& item : document.items) CheckItem(item);
  const std::string encryptedItems = EncryptedItemNames(document);
  if (document.size && *document.size < 0)
    throw std::invalid_argument("document " + document.id + ": negative size");
  if (!document.universalId.empty() && !IsUniversalId(document.universalId)) {
    throw std::invalid_argument("document " + document.id + ": universal id \"" + document.universalId +
                                "\" is not 32 hexadecimal digits in upper case");
  }
  auto& s = Live();
  if (s.documentIds.contains(document.id)) {
    throw std::invalid_argument("document id \"" + document.id + "\" is used twice");
  }
  if (!document.universalId.empty() && s.universalIds.contains(document.universalId)) {
    throw std::invalid_argument("universal id " + document.universalId + " is used twice");
  }
  s.documentIds.insert(document.id);
  if (!document.universalId.empty()) s.universalIds.insert(document.universalId);

  const std::int64_t key = nextDocument_++;
  s.document->BindInt64(1, key).BindText(2, document.id);
  if (!document.universalId.empty()) s.document->BindText(3, document.universalId);
  s.document->Run();
  {
    const DateTime created = document.created.value_or(CreationDateOf(document.items));
    s.details->BindInt64(1, key);
    s.details->BindInt64(2, created.secondsSinceEpoch).BindInt64(3, created.utcOffsetMinutes);
    s.details->BindInt64(4, document.encrypted ? 1 : 0).BindText(5, encryptedItems).Run();
    for (const std::string& user : document.unreadFor) s.unread->BindText(1, user).BindInt64(2, key).Run();
  }

  std::int64_t embeddedBytes = 0;
  bool anyEmbedded = false;
  for (std::size_t itemIndex = 0; itemIndex < document.items.size(); ++itemIndex) {
    auto& item = document.items[itemIndex];
    const auto itemPosition = static_cast<std::int64_t>(itemIndex);
    s.item->BindInt64(1, key).BindInt64(2, itemPosition).BindText(3, item.name);
    s.item->BindInt64(4, static_cast<int>(item.kind)).Run();
    if (item.mime) {
      // A MIME item reads, as a client that converts MIME gives it, as its first plain text.
      // A conversion is made in memory and takes no room in the document.
      std::string plainText;
      const bool stored = item.kind == ItemKind::MimePart;
      const std::int64_t bytes =
          WriteEntity(key, itemPosition, !stored, std::nullopt, 0, *item.mime, stored ? &plainText : nullptr);
      if (stored) {
        embeddedBytes += bytes;
        item.values.emplace_back(std::move(plainText));
      }
    }
    for (std::size_t valueIndex = 0; valueIndex < item.values.size(); ++valueIndex) {
      s.value->BindInt64(1, key)
          .BindInt64(2, itemPosition)
          .BindInt64(3, static_cast<std::int64_t>(valueIndex));
      const auto& value = item.values[valueIndex];
      if (const auto* text = std::get_if<std::string>(&value)) {
        s.value->BindText(4, *text);
      } else if (const auto* number = std::get_if<double>(&value)) {
        s.value->BindDouble(4, *number);
      } else {
        const auto& when = std::get<DateTime>(value);
        s.value->BindInt64(4, when.secondsSinceEpoch).BindInt64(5, when.utcOffsetMinutes);
      }
      s.value->Run();
    }
    for (std::size_t objectIndex = 0; objectIndex < item.embedded.size(); ++objectIndex) {
      auto& object = item.embedded[objectIndex];
      s.embedded->BindInt64(1, key)
          .BindInt64(2, itemPosition)
          .BindInt64(3, static_cast<std::int64_t>(objectIndex));
      s.embedded->BindText(4, object.name).BindInt64(5, object.type).Run();
      const std::int64_t objectId = sqlite3_last_insert_rowid(s.connection.get());
      std::int64_t objectSize = 0;
      if (object.content) WriteContent(*s.chunk, objectId, *object.content, objectSize);
      s.embeddedSize->BindInt64(1, objectId).BindInt64(2, objectSize).Run();
      embeddedBytes += objectSize;
      anyEmbedded = true;
    }
  }

  const std::int64_t size = document.size.value_or(DefaultDocumentSize(document.items, embeddedBytes));
  const bool hasEmbedded = document.hasEmbedded.value_or(anyEmbedded);
  s.documentTotals->BindInt64(1, key).BindInt64(2, size).BindInt64(3, hasEmbedded ? 1 : 0).Run();
  return key;
}

void StoreWriter::AddView(std::string_view name, bool folder, const std::vector<std::int64_t>& documents,
                          std::optional<std::int64_t> storedCount) {
  if (storedCount && *storedCount < 0)
    throw std::invalid_argument("view " + std::string(name) + ": negative count");
  for (const auto key : documents) {
    if (key < 1 || key >= nextDocument_) {
      throw std::invalid_argument("view " + std::string(name) + ": no document with key " +
                                  std::to_string(key));
    }
  }
  auto& s = Live();
  const std::int64_t viewId = nextView_++;
  s.view->BindInt64(1, viewId).BindText(2, name).BindInt64(3, folder ? 1 : 0);
  if (storedCount) s.view->BindInt64(4, *storedCount);
  s.view->Run();
  for (std::size_t position = 0; position < documents.size(); ++position) {
    s.entry->BindInt64(1, viewId)
        .BindInt64(2, static_cast<std::int64_t>(position))
        .BindInt64(3, documents[position]);
    s.entry->Run();
  }
}

void StoreWriter::Commit() {
  auto& s = Live();
  try {
    s.connection.Execute(kStoreIndexesSql);
    s.connection.Execute("COMMIT");
    s.Finish();
  } catch (const sqlite::Error& error) {
    throw std::runtime_error("cannot write " + file_.target().string() + ": " + error.what());
  }
  statements_.reset();
  file_.ReplaceTarget();
}

}  // namespace mailshift::standin
