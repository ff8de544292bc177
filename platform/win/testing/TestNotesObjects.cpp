#include "platform/win/testing/TestNotesObjects.h"

#include <array>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <utility>

#include "platform/win/testing/TestNotesServerNames.h"

namespace mailshift::platform::win::testing {
namespace {

using FixturePtr = std::shared_ptr<const Fixture>;

// Whether the session converts MIME items to rich text when a document is opened
// (NotesSession.ConvertMIME, true at first); shared by a session and every object it opens.
using ConvertMimeSetting = std::shared_ptr<bool>;

[[noreturn]] void Raise(const std::wstring& description) { throw ComFault{kTestNotesErrorCode, description}; }

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

Variant ShortResult(int number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;
  value.iVal = static_cast<SHORT>(number);
  return Variant::Adopt(value);
}

Variant LongResult(std::int64_t number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = static_cast<LONG>(number);
  return Variant::Adopt(value);
}

// The DATE of an instant in this machine's local time, as the Notes client gives date-times.
Variant DateResult(const DateTime& when) {
  const std::int64_t ticks = (when.secondsSinceEpoch + 11644473600) * 10000000;
  FILETIME utcFile{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  double date = 0;
  if (!FileTimeToSystemTime(&utcFile, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
      !SystemTimeToVariantTime(&local, &date)) {
    Raise(L"date-time out of range");
  }
  return Variant::Date(date);
}

class EmbeddedObjectServer : public DispatchObject {
 public:
  EmbeddedObjectServer(FixturePtr fixture, const FixtureEmbedded& data)
      : DispatchObject(L"NotesEmbeddedObject"), fixture_(std::move(fixture)), data_(data) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Type", L"Name", L"ExtractFile", L"FileSize"};
    return members;
  }
  const Faults* MemberFaults() const override { return &data_.faults; }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0:
        return ShortResult(data_.type);
      case 1:
        return TextResult(data_.name);
      case 2: {
        ExpectArguments(arguments, 1, 1);
        const std::wstring path = TextArgument(arguments, 0, L"ExtractFile");
        std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
        if (!out) Raise(L"Cannot write file " + path);
        out.write(data_.bytes.data(), static_cast<std::streamsize>(data_.bytes.size()));
        if (!out) Raise(L"Cannot write file " + path);
        return Variant();
      }
      default:
        return LongResult(static_cast<std::int64_t>(data_.bytes.size()));
    }
  }

 private:
  FixturePtr fixture_;
  const FixtureEmbedded& data_;
};

class ItemServer : public DispatchObject {
 public:
  // A MIME item reads as rich text while the session converts MIME.
  ItemServer(FixturePtr fixture, const FixtureItem& data, bool mimeAsRichText)
      : DispatchObject(data.kind == ItemKind::RichText || mimeAsRichText ? L"NotesRichTextItem"
                                                                         : L"NotesItem"),
        fixture_(std::move(fixture)),
        data_(data),
        richText_(data.kind == ItemKind::RichText || (data.kind == ItemKind::MimePart && mimeAsRichText)) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> richText{L"Type", L"Name", L"Text", L"EmbeddedObjects"};
    static const std::vector<std::wstring> plain{L"Type", L"Name", L"Text"};
    return richText_ ? richText : plain;
  }
  const Faults* MemberFaults() const override { return &data_.faults; }
  Variant Run(std::size_t member, const std::vector<Variant>&) override {
    switch (member) {
      case 0:
        return ShortResult(TypeNumber());
      case 1:
        return TextResult(data_.name);
      case 2:
        return TextResult(data_.texts.empty() ? std::wstring() : data_.texts.front());
      default: {
        // Like the Notes client: "nothing" rather than an empty array when there is no object.
        if (data_.embedded.empty()) return Variant();
        std::vector<Variant> objects;
        for (const auto& embedded : data_.embedded) {
          objects.push_back(ObjectResult(new EmbeddedObjectServer(fixture_, embedded)));
        }
        return ArrayResult(std::move(objects));
      }
    }
  }

 private:
  int TypeNumber() const {
    if (richText_) return 1;
    switch (data_.kind) {
      case ItemKind::RichText:
        return 1;
      case ItemKind::MimePart:
        return 25;
      case ItemKind::Number:
        return 768;
      case ItemKind::DateTime:
        return 1024;
      default:
        return 1280;
    }
  }

  FixturePtr fixture_;
  const FixtureItem& data_;
  bool richText_;
};

