// Store to fixture (JSON), and the summary the stand-in Notes client gives of a store.
#include <cmath>
#include <iomanip>
#include <map>
#include <sstream>
#include <unordered_map>

#include "common/Base64.h"
#include "platform/standin/IsoDateTime.h"
#include "platform/standin/Sqlite.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreReader.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;

class Dumper {
 public:
  explicit Dumper(const std::filesystem::path& file) : reader_(StoreReader::Open(file)) {
    if (!reader_->failure().empty()) throw std::runtime_error(file.string() + ": " + reader_->failure());
    db_ = reader_->connection().get();
  }

  json Dump() {
    try {
      json fixture = json::object();
      fixture["title"] = Title();
      fixture["documents"] = Documents();
      fixture["views"] = Views();
      return fixture;
    } catch (const sqlite::Error& error) {
      Damaged(error.what());
    }
  }

 private:
  [[noreturn]] void Damaged(const std::string& what) const {
    throw std::runtime_error(reader_->file().string() + ": damaged store (" + what + ")");
  }

  std::string Title() {
    sqlite::Statement row(db_, "SELECT title FROM database_info WHERE id = 1");
    if (!row.Step() || row.ColumnType(0) != SQLITE_TEXT) Damaged("no title");
    return row.ColumnText(0);
  }

  json Documents() {
    json documents = json::array();
    // Stores written before documents had universal ids give none.
    sqlite::Statement rows(db_,
                           reader_->version() >= kFirstVersionWithUniversalIds
                               ? "SELECT id, note_id, size, has_embedded, unid FROM documents ORDER BY id"
                               : "SELECT id, note_id, size, has_embedded, NULL FROM documents ORDER BY id");
    while (rows.Step()) {
      const bool unidDamaged = rows.ColumnType(4) != SQLITE_NULL &&
                               (rows.ColumnType(4) != SQLITE_TEXT || !IsUniversalId(rows.ColumnText(4)));
      if (rows.ColumnType(1) != SQLITE_TEXT || rows.ColumnType(2) != SQLITE_INTEGER ||
          rows.ColumnType(3) != SQLITE_INTEGER || unidDamaged) {
        Damaged("document " + std::to_string(rows.ColumnInt64(0)));
      }
      const std::int64_t id = rows.ColumnInt64(0);
      noteIds_[id] = rows.ColumnText(1);
      documentIndex_[id] = documents.size();
      json document{{"id", rows.ColumnText(1)}};
      if (rows.ColumnType(4) == SQLITE_TEXT) document["unid"] = rows.ColumnText(4);
      document["size"] = rows.ColumnInt64(2);
      document["has_embedded"] = rows.ColumnInt64(3) != 0;
      document["items"] = json::array();
      documents.push_back(std::move(document));
    }
    AddItems(documents);
    AddValues(documents);
    AddEmbedded(documents);
    AddMime(documents);
    AddDetails(documents);
    AddReadMarks(documents);
    for (auto& document : documents) {
      json items = json::array();
      for (auto& item : document["items"]) {
        if (item.contains("richtext")) {
          auto& texts = item["richtext"];
          if (texts.size() != 1) Damaged("rich-text item \"" + item["name"].get<std::string>() + "\"");
          item["richtext"] = json(texts[0]);
        }
        // "$FILE" items go back to the document's "files".
        if (item.contains(kFileKey)) {
          if (!item.contains("embedded") || item["embedded"].size() != 1) Damaged("a \"$FILE\" item");
          if (!document.contains("files")) document["files"] = json::array();
          document["files"].push_back(item["embedded"][0]);
          continue;
        }
        if (item.contains("mime") && !item["mime"].is_object()) Damaged("a MIME item without entities");
        items.push_back(std::move(item));
      }
      document["items"] = std::move(items);
    }
    return documents;
  }

  // "unread" (the owner's mark) and "unread_for" (other users') of the documents not read.
  void AddReadMarks(json& documents) {
    if (reader_->version() < kFirstVersionWithReadMarks) return;
    sqlite::Statement rows(db_, "SELECT user, document_id FROM unread_marks ORDER BY document_id, user");
    while (rows.Step()) {
      const auto document = documentIndex_.find(rows.ColumnInt64(1));
      if (document == documentIndex_.end() || rows.ColumnType(0) != SQLITE_TEXT)
        Damaged("read marks of document " + std::to_string(rows.ColumnInt64(1)));
      json& entry = documents[document->second];
      const std::string user = rows.ColumnText(0);
      if (user.empty()) {
        entry["unread"] = true;
      } else {
        entry["unread_for"].push_back(user);
      }
    }
  }

