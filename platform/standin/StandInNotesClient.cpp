#include "platform/standin/StandInNotesClient.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "notes/SessionOrigin.h"
#include "platform/standin/StoreReader.h"

namespace mailshift::standin {
namespace {

using notes::NotesError;

class StandInEmbeddedObject : public notes::EmbeddedObject {
 public:
  StandInEmbeddedObject(std::shared_ptr<StoreReader> store, EmbeddedRecord record)
      : store_(std::move(store)), record_(std::move(record)) {}

  int Type() override {
    if (record_.type < std::numeric_limits<int>::min() || record_.type > std::numeric_limits<int>::max()) {
      throw NotesError("embedded object \"" + record_.name + "\" has a damaged type");
    }
    return static_cast<int>(record_.type);
  }
  std::string Name() override { return record_.name; }
  void ExtractFile(const std::string& targetPath) override {
    if (targetPath.empty()) throw NotesError("ExtractFile: no target path");
    store_->Extract(record_, targetPath);
  }

 private:
  std::shared_ptr<StoreReader> store_;
  EmbeddedRecord record_;
};

// Whether sessions convert MIME items to rich text when a document is opened
// (NotesSession.ConvertMIME); shared by a session and every object it opens.
using ConvertMimeSetting = std::shared_ptr<bool>;

class StandInItem : public notes::RichTextItem {
 public:
  StandInItem(std::shared_ptr<StoreReader> store, std::int64_t documentId, ItemRecord item,
              ConvertMimeSetting convertMime)
      : store_(std::move(store)),
        documentId_(documentId),
        item_(item),
        convertMime_(std::move(convertMime)) {}

  // A MIME item reads as rich text while the session converts MIME.
  int Type() override {
    if (item_.kind == ItemKind::MimePart && *convertMime_) return notes::kRichTextItemType;
    return static_cast<int>(item_.kind);
  }
  std::vector<std::shared_ptr<notes::EmbeddedObject>> EmbeddedObjects() override {
    std::vector<std::shared_ptr<notes::EmbeddedObject>> objects;
    if (item_.kind != ItemKind::RichText) return objects;
    for (auto& record : store_->Embedded(documentId_, item_.position)) {
      objects.push_back(std::make_shared<StandInEmbeddedObject>(store_, std::move(record)));
    }
    return objects;
  }

 private:
  std::shared_ptr<StoreReader> store_;
  std::int64_t documentId_;
  ItemRecord item_;
  ConvertMimeSetting convertMime_;
};

// An item's MIME entities with the links between them made once, so that each step of a walk
// (first child, next sibling) is one lookup however many entities there are. Siblings go in the
// order of their position, and those of one position (a damaged store) in the order stored.
class EntityTree {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  explicit EntityTree(std::vector<MimeEntityRecord> records)
      : records_(std::move(records)), nextSibling_(records_.size(), kNone) {
    std::vector<std::size_t> order;
    order.reserve(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (records_[i].parentId) order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
      const MimeEntityRecord& first = records_[a];
      const MimeEntityRecord& second = records_[b];
      if (*first.parentId != *second.parentId) return *first.parentId < *second.parentId;
      if (first.position != second.position) return first.position < second.position;
      return a < b;
    });
    for (std::size_t i = 0; i < order.size(); ++i) {
      const std::int64_t parent = *records_[order[i]].parentId;
      if (i == 0 || *records_[order[i - 1]].parentId != parent) firstChild_.emplace(parent, order[i]);
      if (i + 1 < order.size() && *records_[order[i + 1]].parentId == parent)
        nextSibling_[order[i]] = order[i + 1];
    }
  }

  bool empty() const { return records_.empty(); }
  const MimeEntityRecord& operator[](std::size_t index) const { return records_[index]; }
  std::size_t FirstChild(std::size_t index) const {
    const auto found = firstChild_.find(records_[index].id);
    return found == firstChild_.end() ? kNone : found->second;
  }
  std::size_t NextSibling(std::size_t index) const { return nextSibling_[index]; }

 private:
  std::vector<MimeEntityRecord> records_;
  std::unordered_map<std::int64_t, std::size_t> firstChild_;  // by the parent's id
  std::vector<std::size_t> nextSibling_;
};

// One entity of an item's MIME entities, which it shares with its relatives.
class StandInMimeEntity : public notes::MIMEEntity {
 public:
  StandInMimeEntity(std::shared_ptr<StoreReader> store, std::shared_ptr<const EntityTree> tree,
                    std::size_t index)
      : store_(std::move(store)), tree_(std::move(tree)), index_(index) {}