// The test client's rich text is plain text alone: its conversion to MIME is one text/plain
// entity.
class ConvertedTextEntityServer : public DispatchObject {
 public:
  ConvertedTextEntityServer() : DispatchObject(L"NotesMIMEEntity") {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"ContentType", L"ContentSubType", L"Headers",
                                                   L"GetFirstChildEntity", L"GetNextSibling"};
    return members;
  }
  Variant Run(std::size_t member, const std::vector<Variant>&) override {
    switch (member) {
      case 0:
        return TextResult(L"text");
      case 1:
        return TextResult(L"plain");
      case 2:
        return TextResult(L"Content-Type: text/plain; charset=UTF-8\r\n");
      default:
        return ObjectResult(nullptr);
    }
  }
};

// A NotesStream as the program uses it: opened on a file, written by GetContentAsBytes, closed.
class StreamServer : public DispatchObject {
 public:
  StreamServer() : DispatchObject(L"NotesStream") {}

  // Writes bytes at the end of the open file.
  void Write(const std::string& bytes) {
    if (path_.empty()) Raise(L"The stream is not open");
    std::ofstream out(std::filesystem::path(path_), std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Raise(L"Cannot write file " + path_);
  }

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Open", L"Close"};
    return members;
  }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    if (member == 1) {
      path_.clear();
      return Variant();
    }
    ExpectArguments(arguments, 1, 2);
    path_ = TextArgument(arguments, 0, L"Open");
    // Like the Notes client, Open makes the file when it is not there and reports whether it could.
    std::ofstream out(std::filesystem::path(path_), std::ios::binary | std::ios::app);
    if (!out) path_.clear();
    return BoolResult(!path_.empty());
  }

 private:
  std::wstring path_;
};

// One MIME entity of the fixture; its parent (null for the root) gives its siblings.
class MimeEntityServer : public DispatchObject {
 public:
  MimeEntityServer(FixturePtr fixture, const FixtureMimeEntity& data, const FixtureMimeEntity* parent,
                   std::size_t index)
      : DispatchObject(L"NotesMIMEEntity"),
        fixture_(std::move(fixture)),
        data_(data),
        parent_(parent),
        index_(index) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"ContentType",    L"ContentSubType",
                                                   L"Headers",        L"GetFirstChildEntity",
                                                   L"GetNextSibling", L"GetContentAsBytes"};
    return members;
  }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0:
        return TextResult(data_.contentType);
      case 1:
        return TextResult(data_.contentSubType);
      case 2:
        return TextResult(data_.headers);
      case 3:
        if (data_.children.empty()) return ObjectResult(nullptr);
        return ObjectResult(new MimeEntityServer(fixture_, data_.children.front(), &data_, 0));
      case 4:
        if (parent_ == nullptr || index_ + 1 >= parent_->children.size()) return ObjectResult(nullptr);
        return ObjectResult(
            new MimeEntityServer(fixture_, parent_->children[index_ + 1], parent_, index_ + 1));
      default: {
        ExpectArguments(arguments, 1, 2);
        const VARIANT& argument = *arguments[0];
        auto* stream = argument.vt == VT_DISPATCH
                           ? dynamic_cast<StreamServer*>(DispatchObject::Recognise(argument.pdispVal))
                           : nullptr;
        if (stream == nullptr) Raise(L"Invalid object type for method argument");
        stream->Write(data_.content);
        return Variant();
      }
    }
  }

 private:
  FixturePtr fixture_;
  const FixtureMimeEntity& data_;
  const FixtureMimeEntity* parent_;
  std::size_t index_;
};

DispatchObject* NewDatabaseServer(FixturePtr fixture, SessionKind kind, ConvertMimeSetting convertMime);
DispatchObject* NewSessionServer(SessionKind kind, ConvertMimeSetting convertMime);

class DocumentServer : public DispatchObject {
 public:
  DocumentServer(FixturePtr fixture, std::size_t view, std::size_t position, SessionKind kind,
                 ConvertMimeSetting convertMime)
      : DispatchObject(L"NotesDocument"),
        fixture_(std::move(fixture)),
        view_(view),
        position_(position),
        kind_(kind),
        convertMime_(std::move(convertMime)) {}

