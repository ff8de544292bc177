#include "notes/testing/MemoryNotes.h"

#include <algorithm>
#include <cctype>
#include <fstream>

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

class MemoryDoc : public Document {
 public:
  MemoryDoc(std::shared_ptr<MemoryDatabase> database, std::size_t index, std::size_t position)
      : database_(std::move(database)), index_(index), position_(position) {}

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
};

class MemoryViewObject : public View {
 public:
  MemoryViewObject(std::shared_ptr<MemoryDatabase> database, std::size_t index)
      : database_(std::move(database)), index_(index) {}

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
    return std::make_shared<MemoryDoc>(database_, data().documents[position], position);
  }

  std::shared_ptr<MemoryDatabase> database_;
  std::size_t index_;
};

class MemoryDb : public Database {
 public:
  explicit MemoryDb(std::shared_ptr<MemoryDatabase> data) : data_(std::move(data)) {}
  std::string Title() override {
    if (data_->failTitle) throw NotesError("Title failed");
    return data_->title;
  }
  std::vector<std::shared_ptr<View>> Views() override {
    if (data_->failViews) throw NotesError("no readable data");
    std::vector<std::shared_ptr<View>> views;
    for (std::size_t i = 0; i < data_->views.size(); ++i)
      views.push_back(std::make_shared<MemoryViewObject>(data_, i));
    return views;
  }
  std::shared_ptr<View> GetView(std::string_view name) override {
    for (std::size_t i = 0; i < data_->views.size(); ++i) {
      if (SameName(data_->views[i].name, name)) return std::make_shared<MemoryViewObject>(data_, i);
    }
    return nullptr;
  }

 private:
  std::shared_ptr<MemoryDatabase> data_;
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
    return std::make_shared<MemoryDb>(found->second);
  }

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