  std::string ContentType() override { return Record().contentType; }
  std::string ContentSubType() override { return Record().contentSubType; }
  std::string Headers() override { return Record().headers; }
  std::shared_ptr<notes::MIMEEntity> GetFirstChildEntity() override { return At(tree_->FirstChild(index_)); }
  std::shared_ptr<notes::MIMEEntity> GetNextSibling() override { return At(tree_->NextSibling(index_)); }
  // The content streams from the store into the file, a chunk at a time.
  void WriteContentToFile(const std::string& targetPath) override {
    if (targetPath.empty()) throw NotesError("GetContentAsBytes: no stream to write to");
    store_->ExtractEntity(Record(), std::filesystem::path(targetPath));
  }
  std::optional<std::string> SmallContent(std::size_t most) override {
    if (Record().size < 0 || static_cast<std::uint64_t>(Record().size) > most) return std::nullopt;
    return store_->EntityContent(Record());
  }

 private:
  const MimeEntityRecord& Record() const { return (*tree_)[index_]; }
  std::shared_ptr<notes::MIMEEntity> At(std::size_t index) {
    if (index == EntityTree::kNone) return nullptr;
    return std::make_shared<StandInMimeEntity>(store_, tree_, index);
  }

  std::shared_ptr<StoreReader> store_;
  std::shared_ptr<const EntityTree> tree_;
  std::size_t index_;
};

bool IsBodyName(std::string_view name) {
  return name.size() == 4 && std::equal(name.begin(), name.end(), "body", [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

// The conversion of rich text that the store holds none for: the rich text is plain text alone,
// so its conversion is one text/plain entity holding that text.
class ConvertedRichTextEntity : public notes::MIMEEntity {
 public:
  explicit ConvertedRichTextEntity(std::string text) : text_(std::move(text)) {}

  std::string ContentType() override { return "text"; }
  std::string ContentSubType() override { return "plain"; }
  std::string Headers() override { return "Content-Type: text/plain; charset=UTF-8\r\n"; }
  std::shared_ptr<notes::MIMEEntity> GetFirstChildEntity() override { return nullptr; }
  std::shared_ptr<notes::MIMEEntity> GetNextSibling() override { return nullptr; }
  void WriteContentToFile(const std::string& targetPath) override {
    std::ofstream file(std::filesystem::path(targetPath), std::ios::binary | std::ios::trunc);
    file.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    if (!file.flush()) throw NotesError("cannot write the MIME content to \"" + targetPath + "\"");
  }

 private:
  std::string text_;
};

class StandInDocument : public notes::Document {
 public:
  StandInDocument(std::shared_ptr<StoreReader> store, std::int64_t viewId, EntryRecord entry,
                  ConvertMimeSetting convertMime)
      : store_(std::move(store)), viewId_(viewId), entry_(entry), convertMime_(std::move(convertMime)) {}

  const StoreReader* store() const { return store_.get(); }
  std::int64_t viewId() const { return viewId_; }
  std::int64_t position() const { return entry_.position; }

  notes::ItemValues GetItemValue(std::string_view itemName) override {
    const auto item = store_->FindItem(entry_.documentId, itemName);
    if (!item) return {};
    CheckDecryptable(itemName);
    return store_->Values(entry_.documentId, *item);
  }
  bool hasitem(std::string_view itemName) override {
    return store_->FindItem(entry_.documentId, itemName).has_value();
  }
  std::int64_t Size() override {
    if (!entry_.size) throw NotesError("document has a damaged size");
    return *entry_.size;
  }
  bool HasEmbedded() override { return entry_.hasEmbedded; }
  std::shared_ptr<notes::RichTextItem> GetFirstItem(std::string_view itemName) override {
    const auto item = store_->FindItem(entry_.documentId, itemName);
    if (!item) return nullptr;
    return std::make_shared<StandInItem>(store_, entry_.documentId, *item, convertMime_);
  }
  std::string UniversalID() override {
    if (!entry_.universalId) throw NotesError("document has a damaged universal id");
    return *entry_.universalId;
  }
  // An item stored as MIME while the session keeps MIME; after ConvertToMIME, "Body"'s conversion.
  std::shared_ptr<notes::MIMEEntity> GetMIMEEntity(std::string_view itemName) override {
    const auto item = store_->FindItem(entry_.documentId, itemName);
    if (!item) return nullptr;
    if (item->kind == ItemKind::MimePart) {
      if (*convertMime_) return nullptr;
      CheckDecryptable(itemName);
      return RootEntity(*item, false);
    }
    if (!converted_ || !IsBodyName(itemName) || item->kind != ItemKind::RichText) return nullptr;
    if (auto root = RootEntity(*item, true)) return root;
    const notes::ItemValues values = store_->Values(entry_.documentId, *item);
    return std::make_shared<ConvertedRichTextEntity>(values.empty() ? std::string()
                                                                    : notes::ItemValueText(values.front()));
  }
  void ConvertToMIME(int conversionType) override {
    if (conversionType < notes::kConvertToPlainText || conversionType > notes::kConvertToPlainTextAndHtml)
      throw NotesError("ConvertToMIME: no conversion type " + std::to_string(conversionType));
    converted_ = RichTextBody().has_value();
    if (converted_) CheckDecryptable("Body");
  }
  // The files embedded in "Body" and those of the "$FILE" items, in that order.
  std::vector<std::string> AttachmentNames() override {
    std::vector<std::string> names;
    for (const auto& record : AttachedFiles()) names.push_back(record.name);
    return names;
  }
  std::shared_ptr<notes::EmbeddedObject> GetAttachment(std::string_view fileName) override {
    for (auto& record : AttachedFiles())
      if (record.name == fileName) return std::make_shared<StandInEmbeddedObject>(store_, std::move(record));
    return nullptr;
  }

  bool IsEncrypted() override { return Details().encrypted; }
  DateTime Created() override {
    const auto& created = Details().created;
    if (!created) throw NotesError("the document has no creation date");
    return *created;
  }

 private:
  std::vector<EmbeddedRecord> AttachedFiles() {
    std::vector<EmbeddedRecord> files;
    if (const auto body = RichTextBody()) {
      for (auto& record : store_->Embedded(entry_.documentId, body->position))
        if (record.type == notes::kFileAttachmentType) files.push_back(std::move(record));
    }
    for (const auto& item : store_->FindItems(entry_.documentId, "$FILE")) {
      if (item.kind != ItemKind::Attachment) continue;
      for (auto& record : store_->Embedded(entry_.documentId, item.position))
        files.push_back(std::move(record));
    }
    return files;
  }
  std::shared_ptr<notes::MIMEEntity> RootEntity(const ItemRecord& item, bool converted) {
    auto tree =
        std::make_shared<const EntityTree>(store_->MimeEntities(entry_.documentId, item.position, converted));
    if (tree->empty()) return nullptr;
    return std::make_shared<StandInMimeEntity>(store_, std::move(tree), 0);
  }
  void CheckDecryptable(std::string_view itemName) {
    for (const auto& name : Details().encryptedItems) {
      if (SameItemName(name, itemName))
        throw NotesError("the item " + std::string(itemName) +
                         " is encrypted and cannot be decrypted with this ID");
    }
  }
  std::optional<ItemRecord> RichTextBody() {
    auto item = store_->FindItem(entry_.documentId, "Body");
    if (!item || item->kind != ItemKind::RichText) return std::nullopt;
    return item;
  }
  // Item names match as GetItemValue matches them: ASCII letters in either case.
  static bool SameItemName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             const auto lower = [](char c) {
               return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
             };
             return lower(x) == lower(y);
           });
  }
  const DetailsRecord& Details() {
    if (!details_) details_ = store_->Details(entry_.documentId);
    return *details_;
  }

  std::shared_ptr<StoreReader> store_;
  std::int64_t viewId_;
  EntryRecord entry_;
  ConvertMimeSetting convertMime_;
  bool converted_ = false;  // the rich text was converted to MIME in memory
  std::optional<DetailsRecord> details_;
};

class StandInView : public notes::View {
 public:
  StandInView(std::shared_ptr<StoreReader> store, ViewRecord record, ConvertMimeSetting convertMime)
      : store_(std::move(store)), record_(std::move(record)), convertMime_(std::move(convertMime)) {}