  // "created" and "encrypted" of each document, and "encrypted" of each item that is.
  void AddDetails(json& documents) {
    if (reader_->version() < kFirstVersionWithDetails) return;
    sqlite::Statement rows(db_,
                           "SELECT document_id, created, created_offset, encrypted, encrypted_items "
                           "FROM document_details ORDER BY document_id");
    while (rows.Step()) {
      const auto document = documentIndex_.find(rows.ColumnInt64(0));
      if (document == documentIndex_.end() || rows.ColumnType(3) != SQLITE_INTEGER ||
          rows.ColumnType(4) != SQLITE_TEXT) {
        Damaged("details of document " + std::to_string(rows.ColumnInt64(0)));
      }
      json& entry = documents[document->second];
      if (rows.ColumnType(1) == SQLITE_INTEGER) {
        entry["created"] =
            FormatIsoDateTime(DateTime{rows.ColumnInt64(1), static_cast<std::int32_t>(rows.ColumnInt64(2))});
      }
      entry["encrypted"] = rows.ColumnInt64(3) != 0;
      const std::string names = rows.ColumnText(4);
      for (std::size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos;
           start = end + 1) {
        for (auto& item : entry["items"]) {
          if (item["name"] == names.substr(start, end - start)) {
            item["encrypted"] = true;
            break;
          }
        }
      }
    }
  }

  json& ItemAt(json& documents, std::int64_t documentId, std::int64_t itemPosition) {
    const auto found = itemIndex_.find({documentId, itemPosition});
    if (found == itemIndex_.end())
      Damaged("a value or object of no item in document " + std::to_string(documentId));
    return documents[documentIndex_.at(documentId)]["items"][found->second];
  }

  void AddItems(json& documents) {
    sqlite::Statement rows(
        db_, "SELECT document_id, position, name, type FROM items ORDER BY document_id, position");
    while (rows.Step()) {
      const std::int64_t documentId = rows.ColumnInt64(0);
      const auto document = documentIndex_.find(documentId);
      const auto kind = ItemKindFromCode(rows.ColumnInt64(3));
      if (document == documentIndex_.end() || rows.ColumnType(2) != SQLITE_TEXT || !kind) {
        Damaged("item " + std::to_string(rows.ColumnInt64(1)) + " of document " + std::to_string(documentId));
      }
      auto& items = documents[document->second]["items"];
      itemIndex_[{documentId, rows.ColumnInt64(1)}] = items.size();
      itemKinds_[{documentId, rows.ColumnInt64(1)}] = *kind;
      items.push_back(json{{"name", rows.ColumnText(2)}, {KindKey(*kind), json::array()}});
    }
  }

  // Marks an attachment item until it moves to the document's "files".
  static constexpr const char* kFileKey = "_file";

  static const char* KindKey(ItemKind kind) {
    switch (kind) {
      case ItemKind::MimePart:
        return "mime";
      case ItemKind::Attachment:
        return kFileKey;
      case ItemKind::Text:
        return "text";
      case ItemKind::Number:
        return "number";
      case ItemKind::DateTime:
        return "datetime";
      case ItemKind::RichText:
        break;
    }
    return "richtext";
  }

  static json Number(double number) {
    // Whole numbers read back as written: 3, not 3.0.
    if (number == std::floor(number) && std::fabs(number) <= 9007199254740992.0) {
      return json(static_cast<std::int64_t>(number));
    }
    return json(number);
  }

