#include "platform/win/ComNotesClient.h"

#include <windows.h>

#include <limits>
#include <utility>

#include "notes/SessionOrigin.h"
#include "platform/win/AutomationObject.h"
#include "platform/win/AutomationValues.h"
#include "platform/win/WideText.h"

namespace mailshift::platform::win {
namespace {

using notes::NotesError;

int SmallIntegerOf(const VARIANT& value, std::string_view what) {
  const std::int64_t number = IntegerOf(value, what);
  if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
    throw NotesError(std::string(what) + " gave a number out of range");
  }
  return static_cast<int>(number);
}

// A universal id as the program passes it on: 32 hexadecimal digits, letters in upper case. Any
// other value is no usable id.
std::string UniversalIdOf(const VARIANT& value) {
  const Variant plain = Dereferenced(value);
  if ((*plain).vt != VT_BSTR) return {};
  std::string text = TextOf(*plain, "NotesDocument.UniversalID");
  if (text.size() != 32) return {};
  for (char& c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return {};
  }
  return text;
}

class ComEmbeddedObject : public notes::EmbeddedObject {
 public:
  explicit ComEmbeddedObject(ComRef<IDispatch> object) : object_(std::move(object), "NotesEmbeddedObject") {}

  int Type() override { return SmallIntegerOf(*object_.Invoke("Type"), "NotesEmbeddedObject.Type"); }
  std::string Name() override { return TextOf(*object_.Invoke("Name"), "NotesEmbeddedObject.Name"); }
  void ExtractFile(const std::string& targetPath) override {
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Text(targetPath));
    object_.Invoke("ExtractFile", std::move(arguments));
  }

 private:
  AutomationObject object_;
};

class ComRichTextItem : public notes::RichTextItem {
 public:
  explicit ComRichTextItem(ComRef<IDispatch> object) : object_(std::move(object), "NotesRichTextItem") {}

  int Type() override { return SmallIntegerOf(*object_.Invoke("Type"), "NotesRichTextItem.Type"); }
  std::vector<std::shared_ptr<notes::EmbeddedObject>> EmbeddedObjects() override {
    const Variant result = object_.Invoke("EmbeddedObjects");
    std::vector<std::shared_ptr<notes::EmbeddedObject>> objects;
    // An item without embedded objects gives "nothing" rather than an empty array.
    if (IsNothing(*result)) return objects;
    for (const Variant& element : ElementsOf(*result, "NotesRichTextItem.EmbeddedObjects")) {
      if (auto object = ObjectOf(*element, "NotesRichTextItem.EmbeddedObjects")) {
        objects.push_back(std::make_shared<ComEmbeddedObject>(std::move(object)));
      }
    }
    return objects;
  }

 private:
  AutomationObject object_;
};

// The session a document belongs to (NotesDocument.ParentDatabase.Parent), for the session's own
// members that work on a document: streams and formula evaluation.
AutomationObject SessionOf(AutomationObject& document) {
  auto database = ObjectOf(*document.Invoke("ParentDatabase"), "NotesDocument.ParentDatabase");
  if (!database) throw NotesError("NotesDocument.ParentDatabase gave nothing");
  AutomationObject parent(std::move(database), "NotesDatabase");
  auto session = ObjectOf(*parent.Invoke("Parent"), "NotesDatabase.Parent");
  if (!session) throw NotesError("NotesDatabase.Parent gave nothing");
  return AutomationObject(std::move(session), "NotesSession");
}

std::vector<Variant> TextArguments(std::string_view text) {
  std::vector<Variant> arguments;
  arguments.push_back(Variant::Text(text));
  return arguments;
}

class ComMIMEEntity : public notes::MIMEEntity {
 public:
  ComMIMEEntity(ComRef<IDispatch> object, ComRef<IDispatch> document)
      : object_(std::move(object), "NotesMIMEEntity"), document_(std::move(document)) {}

  std::string ContentType() override {
    return TextOf(*object_.Invoke("ContentType"), "NotesMIMEEntity.ContentType");
  }
  std::string ContentSubType() override {
    return TextOf(*object_.Invoke("ContentSubType"), "NotesMIMEEntity.ContentSubType");
  }
  std::string Headers() override { return TextOf(*object_.Invoke("Headers"), "NotesMIMEEntity.Headers"); }
  std::shared_ptr<notes::MIMEEntity> GetFirstChildEntity() override { return Related("GetFirstChildEntity"); }
  std::shared_ptr<notes::MIMEEntity> GetNextSibling() override { return Related("GetNextSibling"); }