  std::string Name() override { return record_.name; }
  bool isfolder() override { return record_.folder; }
  std::int64_t AllEntriesCount() override {
    if (!count_) count_ = store_->EntryCount(record_);
    return *count_;
  }
  std::shared_ptr<notes::Document> GetFirstDocument() override { return DocumentAfter(std::nullopt); }
  std::shared_ptr<notes::Document> GetNextDocument(const std::shared_ptr<notes::Document>& current) override {
    const auto* document = dynamic_cast<const StandInDocument*>(current.get());
    if (document == nullptr || document->store() != store_.get() || document->viewId() != record_.id) {
      throw NotesError("GetNextDocument: the document is not an entry of view \"" + record_.name + "\"");
    }
    return DocumentAfter(document->position());
  }

 private:
  std::shared_ptr<notes::Document> DocumentAfter(std::optional<std::int64_t> position) {
    auto entry = store_->EntryAfter(record_.id, position);
    if (!entry) return nullptr;
    return std::make_shared<StandInDocument>(store_, record_.id, *entry, convertMime_);
  }

  std::shared_ptr<StoreReader> store_;
  ViewRecord record_;
  ConvertMimeSetting convertMime_;
  std::optional<std::int64_t> count_;
};

// GetAllUnreadDocuments: the documents of the unread marks, walked in stored order.
class UnreadDocuments : public notes::DocumentCollection {
 public:
  UnreadDocuments(std::shared_ptr<StoreReader> store, std::vector<EntryRecord> entries,
                  ConvertMimeSetting convertMime)
      : store_(std::move(store)), entries_(std::move(entries)), convertMime_(std::move(convertMime)) {}

