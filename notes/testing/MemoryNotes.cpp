#include "notes/testing/MemoryNotes.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "notes/SessionOrigin.h"

namespace mailshift::notes::testing {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

class MemoryEmbeddedObject : public EmbeddedObject {
 public:
  explicit MemoryEmbeddedObject(MemoryEmbedded data) : data_(std::move(data)) {}
  int Type() override { return data_.type; }
  std::string Name() override { return data_.name; }
  void ExtractFile(const std::string& targetPath) override {
    if (data_.failExtract) throw NotesError("ExtractFile failed");
    std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
    if (!out) throw NotesError("cannot create " + targetPath);
    out.write(data_.bytes.data(), static_cast<std::streamsize>(data_.bytes.size()));
    if (!out) throw NotesError("cannot write " + targetPath);
  }

 private:
  MemoryEmbedded data_;
};

class MemoryRichText : public RichTextItem {
 public:
  explicit MemoryRichText(const MemoryItem& item) : item_(item) {}
  int Type() override { return item_.richText ? kRichTextItemType : 1280; }
  std::vector<std::shared_ptr<EmbeddedObject>> EmbeddedObjects() override {
    std::vector<std::shared_ptr<EmbeddedObject>> objects;
    for (const auto& embedded : item_.embedded)
      objects.push_back(std::make_shared<MemoryEmbeddedObject>(embedded));
    return objects;
  }

 private:
  MemoryItem item_;
};

class MemoryMime : public MIMEEntity {
 public:
  // The entity at path (child indexes from the root) of the shared root.
  MemoryMime(std::shared_ptr<const MemoryMimeEntity> root, std::vector<std::size_t> path)
      : root_(std::move(root)), path_(std::move(path)) {}

  std::string ContentType() override { return Data().type; }
  std::string ContentSubType() override { return Data().subType; }
  std::string Headers() override { return Data().headers; }
  std::shared_ptr<MIMEEntity> GetFirstChildEntity() override {
    if (Data().children.empty()) return nullptr;
    std::vector<std::size_t> child = path_;
    child.push_back(0);
    return std::make_shared<MemoryMime>(root_, std::move(child));
  }
  std::shared_ptr<MIMEEntity> GetNextSibling() override {
    if (path_.empty()) return nullptr;
    std::vector<std::size_t> sibling = path_;
    ++sibling.back();
    if (sibling.back() >= Parent().children.size()) return nullptr;
    return std::make_shared<MemoryMime>(root_, std::move(sibling));
  }
  std::optional<std::string> SmallContent(std::size_t most) override {
    if (Data().failContent || Data().content.size() > most) return std::nullopt;
    return Data().content;
  }
  void WriteContentToFile(const std::string& targetPath) override {
    if (Data().failContent) throw NotesError("GetContentAsBytes failed");
    std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
    out.write(Data().content.data(), static_cast<std::streamsize>(Data().content.size()));
    if (!out) throw NotesError("cannot write " + targetPath);
  }

 private:
  const MemoryMimeEntity& At(std::size_t depth) const {
    const MemoryMimeEntity* entity = root_.get();
    for (std::size_t i = 0; i < depth; ++i) entity = &entity->children.at(path_[i]);
    return *entity;
  }
  const MemoryMimeEntity& Data() const { return At(path_.size()); }
  const MemoryMimeEntity& Parent() const { return At(path_.size() - 1); }

  std::shared_ptr<const MemoryMimeEntity> root_;
  std::vector<std::size_t> path_;
};

class MemoryDoc : public Document {
 public:
  MemoryDoc(std::shared_ptr<MemoryDatabase> database, std::size_t index, std::size_t position,
            const bool* convertMime)
      : database_(std::move(database)), index_(index), position_(position), convertMime_(convertMime) {}

  const MemoryDocument& data() const { return database_->documents.at(index_); }
  std::size_t position() const { return position_; }

