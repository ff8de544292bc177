// An in-memory Notes object model for tests, with switches that make single operations fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "notes/NotesObjects.h"

namespace mailshift::notes::testing {

struct MemoryEmbedded {
  std::string name;
  int type = kFileAttachmentType;
  std::string bytes;
  bool failExtract = false;
};

struct MemoryItem {
  std::string name;
  ItemValues values;
  bool richText = false;
  std::vector<MemoryEmbedded> embedded;  // rich-text items only
  bool failRead = false;                 // GetItemValue throws
};

// One MIME entity: a multipart entity has children, any other has content.
struct MemoryMimeEntity {
  std::string type;     // "text", "multipart", "image", ...
  std::string subType;  // "plain", "alternative", "png", ...
  std::string headers;  // every header line, "Content-Type" among them, each ending in CR LF
  std::string content;  // decoded
  std::vector<MemoryMimeEntity> children;
  bool failContent = false;  // WriteContentToFile throws
};

struct MemoryDocument {
  std::vector<MemoryItem> items;
  std::int64_t size = 1024;
  std::optional<bool> hasEmbedded;  // default: true when an item has embedded objects
  std::string universalId;          // what UniversalID gives, as it stands ("" for none)
  bool failUniversalId = false;     // UniversalID throws
  // "Body" stored as MIME: GetMIMEEntity gives it once the session keeps MIME (ConvertMIME off).
  std::optional<MemoryMimeEntity> mimeBody;
  // What ConvertToMIME makes of the rich-text "Body"; unset, one text/plain entity of its text.
  std::optional<MemoryMimeEntity> convertedBody;
  bool cannotConvert = false;  // ConvertToMIME throws, as in clients before Notes 8.5.1
  // Files attached to the document outside "Body" ($FILE items the body does not embed).
  std::vector<MemoryEmbedded> filesOutsideBody;
  bool encrypted = false;           // what IsEncrypted gives; the items that fail read stay apart
  DateTime created{1577836800, 0};  // what Created gives: 2020-01-01 00:00 UTC

  MemoryDocument& Text(const std::string& name, std::vector<std::string> texts);
  MemoryDocument& Date(const std::string& name, DateTime when);
  MemoryDocument& Body(const std::string& text, std::vector<MemoryEmbedded> embedded = {});
};

struct MemoryView {
  std::string name;
  bool folder = true;
  std::vector<std::size_t> documents;  // indexes into MemoryDatabase::documents
  std::optional<std::int64_t> count;   // overrides the entry count
  bool failCount = false;
  bool failName = false;
};

struct MemoryDatabase {
  std::string title = "Mail";
  std::vector<MemoryView> views;
  std::vector<MemoryDocument> documents;
  bool failViews = false;
  bool viewsReadElsewhere = false;  // Views fails as for a database of a kind read elsewhere
  bool failTitle = false;
  // Read marks: for each user ("" for the owner), the documents not read (indexes into
  // documents). Without keepsReadMarks the database keeps none and every document counts as read.
  bool keepsReadMarks = false;
  std::map<std::string, std::vector<std::size_t>, std::less<>> unreadFor;
  bool failUnread = false;

  std::size_t AddDocument(MemoryDocument document);
  // Adds a view holding the given documents, in order.
  MemoryView& AddView(const std::string& name, bool folder, std::vector<std::size_t> documents = {});
};

// A session factory over databases kept in memory, keyed by path.
class MemoryNotesClient : public SessionFactory {
 public:
  enum class ClassBehaviour { Creates, YieldsNothing, Fails };

  MemoryNotesClient();

  std::shared_ptr<Session> CreateObject(std::string_view className) override;

  void SetClassBehaviour(std::string_view className, ClassBehaviour behaviour);
  // Registers a database; GetDatabase of any other path fails.
  MemoryDatabase& AddDatabase(const std::string& path);
  MemoryDatabase& database(const std::string& path) { return *databases_.at(path); }

  // The sessions' ConvertMIME setting, shared by every session of this client.
  bool convertMime = true;

  // Diagnostics for tests.
  std::vector<std::string> createdClasses;
  int getDatabaseCalls = 0;
  // The GetDatabase call (counted from 1) that fails as for an unknown path; none when 0.
  int failingGetDatabaseCall = 0;

 private:
  std::map<std::string, ClassBehaviour, std::less<>> classes_;
  std::map<std::string, std::shared_ptr<MemoryDatabase>> databases_;
  friend class MemorySession;
};

}  // namespace mailshift::notes::testing