  std::int64_t Count() override { return static_cast<std::int64_t>(entries_.size()); }
  std::shared_ptr<notes::Document> GetFirstDocument() override { return At(0); }
  std::shared_ptr<notes::Document> GetNextDocument(const std::shared_ptr<notes::Document>& current) override {
    const auto* document = dynamic_cast<const StandInDocument*>(current.get());
    if (document == nullptr || document->store() != store_.get() || document->viewId() != kNoView) {
      throw NotesError("GetNextDocument: the document is not one of the unread documents");
    }
    return At(document->position() + 1);
  }

 private:
  static constexpr std::int64_t kNoView = -1;
  std::shared_ptr<notes::Document> At(std::int64_t index) {
    if (index < 0 || index >= Count()) return nullptr;
    return std::make_shared<StandInDocument>(store_, kNoView, entries_[static_cast<std::size_t>(index)],
                                             convertMime_);
  }

  std::shared_ptr<StoreReader> store_;
  std::vector<EntryRecord> entries_;
  ConvertMimeSetting convertMime_;
};

class StandInDatabase : public notes::Database {
 public:
  StandInDatabase(std::shared_ptr<StoreReader> store, ConvertMimeSetting convertMime)
      : store_(std::move(store)), convertMime_(std::move(convertMime)) {}

  std::string Title() override { return store_->Title(); }
  std::vector<std::shared_ptr<notes::View>> Views() override {
    std::vector<std::shared_ptr<notes::View>> views;
    for (auto& record : store_->Views())
      views.push_back(std::make_shared<StandInView>(store_, std::move(record), convertMime_));
    return views;
  }
  std::shared_ptr<notes::View> GetView(std::string_view name) override {
    auto record = store_->FindView(name);
    if (!record) return nullptr;
    return std::make_shared<StandInView>(store_, std::move(*record), convertMime_);
  }
  std::shared_ptr<notes::DocumentCollection> GetAllUnreadDocuments(std::string_view userName) override {
    auto entries = store_->UnreadEntries(userName);
    if (!entries) return nullptr;
    return std::make_shared<UnreadDocuments>(store_, std::move(*entries), convertMime_);
  }

 private:
  std::shared_ptr<StoreReader> store_;
  ConvertMimeSetting convertMime_;
};

class StandInSession : public notes::Session {
 public:
  std::shared_ptr<notes::Database> GetDatabase(std::string_view server, std::string_view path) override {
    if (!server.empty())
      throw NotesError("the stand-in Notes client has no servers: \"" + std::string(server) + "\"");
    return std::make_shared<StandInDatabase>(StoreReader::Open(std::filesystem::path(std::string(path))),
                                             convertMime_);
  }
  bool ConvertMIME() override { return *convertMime_; }
  void SetConvertMIME(bool convert) override { *convertMime_ = convert; }

 private:
  ConvertMimeSetting convertMime_ = std::make_shared<bool>(true);
};

}  // namespace

std::shared_ptr<notes::Session> StandInNotesClient::CreateObject(std::string_view className) {
  if (className != notes::kDominoSessionClass) {
    throw NotesError("cannot create object \"" + std::string(className) + "\": class not registered");
  }
  return std::make_shared<StandInSession>();
}

}  // namespace mailshift::standin