  std::size_t view() const { return view_; }
  std::size_t position() const { return position_; }
  const Fixture* fixture() const { return fixture_.get(); }

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"GetItemValue",   L"HasItem",       L"Size",
                                                   L"HasEmbedded",    L"GetFirstItem",  L"UniversalID",
                                                   L"GetMIMEEntity",  L"ConvertToMIME", L"GetAttachment",
                                                   L"ParentDatabase", L"IsEncrypted",   L"Created"};
    return members;
  }
  const Faults* MemberFaults() const override { return &Data().faults; }
  bool Lacks(const std::wstring& member) const override {
    return fixture_->documentsWithout.contains(LowerName(member));
  }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0: {
        ExpectArguments(arguments, 1, 1);
        return ItemValue(Find(TextArgument(arguments, 0, L"GetItemValue")));
      }
      case 1:
        ExpectArguments(arguments, 1, 1);
        return BoolResult(Find(TextArgument(arguments, 0, L"HasItem")) != nullptr);
      case 2:
        return LongResult(Data().size);
      case 3:
        return BoolResult(Data().hasEmbedded);
      case 4: {
        ExpectArguments(arguments, 1, 1);
        const FixtureItem* item = Find(TextArgument(arguments, 0, L"GetFirstItem"));
        return ObjectResult(item == nullptr ? nullptr : new ItemServer(fixture_, *item, *convertMime_));
      }
      case 5: {
        const FixtureUniversalId& id = Data().universalId;
        return id.number ? Variant::Number(*id.number) : TextResult(id.text);
      }
      case 6: {
        // An item stored as MIME while the session keeps MIME; after ConvertToMIME, the
        // conversion of "Body".
        ExpectArguments(arguments, 0, 1);
        const std::wstring name = arguments.empty() ? L"Body" : TextArgument(arguments, 0, L"GetMIMEEntity");
        const FixtureItem* item = Find(name);
        if (item == nullptr) return ObjectResult(nullptr);
        if (item->kind == ItemKind::MimePart) {
          if (*convertMime_) return ObjectResult(nullptr);
          CheckDecryptable(name);
          return ObjectResult(new MimeEntityServer(fixture_, *item->mime, nullptr, 0));
        }
        if (!converted_ || !SameName(name, L"Body") || item->kind != ItemKind::RichText)
          return ObjectResult(nullptr);
        if (item->mime) return ObjectResult(new MimeEntityServer(fixture_, *item->mime, nullptr, 0));
        return ObjectResult(new ConvertedTextEntityServer());
      }
      case 7: {
        ExpectArguments(arguments, 0, 2);
        const FixtureItem* body = Find(L"Body");
        converted_ = body != nullptr && body->kind == ItemKind::RichText;
        if (converted_) CheckDecryptable(L"Body");
        return Variant();
      }
      case 8: {
        ExpectArguments(arguments, 1, 1);
        const std::wstring name = TextArgument(arguments, 0, L"GetAttachment");
        for (const auto& item : Data().items)
          for (const auto& embedded : item.embedded)
            if (embedded.type == 1454 && embedded.name == name)
              return ObjectResult(new EmbeddedObjectServer(fixture_, embedded));
        for (const auto& file : Data().files)
          if (file.name == name) return ObjectResult(new EmbeddedObjectServer(fixture_, file));
        return ObjectResult(nullptr);
      }
      case 9:
        return ObjectResult(NewDatabaseServer(fixture_, kind_, convertMime_));
      case 10:
        return BoolResult(Data().encrypted);
      default:
        if (!Data().created) Raise(L"Notes error: the document has no creation date");
        return DateResult(*Data().created);
    }
  }

 public:
  // What @AttachmentNames gives for the document: every attached file's name.
  std::vector<std::wstring> AttachmentNames() const {
    std::vector<std::wstring> names;
    for (const auto& item : Data().items)
      for (const auto& embedded : item.embedded)
        if (embedded.type == 1454) names.push_back(embedded.name);
    for (const auto& file : Data().files) names.push_back(file.name);
    return names;
  }

 private:
  // An item encrypted for another ID cannot be read as MIME either.
  void CheckDecryptable(const std::wstring& name) const {
    if (const Fault* fault = FindFault(Data().faults, L"GetItemValue", &name))
      throw ComFault{fault->code, fault->description, fault->raised};
  }

  const FixtureDocument& Data() const { return fixture_->documents[List().documents[position_]]; }
  // The view the document was reached through, or the unread documents of a user (unread_).
  const FixtureView& List() const { return unread_ ? *unread_ : fixture_->views[view_]; }

  const FixtureItem* Find(const std::wstring& name) const {
    for (const auto& item : Data().items) {
      if (SameName(item.name, name)) return &item;
    }
    return nullptr;
  }

  // Like the Notes client, an item that does not exist reads as one empty text.
  static Variant ItemValue(const FixtureItem* item) {
    std::vector<Variant> values;
    if (item == nullptr) {
      values.push_back(TextResult(L""));
    } else {
      for (const auto& text : item->texts) values.push_back(TextResult(text));
      for (const double number : item->numbers) values.push_back(Variant::Number(number));
      for (const auto& when : item->dates) values.push_back(DateResult(when));
    }
    return ArrayResult(std::move(values));
  }

  FixturePtr fixture_;
  std::size_t view_;
  std::size_t position_;
  SessionKind kind_;
  ConvertMimeSetting convertMime_;
  bool converted_ = false;  // ConvertToMIME was called

 public:
  const FixtureView* unread_ = nullptr;
};