  ItemValues GetItemValue(std::string_view itemName) override {
    const MemoryItem* item = Find(itemName);
    if (item == nullptr) return {};
    if (item->failRead) throw NotesError("GetItemValue failed");
    return item->values;
  }
  bool hasitem(std::string_view itemName) override { return Find(itemName) != nullptr; }
  std::int64_t Size() override { return data().size; }
  bool HasEmbedded() override {
    if (data().hasEmbedded) return *data().hasEmbedded;
    return std::any_of(data().items.begin(), data().items.end(),
                       [](const MemoryItem& item) { return !item.embedded.empty(); });
  }
  std::shared_ptr<RichTextItem> GetFirstItem(std::string_view itemName) override {
    const MemoryItem* item = Find(itemName);
    if (item == nullptr) return nullptr;
    return std::make_shared<MemoryRichText>(*item);
  }
  std::string UniversalID() override {
    if (data().failUniversalId) throw NotesError("UniversalID failed");
    return data().universalId;
  }
  std::shared_ptr<MIMEEntity> GetMIMEEntity(std::string_view itemName) override {
    if (!SameName(itemName, "Body")) return nullptr;
    if (data().mimeBody && convertMime_ != nullptr && !*convertMime_)
      // Shares the document's entity (kept alive with its database) rather than copying content.
      return std::make_shared<MemoryMime>(
          std::shared_ptr<const MemoryMimeEntity>(database_, &*database_->documents.at(index_).mimeBody),
          std::vector<std::size_t>{});
    return converted_ ? std::make_shared<MemoryMime>(converted_, std::vector<std::size_t>{}) : nullptr;
  }
  void ConvertToMIME(int) override {
    if (data().cannotConvert) throw NotesError("ConvertToMIME is not a member of this client");
    const MemoryItem* body = Find("Body");
    if (body == nullptr || !body->richText) return;
    if (data().convertedBody) {
      converted_ = std::make_shared<MemoryMimeEntity>(*data().convertedBody);
      return;
    }
    const std::string text = body->values.empty() ? "" : ItemValueText(body->values.front());
    converted_ = std::make_shared<MemoryMimeEntity>(
        MemoryMimeEntity{"text", "plain", "Content-Type: text/plain; charset=UTF-8\r\n", text, {}, false});
  }
  std::vector<std::string> AttachmentNames() override {
    std::vector<std::string> names;
    for (const auto& item : data().items)
      for (const auto& object : item.embedded)
        if (object.type == kFileAttachmentType) names.push_back(object.name);
    for (const auto& file : data().filesOutsideBody) names.push_back(file.name);
    return names;
  }
  std::shared_ptr<EmbeddedObject> GetAttachment(std::string_view fileName) override {
    for (const auto& item : data().items)
      for (const auto& object : item.embedded)
        if (object.name == fileName) return std::make_shared<MemoryEmbeddedObject>(object);
    for (const auto& file : data().filesOutsideBody)
      if (file.name == fileName) return std::make_shared<MemoryEmbeddedObject>(file);
    return nullptr;
  }
  bool IsEncrypted() override { return data().encrypted; }
  DateTime Created() override { return data().created; }

 private:
  const MemoryItem* Find(std::string_view name) const {
    for (const auto& item : data().items) {
      if (SameName(item.name, name)) return &item;
    }
    return nullptr;
  }

  std::shared_ptr<MemoryDatabase> database_;
  std::size_t index_;
  std::size_t position_;
  const bool* convertMime_;
  std::shared_ptr<const MemoryMimeEntity> converted_;  // the rich text converted in memory
};

class MemoryViewObject : public View {
 public:
  MemoryViewObject(std::shared_ptr<MemoryDatabase> database, std::size_t index, const bool* convertMime)
      : database_(std::move(database)), index_(index), convertMime_(convertMime) {}

  const MemoryView& data() const { return database_->views.at(index_); }

  std::string Name() override {
    if (data().failName) throw NotesError("Name failed");
    return data().name;
  }
  bool isfolder() override { return data().folder; }
  std::int64_t AllEntriesCount() override {
    if (data().failCount) throw NotesError("AllEntries.Count failed");
    return data().count.value_or(static_cast<std::int64_t>(data().documents.size()));
  }
  std::shared_ptr<Document> GetFirstDocument() override { return At(0); }
  std::shared_ptr<Document> GetNextDocument(const std::shared_ptr<Document>& current) override {
    const auto* document = dynamic_cast<const MemoryDoc*>(current.get());
    if (document == nullptr) throw NotesError("GetNextDocument: not a document of this view");
    return At(document->position() + 1);
  }

 private:
  std::shared_ptr<Document> At(std::size_t position) {
    if (position >= data().documents.size()) return nullptr;
    return std::make_shared<MemoryDoc>(database_, data().documents[position], position, convertMime_);
  }

  std::shared_ptr<MemoryDatabase> database_;
  std::size_t index_;
  const bool* convertMime_;
};

// The unread documents of one user, in the order the database lists them.
class MemoryUnread : public DocumentCollection {
 public:
  MemoryUnread(std::shared_ptr<MemoryDatabase> database, std::vector<std::size_t> documents,
               const bool* convertMime)
      : database_(std::move(database)), documents_(std::move(documents)), convertMime_(convertMime) {}
  std::int64_t Count() override { return static_cast<std::int64_t>(documents_.size()); }
  std::shared_ptr<Document> GetFirstDocument() override { return At(0); }
  std::shared_ptr<Document> GetNextDocument(const std::shared_ptr<Document>& current) override {
    const auto* document = dynamic_cast<const MemoryDoc*>(current.get());
    if (document == nullptr) throw NotesError("GetNextDocument: not an unread document");
    return At(document->position() + 1);
  }

