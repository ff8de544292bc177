// The Notes object model as this program uses it. The Notes client (or the built-in stand-in)
// implements these classes; every member may throw NotesError, and each caller applies its own
// policy to that. A null pointer is the object model's "nothing".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/DateTime.h"

namespace mailshift::notes {

class NotesError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A database of a kind this system does not read at all (a Notes database where only the stand-in
// store is read); the message says what it is and where it can be read.
class DatabaseReadElsewhere : public NotesError {
 public:
  using NotesError::NotesError;
};

// One value of an item: text, number or date-time.
using ItemValue = std::variant<std::string, double, DateTime>;
using ItemValues = std::vector<ItemValue>;

// Item types and embedded-object types the program tests for.
inline constexpr int kRichTextItemType = 1;
inline constexpr int kMimePartItemType = 25;
inline constexpr int kFileAttachmentType = 1454;

// ConvertToMIME's conversion types.
inline constexpr int kConvertToPlainText = 1;
inline constexpr int kConvertToHtml = 2;
inline constexpr int kConvertToPlainTextAndHtml = 3;

class EmbeddedObject {
 public:
  virtual ~EmbeddedObject() = default;
  virtual int Type() = 0;
  virtual std::string Name() = 0;
  // Writes the object's bytes to exactly this path.
  virtual void ExtractFile(const std::string& targetPath) = 0;
};

class RichTextItem {
 public:
  virtual ~RichTextItem() = default;
  virtual int Type() = 0;
  virtual std::vector<std::shared_ptr<EmbeddedObject>> EmbeddedObjects() = 0;
};

// One entity of a MIME item: a multipart entity has children, any other has content.
class MIMEEntity {
 public:
  virtual ~MIMEEntity() = default;
  virtual std::string ContentType() = 0;     // "text", "multipart", "image", ...
  virtual std::string ContentSubType() = 0;  // "plain", "alternative", "png", ...
  // The entity's own header lines as text ("Name: value", folded as stored).
  virtual std::string Headers() = 0;
  virtual std::shared_ptr<MIMEEntity> GetFirstChildEntity() = 0;
  virtual std::shared_ptr<MIMEEntity> GetNextSibling() = 0;
  // Writes the content, its transfer encoding undone, to a new file at exactly this path
  // (GetContentAsBytes into a stream opened on the file), without holding it in memory.
  virtual void WriteContentToFile(const std::string& targetPath) = 0;
  // The content, its transfer encoding undone, when the client knows it is at most `most` bytes:
  // small parts are then read without a file of their own. Nothing when it is larger or the
  // client cannot tell; WriteContentToFile reads it then.
  virtual std::optional<std::string> SmallContent(std::size_t most) {
    static_cast<void>(most);
    return std::nullopt;
  }
};

// One item of a document as stored (NotesDocument.Items): its name, its Notes item type number
// (1280 text, 768 number, 1024 date-time, 1 rich text, 25 MIME part, 1084 attachment, ...),
// whether it is a summary item, and its values as GetItemValue reads them.
struct ItemInfo {
  std::string name;
  int type = 0;
  bool summary = false;
  ItemValues values;
};

class Document {
 public:
  virtual ~Document() = default;
  // The item's values; a rich-text item gives its text as one value. Names ignore case.
  virtual ItemValues GetItemValue(std::string_view itemName) = 0;
  virtual bool hasitem(std::string_view itemName) = 0;
  virtual std::int64_t Size() = 0;
  virtual bool HasEmbedded() = 0;
  // The rich-text item of that name, or nothing.
  virtual std::shared_ptr<RichTextItem> GetFirstItem(std::string_view itemName) = 0;
  // The document's universal id: 32 hexadecimal digits in upper case, the same in every replica
  // and every run; "" when the client gives none.
  virtual std::string UniversalID() = 0;

  // The root entity of a MIME item, or nothing when the item is not stored as MIME (a client
  // that converts MIME to rich text on opening gives nothing either). Clients without MIME
  // entities give nothing.
  virtual std::shared_ptr<MIMEEntity> GetMIMEEntity(std::string_view itemName) {
    static_cast<void>(itemName);
    return nullptr;
  }
  // Converts the document's rich text to MIME in memory (never saved); GetMIMEEntity then reads
  // the result. Throws NotesError when the client cannot convert.
  virtual void ConvertToMIME(int conversionType) {
    static_cast<void>(conversionType);
    throw NotesError("this Notes client cannot convert rich text to MIME (Notes 8.5.1 or later can)");
  }
  // The names of every file attached to the document, inside "Body" or not (@AttachmentNames).
  virtual std::vector<std::string> AttachmentNames() { return {}; }
  // The attached file of that name, or nothing.
  virtual std::shared_ptr<EmbeddedObject> GetAttachment(std::string_view fileName) {
    static_cast<void>(fileName);
    return nullptr;
  }
  // IsEncrypted: whether items of the document are encrypted. Those the user's ID cannot decrypt
  // throw when they are read; the others read as usual.
  virtual bool IsEncrypted() = 0;
  // Created: when the document was made.
  virtual DateTime Created() = 0;
  // Items: every item of the document in stored order. Clients that cannot list items throw.
  virtual std::vector<ItemInfo> Items() {
    throw NotesError("this Notes client does not list the items of a document");
  }
  // NoteID: the document's note id in this database as hexadecimal digits ("926"); "" when the
  // client gives none.
  virtual std::string NoteID() { return ""; }
};

// A set of documents walked in order (NotesDocumentCollection).
class DocumentCollection {
 public:
  virtual ~DocumentCollection() = default;
  virtual std::int64_t Count() = 0;
  virtual std::shared_ptr<Document> GetFirstDocument() = 0;
  virtual std::shared_ptr<Document> GetNextDocument(const std::shared_ptr<Document>& current) = 0;
};

class View {
 public:
  virtual ~View() = default;
  virtual std::string Name() = 0;
  virtual bool isfolder() = 0;
  // AllEntries.Count
  virtual std::int64_t AllEntriesCount() = 0;
  virtual std::shared_ptr<Document> GetFirstDocument() = 0;
  virtual std::shared_ptr<Document> GetNextDocument(const std::shared_ptr<Document>& current) = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual std::string Title() = 0;
  // Every view and folder in stored order; throws when the database holds no readable data.
  virtual std::vector<std::shared_ptr<View>> Views() = 0;
  // The view or folder of that name, or nothing.
  virtual std::shared_ptr<View> GetView(std::string_view name) = 0;
  // AllDocuments: every data document of the database (no design notes, no deletion stubs), in
  // or out of folders. Clients that cannot give them throw.
  virtual std::shared_ptr<DocumentCollection> AllDocuments() {
    throw NotesError("this Notes client does not list every document of a database");
  }
  // GetAllUnreadDocuments: the documents unread for that user ("" = the database's owner, or the
  // client's own user). Nothing when the database keeps no read marks: then every document
  // counts as read.
  virtual std::shared_ptr<DocumentCollection> GetAllUnreadDocuments(std::string_view userName) {
    static_cast<void>(userName);
    return nullptr;
  }
};

class Session {
 public:
  virtual ~Session() = default;
  virtual std::shared_ptr<Database> GetDatabase(std::string_view server, std::string_view path) = 0;
  // Whether MIME items are converted to rich text when a document is opened. A client without
  // the setting always converts and ignores the change.
  virtual bool ConvertMIME() { return true; }
  virtual void SetConvertMIME(bool convert) { static_cast<void>(convert); }
};

// Creates session objects by class name, as the system's object registry does.
class SessionFactory {
 public:
  virtual ~SessionFactory() = default;
  // The new object, or nothing when the class yields none; throws when creation fails.
  virtual std::shared_ptr<Session> CreateObject(std::string_view className) = 0;
};

inline constexpr std::string_view kDominoSessionClass = "Domino.NotesSession";
inline constexpr std::string_view kNotesSessionClass = "Notes.NotesSession";

}  // namespace mailshift::notes