// GetAllUnreadDocuments: a NotesDocumentCollection over a user's unread documents.
class UnreadCollectionServer : public DispatchObject {
 public:
  UnreadCollectionServer(FixturePtr fixture, const FixtureView* list, SessionKind kind,
                         ConvertMimeSetting convertMime)
      : DispatchObject(L"NotesDocumentCollection"),
        fixture_(std::move(fixture)),
        list_(list),
        kind_(kind),
        convertMime_(std::move(convertMime)) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Count", L"GetFirstDocument", L"GetNextDocument"};
    return members;
  }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0:
        return LongResult(list_ ? static_cast<std::int64_t>(list_->documents.size()) : 0);
      case 1:
        return At(0);
      default: {
        ExpectArguments(arguments, 1, 1);
        const VARIANT& argument = *arguments[0];
        auto* document = argument.vt == VT_DISPATCH
                             ? dynamic_cast<DocumentServer*>(DispatchObject::Recognise(argument.pdispVal))
                             : nullptr;
        if (document == nullptr || document->unread_ != list_) Raise(L"Document is not in this collection");
        return At(document->position() + 1);
      }
    }
  }

 private:
  Variant At(std::size_t position) {
    if (list_ == nullptr || position >= list_->documents.size()) return ObjectResult(nullptr);
    auto* document = new DocumentServer(fixture_, 0, position, kind_, convertMime_);
    document->unread_ = list_;
    return ObjectResult(document);
  }

  FixturePtr fixture_;
  const FixtureView* list_;
  SessionKind kind_;
  ConvertMimeSetting convertMime_;
};

class EntryCollectionServer : public DispatchObject {
 public:
  EntryCollectionServer(FixturePtr fixture, std::int64_t count, const Faults& faults)
      : DispatchObject(L"NotesViewEntryCollection"),
        fixture_(std::move(fixture)),
        count_(count),
        faults_(faults) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Count"};
    return members;
  }
  // The view's fault for "Count" belongs here.
  const Faults* MemberFaults() const override { return &faults_; }
  Variant Run(std::size_t, const std::vector<Variant>&) override { return LongResult(count_); }

 private:
  FixturePtr fixture_;
  std::int64_t count_;
  const Faults& faults_;
};

class ViewServer : public DispatchObject {
 public:
  ViewServer(FixturePtr fixture, std::size_t view, SessionKind kind, ConvertMimeSetting convertMime)
      : DispatchObject(L"NotesView"),
        fixture_(std::move(fixture)),
        view_(view),
        kind_(kind),
        convertMime_(std::move(convertMime)) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Name", L"IsFolder", L"AllEntries", L"GetFirstDocument",
                                                   L"GetNextDocument"};
    return members;
  }
  const Faults* MemberFaults() const override { return &Data().faults; }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0:
        return TextResult(Data().name);
      case 1:
        return BoolResult(Data().folder);
      case 2: {
        const auto count = Data().count.value_or(static_cast<std::int64_t>(Data().documents.size()));
        return ObjectResult(new EntryCollectionServer(fixture_, count, Data().faults));
      }
      case 3:
        return At(0);
      default: {
        ExpectArguments(arguments, 1, 1);
        const VARIANT& argument = *arguments[0];
        auto* document = argument.vt == VT_DISPATCH
                             ? dynamic_cast<DocumentServer*>(DispatchObject::Recognise(argument.pdispVal))
                             : nullptr;
        if (document == nullptr) Raise(L"Invalid object type for method argument");
        if (document->fixture() != fixture_.get() || document->view() != view_) {
          Raise(L"Document is not in this view");
        }
        return At(document->position() + 1);
      }
    }
  }

 private:
  const FixtureView& Data() const { return fixture_->views[view_]; }
  Variant At(std::size_t position) {
    if (position >= Data().documents.size()) return ObjectResult(nullptr);
    return ObjectResult(new DocumentServer(fixture_, view_, position, kind_, convertMime_));
  }

  FixturePtr fixture_;
  std::size_t view_;
  SessionKind kind_;
  ConvertMimeSetting convertMime_;
};