 private:
  std::shared_ptr<Document> At(std::size_t position) {
    if (position >= documents_.size()) return nullptr;
    return std::make_shared<MemoryDoc>(database_, documents_[position], position, convertMime_);
  }
  std::shared_ptr<MemoryDatabase> database_;
  std::vector<std::size_t> documents_;
  const bool* convertMime_;
};

class MemoryDb : public Database {
 public:
  MemoryDb(std::shared_ptr<MemoryDatabase> data, const bool* convertMime)
      : data_(std::move(data)), convertMime_(convertMime) {}
  std::string Title() override {
    if (data_->failTitle) throw NotesError("Title failed");
    return data_->title;
  }
  std::vector<std::shared_ptr<View>> Views() override {
    if (data_->viewsReadElsewhere) throw DatabaseReadElsewhere("a Notes database, read on Windows");
    if (data_->failViews) throw NotesError("no readable data");
    std::vector<std::shared_ptr<View>> views;
    for (std::size_t i = 0; i < data_->views.size(); ++i)
      views.push_back(std::make_shared<MemoryViewObject>(data_, i, convertMime_));
    return views;
  }
  std::shared_ptr<View> GetView(std::string_view name) override {
    for (std::size_t i = 0; i < data_->views.size(); ++i) {
      if (SameName(data_->views[i].name, name))
        return std::make_shared<MemoryViewObject>(data_, i, convertMime_);
    }
    return nullptr;
  }
  std::shared_ptr<DocumentCollection> GetAllUnreadDocuments(std::string_view userName) override {
    if (data_->failUnread) throw NotesError("GetAllUnreadDocuments failed");
    if (!data_->keepsReadMarks) return nullptr;
    const auto found = data_->unreadFor.find(userName);
    return std::make_shared<MemoryUnread>(
        data_, found == data_->unreadFor.end() ? std::vector<std::size_t>() : found->second, convertMime_);
  }

 private:
  std::shared_ptr<MemoryDatabase> data_;
  const bool* convertMime_;
};

}  // namespace

class MemorySession : public Session {
 public:
  explicit MemorySession(MemoryNotesClient& client) : client_(client) {}
  std::shared_ptr<Database> GetDatabase(std::string_view, std::string_view path) override {
    ++client_.getDatabaseCalls;
    const auto found = client_.databases_.find(std::string(path));
    if (found == client_.databases_.end() || client_.getDatabaseCalls == client_.failingGetDatabaseCall) {
      throw NotesError("cannot open " + std::string(path));
    }
    return std::make_shared<MemoryDb>(found->second, &client_.convertMime);
  }
  bool ConvertMIME() override { return client_.convertMime; }
  void SetConvertMIME(bool convert) override { client_.convertMime = convert; }

 private:
  MemoryNotesClient& client_;
};

MemoryDocument& MemoryDocument::Text(const std::string& name, std::vector<std::string> texts) {
  MemoryItem item{name, {}, false, {}, false};
  for (auto& text : texts) item.values.emplace_back(std::move(text));
  items.push_back(std::move(item));
  return *this;
}

MemoryDocument& MemoryDocument::Date(const std::string& name, DateTime when) {
  items.push_back(MemoryItem{name, {when}, false, {}, false});
  return *this;
}

MemoryDocument& MemoryDocument::Body(const std::string& text, std::vector<MemoryEmbedded> embedded) {
  items.push_back(MemoryItem{"Body", {text}, true, std::move(embedded), false});
  return *this;
}

std::size_t MemoryDatabase::AddDocument(MemoryDocument document) {
  documents.push_back(std::move(document));
  return documents.size() - 1;
}

MemoryView& MemoryDatabase::AddView(const std::string& name, bool folder, std::vector<std::size_t> entries) {
  views.push_back(MemoryView{name, folder, std::move(entries), std::nullopt, false, false});
  return views.back();
}

MemoryNotesClient::MemoryNotesClient() {
  classes_[std::string(kDominoSessionClass)] = ClassBehaviour::Creates;
  classes_[std::string(kNotesSessionClass)] = ClassBehaviour::Creates;
}

std::shared_ptr<Session> MemoryNotesClient::CreateObject(std::string_view className) {
  createdClasses.emplace_back(className);
  const auto found = classes_.find(className);
  if (found == classes_.end() || found->second == ClassBehaviour::Fails) {
    throw NotesError("cannot create object " + std::string(className));
  }
  if (found->second == ClassBehaviour::YieldsNothing) return nullptr;
  return std::make_shared<MemorySession>(*this);
}

void MemoryNotesClient::SetClassBehaviour(std::string_view className, ClassBehaviour behaviour) {
  classes_[std::string(className)] = behaviour;
}

MemoryDatabase& MemoryNotesClient::AddDatabase(const std::string& path) {
  auto& slot = databases_[path];
  slot = std::make_shared<MemoryDatabase>();
  return *slot;
}

}  // namespace mailshift::notes::testing