  // GetContentAsBytes into a NotesStream opened on the new file: the client writes the decoded
  // content itself, so the program never holds it.
  void WriteContentToFile(const std::string& targetPath) override {
    AutomationObject document(document_, "NotesDocument");
    AutomationObject session = SessionOf(document);
    auto created = ObjectOf(*session.Invoke("CreateStream"), "NotesSession.CreateStream");
    if (!created) throw NotesError("NotesSession.CreateStream gave nothing");
    AutomationObject stream(std::move(created), "NotesStream");
    if (!TruthOf(*stream.Invoke("Open", TextArguments(targetPath)), "NotesStream.Open"))
      throw NotesError("NotesStream.Open could not open " + targetPath);
    try {
      std::vector<Variant> arguments;
      arguments.push_back(Variant::Object(stream.get()));
      arguments.push_back(Variant::Boolean(true));  // decoded
      object_.Invoke("GetContentAsBytes", std::move(arguments));
    } catch (...) {
      stream.Invoke("Close");
      throw;
    }
    stream.Invoke("Close");
  }

 private:
  std::shared_ptr<notes::MIMEEntity> Related(std::string_view member) {
    const std::string what = "NotesMIMEEntity." + std::string(member);
    auto entity = ObjectOf(*object_.Invoke(member), what);
    if (!entity) return nullptr;
    return std::make_shared<ComMIMEEntity>(std::move(entity), document_);
  }

  AutomationObject object_;
  ComRef<IDispatch> document_;
};

class ComDocument : public notes::Document {
 public:
  explicit ComDocument(ComRef<IDispatch> object) : object_(std::move(object), "NotesDocument") {}

  IDispatch* dispatch() const { return object_.get(); }

  notes::ItemValues GetItemValue(std::string_view itemName) override {
    return ItemValuesOf(*object_.Invoke("GetItemValue", Arguments(itemName)), "NotesDocument.GetItemValue");
  }
  bool hasitem(std::string_view itemName) override {
    return TruthOf(*object_.Invoke("HasItem", Arguments(itemName)), "NotesDocument.HasItem");
  }
  std::int64_t Size() override { return IntegerOf(*object_.Invoke("Size"), "NotesDocument.Size"); }
  bool HasEmbedded() override { return TruthOf(*object_.Invoke("HasEmbedded"), "NotesDocument.HasEmbedded"); }
  std::shared_ptr<notes::RichTextItem> GetFirstItem(std::string_view itemName) override {
    auto item = ObjectOf(*object_.Invoke("GetFirstItem", Arguments(itemName)), "NotesDocument.GetFirstItem");
    if (!item) return nullptr;
    return std::make_shared<ComRichTextItem>(std::move(item));
  }
  std::string UniversalID() override {
    // A client without the member gives no id, as one that gives no usable value.
    if (!object_.HasMember("UniversalID")) return {};
    return UniversalIdOf(*object_.Invoke("UniversalID"));
  }
  // A client without MIME entities keeps every body as rich text.
  std::shared_ptr<notes::MIMEEntity> GetMIMEEntity(std::string_view itemName) override {
    if (!object_.HasMember("GetMIMEEntity")) return nullptr;
    auto entity =
        ObjectOf(*object_.Invoke("GetMIMEEntity", Arguments(itemName)), "NotesDocument.GetMIMEEntity");
    if (!entity) return nullptr;
    return std::make_shared<ComMIMEEntity>(std::move(entity), ComRef<IDispatch>::Share(object_.get()));
  }
  void ConvertToMIME(int conversionType) override {
    if (!object_.HasMember("ConvertToMIME"))
      throw NotesError("this Notes client has no ConvertToMIME (Notes 8.5.1 or later has)");
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Number(conversionType));
    object_.Invoke("ConvertToMIME", std::move(arguments));
  }
  // @AttachmentNames evaluated on the document by its session.
  std::vector<std::string> AttachmentNames() override {
    AutomationObject session = SessionOf(object_);
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Text("@AttachmentNames"));
    arguments.push_back(Variant::Object(object_.get()));
    const Variant result = session.Invoke("Evaluate", std::move(arguments));
    std::vector<std::string> names;
    for (const auto& value : ItemValuesOf(*result, "NotesSession.Evaluate(@AttachmentNames)")) {
      std::string name = notes::ItemValueText(value);
      if (!name.empty()) names.push_back(std::move(name));  // a document without files gives one ""
    }
    return names;
  }
  std::shared_ptr<notes::EmbeddedObject> GetAttachment(std::string_view fileName) override {
    auto object =
        ObjectOf(*object_.Invoke("GetAttachment", Arguments(fileName)), "NotesDocument.GetAttachment");
    if (!object) return nullptr;
    return std::make_shared<ComEmbeddedObject>(std::move(object));
  }
  bool IsEncrypted() override {
    // Clients before Release 6 have no such member and know no encrypted documents.
    if (!object_.HasMember("IsEncrypted")) return false;
    return TruthOf(*object_.Invoke("IsEncrypted"), "NotesDocument.IsEncrypted");
  }
  DateTime Created() override {
    const notes::ItemValue created = ItemValueOf(*object_.Invoke("Created"), "NotesDocument.Created");
    const auto* when = std::get_if<DateTime>(&created);
    if (when == nullptr) throw notes::NotesError("NotesDocument.Created: not a date");
    return *when;
  }

 private:
  static std::vector<Variant> Arguments(std::string_view itemName) {
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Text(itemName));
    return arguments;
  }

  AutomationObject object_;
};