  void AddValues(json& documents) {
    sqlite::Statement rows(db_,
                           "SELECT document_id, item_position, value, utc_offset FROM item_values "
                           "ORDER BY document_id, item_position, position");
    while (rows.Step()) {
      const std::pair<std::int64_t, std::int64_t> key{rows.ColumnInt64(0), rows.ColumnInt64(1)};
      json& item = ItemAt(documents, key.first, key.second);
      const ItemKind kind = itemKinds_.at(key);
      const int type = rows.ColumnType(2);
      const std::string where = "a value of item \"" + item["name"].get<std::string>() + "\"";
      // A MIME item's value is made from its entities when it is built; files hold none.
      if (kind == ItemKind::MimePart) {
        if (type != SQLITE_TEXT) Damaged(where);
        continue;
      }
      if (kind == ItemKind::Attachment) Damaged(where);
      json& values = item[KindKey(kind)];
      switch (kind) {
        case ItemKind::MimePart:
        case ItemKind::Attachment:
          break;
        case ItemKind::Text:
        case ItemKind::RichText:
          if (type != SQLITE_TEXT) Damaged(where);
          values.push_back(rows.ColumnText(2));
          break;
        case ItemKind::Number:
          if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) Damaged(where);
          values.push_back(Number(rows.ColumnDouble(2)));
          break;
        case ItemKind::DateTime: {
          const DateTime when{rows.ColumnInt64(2), static_cast<std::int32_t>(rows.ColumnInt64(3))};
          if (type != SQLITE_INTEGER || rows.ColumnType(3) != SQLITE_INTEGER ||
              rows.ColumnInt64(3) != when.utcOffsetMinutes || !IsStorableDateTime(when)) {
            Damaged(where);
          }
          values.push_back(FormatIsoDateTime(when));
          break;
        }
      }
    }
  }

  void AddEmbedded(json& documents) {
    sqlite::Statement rows(db_,
                           "SELECT id, document_id, item_position, name, type, size FROM embedded_objects "
                           "ORDER BY document_id, item_position, position");
    sqlite::Statement chunks(db_, "SELECT bytes FROM embedded_content WHERE object_id = ?1 ORDER BY chunk");
    while (rows.Step()) {
      const std::int64_t documentId = rows.ColumnInt64(1);
      json& item = ItemAt(documents, documentId, rows.ColumnInt64(2));
      const std::string where = "embedded object of document " + std::to_string(documentId);
      if ((!item.contains("richtext") && !item.contains(kFileKey)) || rows.ColumnType(3) != SQLITE_TEXT ||
          rows.ColumnType(4) != SQLITE_INTEGER || rows.ColumnType(5) != SQLITE_INTEGER) {
        Damaged(where);
      }
      Base64Encoder encoder;
      std::int64_t size = 0;
      chunks.Reset();
      chunks.BindInt64(1, rows.ColumnInt64(0));
      while (chunks.Step()) {
        const std::string bytes = chunks.ColumnBlob(0);
        encoder.Add(bytes);
        size += static_cast<std::int64_t>(bytes.size());
      }
      if (size != rows.ColumnInt64(5)) Damaged(where + ": content and size differ");
      if (!item.contains("embedded")) item["embedded"] = json::array();
      item["embedded"].push_back(
          json{{"name", rows.ColumnText(3)}, {"type", rows.ColumnInt64(4)}, {"base64", encoder.Finish()}});
    }
  }

  // The entities of MIME items ("mime") and of rich-text conversions ("converted"), their content
  // as base64.
  void AddMime(json& documents) {
    if (reader_->version() < kFirstVersionWithMime) return;
    sqlite::Statement rows(
        db_,
        "SELECT id, document_id, item_position, converted, parent_id, content_type, "
        "content_subtype, headers, size FROM mime_entities "
        "ORDER BY document_id, item_position, converted, parent_id IS NOT NULL, parent_id, position");
    sqlite::Statement chunks(db_, "SELECT bytes FROM mime_content WHERE entity_id = ?1 ORDER BY chunk");
    // Where each entity stands, by id, so that its children can be put under it.
    std::unordered_map<std::int64_t, json::json_pointer> placed;
    while (rows.Step()) {
      const std::int64_t documentId = rows.ColumnInt64(1);
      const std::string where =
          "MIME entity " + std::to_string(rows.ColumnInt64(0)) + " of document " + std::to_string(documentId);
      if (rows.ColumnType(5) != SQLITE_TEXT || rows.ColumnType(6) != SQLITE_TEXT ||
          rows.ColumnType(7) != SQLITE_TEXT || rows.ColumnType(8) != SQLITE_INTEGER)
        Damaged(where);
      json entity{{"type", rows.ColumnText(5) + "/" + rows.ColumnText(6)}};
      json headers = json::array();
      const std::string text = rows.ColumnText(7);
      for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        headers.push_back(text.substr(start, end - start));
      entity["headers"] = std::move(headers);
      Base64Encoder encoder;
      std::int64_t size = 0;
      chunks.Reset();
      chunks.BindInt64(1, rows.ColumnInt64(0));
      while (chunks.Step()) {
        const std::string bytes = chunks.ColumnBlob(0);
        encoder.Add(bytes);
        size += static_cast<std::int64_t>(bytes.size());
      }
      if (size != rows.ColumnInt64(8)) Damaged(where + ": content and size differ");
      if (size > 0) entity["base64"] = encoder.Finish();

      json::json_pointer at;
      if (rows.ColumnType(4) == SQLITE_NULL) {
        json& item = ItemAt(documents, documentId, rows.ColumnInt64(2));
        const bool converted = rows.ColumnInt64(3) != 0;
        if (converted ? !item.contains("richtext") : !item.contains("mime")) Damaged(where);
        const auto item_at = itemIndex_.at({documentId, rows.ColumnInt64(2)});
        at = json::json_pointer("/" + std::to_string(documentIndex_.at(documentId)) + "/items/" +
                                std::to_string(item_at) + (converted ? "/converted" : "/mime"));
      } else {
        const auto parent = placed.find(rows.ColumnInt64(4));
        if (parent == placed.end()) Damaged(where + ": no parent");
        json& parts = documents[parent->second / "parts"];
        if (parts.is_null()) parts = json::array();
        at = parent->second / "parts" / std::to_string(parts.size());
      }
      documents[at] = std::move(entity);
      placed[rows.ColumnInt64(0)] = at;
    }
  }

  json Views() {
    json views = json::array();
    sqlite::Statement rows(db_, "SELECT id, name, is_folder, stored_count FROM views ORDER BY id");
    sqlite::Statement entries(db_,
                              "SELECT document_id FROM view_entries WHERE view_id = ?1 ORDER BY position");
    while (rows.Step()) {
      if (rows.ColumnType(1) != SQLITE_TEXT || rows.ColumnType(2) != SQLITE_INTEGER) {
        Damaged("view " + std::to_string(rows.ColumnInt64(0)));
      }
      json view{
          {"name", rows.ColumnText(1)}, {"folder", rows.ColumnInt64(2) != 0}, {"documents", json::array()}};
      if (rows.ColumnType(3) != SQLITE_NULL) {
        if (rows.ColumnType(3) != SQLITE_INTEGER || rows.ColumnInt64(3) < 0)
          Damaged("count of view " + rows.ColumnText(1));
        view["count"] = rows.ColumnInt64(3);
      }
      entries.Reset();
      entries.BindInt64(1, rows.ColumnInt64(0));
      while (entries.Step()) {
        const auto found = noteIds_.find(entries.ColumnInt64(0));
        if (found == noteIds_.end()) Damaged("an entry of view " + rows.ColumnText(1) + " names no document");
        view["documents"].push_back(found->second);
      }
      views.push_back(std::move(view));
    }
    return views;
  }

  std::shared_ptr<StoreReader> reader_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::int64_t, std::string> noteIds_;
  std::unordered_map<std::int64_t, std::size_t> documentIndex_;
  std::map<std::pair<std::int64_t, std::int64_t>, std::size_t> itemIndex_;
  std::map<std::pair<std::int64_t, std::int64_t>, ItemKind> itemKinds_;
};

}  // namespace

nlohmann::json DumpStore(const std::filesystem::path& store) { return Dumper(store).Dump(); }

std::string DumpStoreText(const std::filesystem::path& store) {
  // Texts that are not UTF-8 (only a damaged store holds them) are shown with replacement marks.
  return DumpStore(store).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string SummarizeStore(const std::filesystem::path& store) {
  StandInNotesClient client;
  const auto database = client.CreateObject(notes::kDominoSessionClass)->GetDatabase("", store.string());
  std::ostringstream summary;
  summary << "Title: " << database->Title() << "\n";
  for (const auto& view : database->Views()) {
    summary << (view->isfolder() ? "folder " : "view   ") << std::setw(8) << view->AllEntriesCount() << "  "
            << view->Name() << "\n";
  }
  return summary.str();
}

}  // namespace mailshift::standin
