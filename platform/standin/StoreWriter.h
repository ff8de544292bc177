// Writes a stand-in mail store. The store is built in a new file beside the target and moved
// over the target by Commit, so a failed build leaves no file behind and an existing target
// is replaced only by a complete store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/NotesObjects.h"
#include "platform/standin/ContentSource.h"
#include "platform/standin/ReplacementFile.h"
#include "platform/standin/StoreFormat.h"

namespace mailshift::standin {

namespace sqlite {
class Statement;
}  // namespace sqlite

struct EmbeddedSpec {
  std::string name;
  int type = notes::kFileAttachmentType;
  std::unique_ptr<ContentSource> content;  // none: no bytes
};

// One MIME entity as the Notes MIME classes give it: type, subtype, its header lines, and either
// children (a multipart entity) or content.
struct MimeEntitySpec {
  std::string contentType;                 // "text", "multipart", "image", ...
  std::string contentSubType;              // "plain", "alternative", "png", ...
  std::string headers;                     // the header lines, each ending in CR LF
  std::unique_ptr<ContentSource> content;  // decoded; none: no bytes
  std::vector<MimeEntitySpec> children;
};

struct ItemSpec {
  std::string name;
  ItemKind kind = ItemKind::Text;
  // Text and rich-text items hold texts (a rich-text item exactly one), number items numbers,
  // date-time items date-times; MIME and attachment items hold none (a MIME item's one value is
  // written from its first text/plain entity).
  notes::ItemValues values;
  // Rich-text items: the objects they embed; an attachment ("$FILE") item: exactly its one file.
  std::vector<EmbeddedSpec> embedded;
  // Encrypted for an ID other than the reader's: its values cannot be read.
  bool encrypted = false;
  // A MIME item: its root entity (required). A rich-text item: what ConvertToMIME makes of it
  // (none: one text/plain entity of its text). Other items: none.
  std::optional<MimeEntitySpec> mime = std::nullopt;
};

struct DocumentSpec {
  std::string id;                    // unique within the store
  std::string universalId;           // "" for none; else IsUniversalId, unique within the store
  std::optional<std::int64_t> size;  // default: DefaultDocumentSize
  std::optional<bool> hasEmbedded;   // default: true when an item has an embedded object
  std::optional<DateTime> created;   // default: the earliest date-time among its items, else
                                     // kDefaultCreationDate
  bool encrypted = false;            // IsEncrypted; an item may be encrypted only then
  std::vector<ItemSpec> items;
  // The users who have not read it ("" for the database's owner), each once.
  std::vector<std::string> unreadFor = {};
};

class StoreWriter {
 public:
  // Starts a store that will replace `target`. Throws std::runtime_error when it cannot be created.
  explicit StoreWriter(std::filesystem::path target);
  // Abandons the store unless it was committed. After any failure the writer can only be destroyed.
  ~StoreWriter();
  StoreWriter(const StoreWriter&) = delete;
  StoreWriter& operator=(const StoreWriter&) = delete;

  void SetTitle(std::string_view title);
  // Adds a document (its embedded objects' content is read now) and returns its key for AddView.
  // Throws std::invalid_argument for a document that breaks the rules of ItemSpec or repeats an id
  // or a universal id.
  std::int64_t AddDocument(DocumentSpec document);
  // Adds the next view in stored order, listing the keys of its documents in order.
  void AddView(std::string_view name, bool folder, const std::vector<std::int64_t>& documents,
               std::optional<std::int64_t> storedCount = std::nullopt);
  // Finishes the store and moves it over the target.
  void Commit();

 private:
  struct Statements;
  Statements& Live();
  // Writes the content in chunks through the statement; keeps a copy in `copy` when given.
  void WriteContent(sqlite::Statement& chunks, std::int64_t ownerId, ContentSource& content,
                    std::int64_t& size, std::string* copy = nullptr);
  // Writes the entity and its children; returns the bytes of their content.
  std::int64_t WriteEntity(std::int64_t documentKey, std::int64_t itemPosition, bool converted,
                           std::optional<std::int64_t> parentId, std::int64_t position,
                           MimeEntitySpec& entity, std::string* firstPlainText);

  ReplacementFile file_;
  std::unique_ptr<Statements> statements_;  // closed before file_ goes
  std::vector<char> chunk_;
  std::int64_t nextDocument_ = 1;
  std::int64_t nextView_ = 1;
};

// The size a document reports when its fixture gives none: a note header plus, for every item,
// an item header, its name and its data (texts in bytes, 8 bytes per number and date-time),
// plus the bytes of its embedded objects.
std::int64_t DefaultDocumentSize(const std::vector<ItemSpec>& items, std::int64_t embeddedBytes);

}  // namespace mailshift::standin