std::shared_ptr<notes::Document> DocumentOrNothing(const Variant& result, std::string_view what) {
  auto object = ObjectOf(*result, what);
  if (!object) return nullptr;
  return std::make_shared<ComDocument>(std::move(object));
}

class ComView : public notes::View {
 public:
  explicit ComView(ComRef<IDispatch> object) : object_(std::move(object), "NotesView") {}

  std::string Name() override { return TextOf(*object_.Invoke("Name"), "NotesView.Name"); }
  bool isfolder() override { return TruthOf(*object_.Invoke("IsFolder"), "NotesView.IsFolder"); }
  std::int64_t AllEntriesCount() override {
    auto entries = ObjectOf(*object_.Invoke("AllEntries"), "NotesView.AllEntries");
    if (!entries) throw NotesError("NotesView.AllEntries gave nothing");
    AutomationObject collection(std::move(entries), "NotesViewEntryCollection");
    return IntegerOf(*collection.Invoke("Count"), "NotesViewEntryCollection.Count");
  }
  std::shared_ptr<notes::Document> GetFirstDocument() override {
    return DocumentOrNothing(object_.Invoke("GetFirstDocument"), "NotesView.GetFirstDocument");
  }
  std::shared_ptr<notes::Document> GetNextDocument(const std::shared_ptr<notes::Document>& current) override {
    const auto* document = dynamic_cast<const ComDocument*>(current.get());
    if (document == nullptr)
      throw NotesError("NotesView.GetNextDocument: not a document of the Notes client");
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Object(document->dispatch()));
    return DocumentOrNothing(object_.Invoke("GetNextDocument", std::move(arguments)),
                             "NotesView.GetNextDocument");
  }

 private:
  AutomationObject object_;
};

// NotesDocumentCollection (GetAllUnreadDocuments).
class ComDocumentCollection : public notes::DocumentCollection {
 public:
  explicit ComDocumentCollection(ComRef<IDispatch> object)
      : object_(std::move(object), "NotesDocumentCollection") {}

  std::int64_t Count() override {
    return IntegerOf(*object_.Invoke("Count"), "NotesDocumentCollection.Count");
  }
  std::shared_ptr<notes::Document> GetFirstDocument() override {
    return DocumentOrNothing(object_.Invoke("GetFirstDocument"), "NotesDocumentCollection.GetFirstDocument");
  }
  std::shared_ptr<notes::Document> GetNextDocument(const std::shared_ptr<notes::Document>& current) override {
    const auto* document = dynamic_cast<const ComDocument*>(current.get());
    if (document == nullptr)
      throw NotesError("NotesDocumentCollection.GetNextDocument: not a document of the Notes client");
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Object(document->dispatch()));
    return DocumentOrNothing(object_.Invoke("GetNextDocument", std::move(arguments)),
                             "NotesDocumentCollection.GetNextDocument");
  }

 private:
  AutomationObject object_;
};