class DatabaseServer : public DispatchObject {
 public:
  // A null fixture is a database that could not be opened.
  DatabaseServer(FixturePtr fixture, SessionKind kind, ConvertMimeSetting convertMime)
      : DispatchObject(L"NotesDatabase"),
        fixture_(std::move(fixture)),
        kind_(kind),
        convertMime_(std::move(convertMime)) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"Title",  L"Views",  L"GetView",
                                                   L"IsOpen", L"Parent", L"GetAllUnreadDocuments"};
    return members;
  }
  const Faults* MemberFaults() const override { return fixture_ ? &fixture_->faults : nullptr; }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    switch (member) {
      case 0:
        return TextResult(fixture_ ? fixture_->title : std::wstring());
      case 1: {
        if (!fixture_) return Variant();
        std::vector<Variant> views;
        for (std::size_t i = 0; i < fixture_->views.size(); ++i)
          views.push_back(ObjectResult(new ViewServer(fixture_, i, kind_, convertMime_)));
        return ArrayResult(std::move(views));
      }
      case 2: {
        ExpectArguments(arguments, 1, 1);
        const std::wstring name = TextArgument(arguments, 0, L"GetView");
        if (!fixture_) Raise(L"Database has not been opened yet");
        const auto found = FindView(name);
        return ObjectResult(found ? new ViewServer(fixture_, *found, kind_, convertMime_) : nullptr);
      }
      case 3:
        return BoolResult(fixture_ != nullptr);
      case 4:
        return ObjectResult(NewSessionServer(kind_, convertMime_));
      default: {
        // The optional user name; without one, the current ID's (the owner's) marks.
        ExpectArguments(arguments, 0, 1);
        if (!fixture_) Raise(L"Database has not been opened yet");
        const std::wstring user = arguments.empty()
                                      ? std::wstring()
                                      : LowerName(TextArgument(arguments, 0, L"GetAllUnreadDocuments"));
        const auto found = fixture_->unreadFor.find(user);
        return ObjectResult(new UnreadCollectionServer(
            fixture_, found == fixture_->unreadFor.end() ? nullptr : &found->second, kind_, convertMime_));
      }
    }
  }

 private:
  // As the program's stand-in finds views: the exact spelling, else another letter case, else
  // other blanks around the whole name (a folder tag is the trimmed folder name).
  std::optional<std::size_t> FindView(const std::wstring& name) const {
    const auto& views = fixture_->views;
    const std::wstring trimmed = TrimBlanks(name);
    const std::array<std::function<bool(const std::wstring&)>, 4> rules{
        [&](const std::wstring& view) { return view == name; },
        [&](const std::wstring& view) { return SameName(view, name); },
        [&](const std::wstring& view) { return TrimBlanks(view) == trimmed; },
        [&](const std::wstring& view) { return SameName(TrimBlanks(view), trimmed); }};
    for (const auto& rule : rules) {
      for (std::size_t i = 0; i < views.size(); ++i) {
        if (rule(views[i].name)) return i;
      }
    }
    return std::nullopt;
  }

  static std::wstring TrimBlanks(const std::wstring& text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
  }

  FixturePtr fixture_;
  SessionKind kind_;
  ConvertMimeSetting convertMime_;
};

// The fixture of a file, read again only when the file changes: the program opens the database
// anew for every folder it counts or lists.
FixturePtr CachedFixture(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
    throw std::runtime_error("fixture: cannot open it");
  }
  auto stamp =
      std::make_tuple(attributes.ftLastWriteTime.dwHighDateTime, attributes.ftLastWriteTime.dwLowDateTime,
                      attributes.nFileSizeHigh, attributes.nFileSizeLow);
  static std::mutex lock;
  static std::map<std::wstring, std::pair<std::tuple<DWORD, DWORD, DWORD, DWORD>, FixturePtr>> cache;
  const std::lock_guard<std::mutex> guard(lock);
  const auto found = cache.find(path);
  if (found != cache.end() && found->second.first == stamp) return found->second.second;
  FixturePtr fixture = LoadFixture(path);
  cache[path] = {stamp, fixture};
  return fixture;
}

