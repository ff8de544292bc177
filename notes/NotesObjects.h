// The Notes object model as this program uses it. The Notes client (or the built-in stand-in)
// implements these classes; every member may throw NotesError, and each caller applies its own
// policy to that. A null pointer is the object model's "nothing".
#pragma once

#include <cstdint>
#include <memory>
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

// One value of an item: text, number or date-time.
using ItemValue = std::variant<std::string, double, DateTime>;
using ItemValues = std::vector<ItemValue>;

// Item types and embedded-object types the program tests for.
inline constexpr int kRichTextItemType = 1;
inline constexpr int kFileAttachmentType = 1454;

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
  // IsEncrypted: whether items of the document are encrypted. Those the user's ID cannot decrypt
  // throw when they are read; the others read as usual.
  virtual bool IsEncrypted() = 0;
  // Created: when the document was made.
  virtual DateTime Created() = 0;
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
};

class Session {
 public:
  virtual ~Session() = default;
  virtual std::shared_ptr<Database> GetDatabase(std::string_view server, std::string_view path) = 0;
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