class ComDatabase : public notes::Database {
 public:
  explicit ComDatabase(ComRef<IDispatch> object) : object_(std::move(object), "NotesDatabase") {}

  std::string Title() override { return TextOf(*object_.Invoke("Title"), "NotesDatabase.Title"); }
  std::vector<std::shared_ptr<notes::View>> Views() override {
    const Variant result = object_.Invoke("Views");
    if (!IsArray(*Dereferenced(*result)))
      throw NotesError("NotesDatabase.Views gave no views: no readable data");
    std::vector<std::shared_ptr<notes::View>> views;
    for (const Variant& element : ElementsOf(*result, "NotesDatabase.Views")) {
      if (auto view = ObjectOf(*element, "NotesDatabase.Views"))
        views.push_back(std::make_shared<ComView>(std::move(view)));
    }
    return views;
  }
  std::shared_ptr<notes::View> GetView(std::string_view name) override {
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Text(name));
    auto view = ObjectOf(*object_.Invoke("GetView", std::move(arguments)), "NotesDatabase.GetView");
    if (!view) return nullptr;
    return std::make_shared<ComView>(std::move(view));
  }
  // GetAllUnreadDocuments (Release 8 and later); without a user name, the current Notes ID's.
  std::shared_ptr<notes::DocumentCollection> GetAllUnreadDocuments(std::string_view userName) override {
    std::vector<Variant> arguments;
    if (!userName.empty()) arguments.push_back(Variant::Text(userName));
    auto collection = ObjectOf(*object_.Invoke("GetAllUnreadDocuments", std::move(arguments)),
                               "NotesDatabase.GetAllUnreadDocuments");
    if (!collection) return nullptr;
    return std::make_shared<ComDocumentCollection>(std::move(collection));
  }

 private:
  AutomationObject object_;
};

class ComSession : public notes::Session {
 public:
  explicit ComSession(AutomationObject object) : object_(std::move(object)) {}

  std::shared_ptr<notes::Database> GetDatabase(std::string_view server, std::string_view path) override {
    std::vector<Variant> arguments;
    arguments.push_back(Variant::Text(server));
    arguments.push_back(Variant::Text(path));
    auto database =
        ObjectOf(*object_.Invoke("GetDatabase", std::move(arguments)), "NotesSession.GetDatabase");
    if (!database) throw NotesError("NotesSession.GetDatabase gave no database for " + std::string(path));
    return std::make_shared<ComDatabase>(std::move(database));
  }
  // Clients without the property convert MIME to rich text whatever is asked.
  bool ConvertMIME() override {
    if (!object_.HasMember("ConvertMIME")) return true;
    return TruthOf(*object_.Invoke("ConvertMIME"), "NotesSession.ConvertMIME");
  }
  void SetConvertMIME(bool convert) override {
    if (object_.HasMember("ConvertMIME")) object_.SetProperty("ConvertMIME", Variant::Boolean(convert));
  }

 private:
  AutomationObject object_;
};

bool SameClassName(std::string_view a, std::string_view b) {
  const std::wstring wideA = Utf8ToWide(a);
  const std::wstring wideB = Utf8ToWide(b);
  return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::shared_ptr<notes::Session> ComNotesClient::CreateObject(std::string_view className) {
  const std::string name(className);
  const std::wstring wideName = Utf8ToWide(className);
  CLSID classId{};
  HRESULT result = CLSIDFromProgID(wideName.c_str(), &classId);
  if (FAILED(result))
    throw NotesError(ComErrorMessage(result, "the class " + name + " is not registered", "CLSIDFromProgID"));

  ComRef<IDispatch> object;
  result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(object.Receive()));
  if (FAILED(result)) throw NotesError(ComErrorMessage(result, {}, "CoCreateInstance " + name));
  if (!object) return nullptr;

  AutomationObject session(std::move(object), "NotesSession");
  // The Domino classes answer nothing before Initialize; without a password it opens the session
  // of the current Notes user (the client itself asks for the password when its ID needs one).
  if (SameClassName(className, notes::kDominoSessionClass) && session.HasMember("Initialize")) {
    session.Invoke("Initialize");
  }
  return std::make_shared<ComSession>(std::move(session));
}

}  // namespace mailshift::platform::win