bool FaultRequested(const wchar_t* what) {
  wchar_t value[64] = {};
  const DWORD length = GetEnvironmentVariableW(kTestServerFaultVariable, value, 64);
  return length > 0 && length < 64 && SameName(value, what);
}

class SessionServer : public DispatchObject {
 public:
  SessionServer(SessionKind kind, ConvertMimeSetting convertMime)
      : DispatchObject(L"NotesSession"), kind_(kind), convertMime_(std::move(convertMime)) {}

 protected:
  const std::vector<std::wstring>& Members() const override {
    static const std::vector<std::wstring> members{L"GetDatabase", L"Initialize", L"Evaluate",
                                                   L"CreateStream", L"ConvertMIME"};
    return members;
  }
  HRESULT Put(std::size_t member, const VARIANT& value) override {
    if (member != 4) return DISP_E_MEMBERNOTFOUND;
    VARIANT given = value;  // a shallow copy: VariantChangeType reads it and changes nothing of it
    VARIANT truth;
    VariantInit(&truth);
    if (FAILED(VariantChangeType(&truth, &given, 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
    *convertMime_ = truth.boolVal != VARIANT_FALSE;
    return S_OK;
  }
  Variant Run(std::size_t member, const std::vector<Variant>& arguments) override {
    if (member == 4) return BoolResult(*convertMime_);
    if (member == 3) return ObjectResult(new StreamServer());
    if (member == 2) return Evaluate(arguments);
    if (member == 1) {
      if (kind_ == SessionKind::Notes) Raise(L"Initialize is not a member of this session class");
      if (!arguments.empty()) Raise(L"A password was passed to Initialize");
      if (FaultRequested(L"Initialize")) Raise(L"Could not open the ID file");
      initialized_ = true;
      return Variant();
    }
    ExpectArguments(arguments, 2, 2);
    const std::wstring server = TextArgument(arguments, 0, L"GetDatabase");
    const std::wstring path = TextArgument(arguments, 1, L"GetDatabase");
    if (kind_ == SessionKind::Domino && !initialized_) Raise(L"Notes session is not initialized");
    if (!server.empty()) Raise(L"Unable to find path to server " + server);
    FixturePtr fixture;
    try {
      fixture = CachedFixture(path);
    } catch (const std::exception&) {
      return ObjectResult(
          new DatabaseServer(nullptr, kind_, convertMime_));  // not open, as for a file Notes cannot read
    }
    if (const Fault* fault = FindFault(fixture->faults, L"GetDatabase", nullptr)) {
      throw ComFault{fault->code, fault->description, fault->raised};
    }
    return ObjectResult(new DatabaseServer(std::move(fixture), kind_, convertMime_));
  }

 private:
  // The one formula the program evaluates: @AttachmentNames on a document, which gives one ""
  // for a document without files, as the Notes client does.
  static Variant Evaluate(const std::vector<Variant>& arguments) {
    ExpectArguments(arguments, 2, 2);
    if (TextArgument(arguments, 0, L"Evaluate") != L"@AttachmentNames") Raise(L"Formula not understood");
    const VARIANT& argument = *arguments[1];
    const auto* document = argument.vt == VT_DISPATCH
                               ? dynamic_cast<DocumentServer*>(DispatchObject::Recognise(argument.pdispVal))
                               : nullptr;
    if (document == nullptr) Raise(L"Invalid object type for method argument");
    std::vector<Variant> names;
    for (const auto& name : document->AttachmentNames()) names.push_back(TextResult(name));
    if (names.empty()) names.push_back(TextResult(L""));
    return ArrayResult(std::move(names));
  }

  SessionKind kind_;
  ConvertMimeSetting convertMime_;
  bool initialized_ = false;
};

DispatchObject* NewDatabaseServer(FixturePtr fixture, SessionKind kind, ConvertMimeSetting convertMime) {
  return new DatabaseServer(std::move(fixture), kind, std::move(convertMime));
}

DispatchObject* NewSessionServer(SessionKind kind, ConvertMimeSetting convertMime) {
  return new SessionServer(kind, std::move(convertMime));
}

}  // namespace

DispatchObject* NewTestSession(SessionKind kind) {
  return new SessionServer(kind, std::make_shared<bool>(true));
}

}  // namespace mailshift::platform::win::testing
