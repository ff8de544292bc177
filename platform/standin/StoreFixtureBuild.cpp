// Fixture (JSON) to store.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "common/Base64.h"
#include "platform/standin/IsoDateTime.h"
#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreWriter.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;

std::string Key(const std::string& place, std::string_view key) {
  return place.empty() ? std::string(key) : place + "." + std::string(key);
}

std::string Index(const std::string& place, std::size_t index) {
  return place + "[" + std::to_string(index) + "]";
}

std::string Describe(const json& value) {
  if (value.is_string()) return "a text";
  if (value.is_boolean()) return "true or false";
  if (value.is_number()) return "a number";
  if (value.is_array()) return "a list";
  if (value.is_object()) return "an object";
  return "null";
}

[[noreturn]] void Wrong(const std::string& place, const char* wanted, const json& value) {
  throw FixtureError(place, std::string("not ") + wanted + " (found " + Describe(value) + ")");
}

// Keys beginning with "_" are free for comments; any other key must be known.
void CheckKeys(const json& object, std::initializer_list<std::string_view> known, const std::string& place) {
  for (const auto& [key, value] : object.items()) {
    if (key.starts_with('_')) continue;
    if (std::find(known.begin(), known.end(), key) == known.end())
      throw FixtureError(Key(place, key), "unknown key");
  }
}

const json* Find(const json& object, const char* key) {
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

const json& Require(const json& object, const char* key, const std::string& place) {
  const json* value = Find(object, key);
  if (value == nullptr) throw FixtureError(Key(place, key), "missing");
  return *value;
}

const json& AsObject(const json& value, const std::string& place) {
  if (!value.is_object()) Wrong(place, "an object", value);
  return value;
}

const json& AsList(const json& value, const std::string& place) {
  if (!value.is_array()) Wrong(place, "a list", value);
  return value;
}

const std::string& AsText(const json& value, const std::string& place) {
  if (!value.is_string()) Wrong(place, "a text", value);
  return value.get_ref<const std::string&>();
}

bool AsFlag(const json& value, const std::string& place) {
  if (!value.is_boolean()) Wrong(place, "true or false", value);
  return value.get<bool>();
}

std::int64_t AsWholeNumber(const json& value, const std::string& place, std::int64_t lowest,
                           std::int64_t highest) {
  const std::string range =
      "a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
  if (!value.is_number_integer()) Wrong(place, range.c_str(), value);
  if (value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(highest)) {
    throw FixtureError(place, "not " + range);
  }
  const auto number = value.get<std::int64_t>();
  if (number < lowest || number > highest) throw FixtureError(place, "not " + range);
  return number;
}

struct Parser {
  std::filesystem::path baseFolder;
  std::unordered_map<std::string, std::int64_t> documentKeys;
  std::unordered_set<std::string> universalIds;

  // 32 hexadecimal digits in either case, kept in upper case as Notes gives them.
  std::string UniversalId(const json& value, const std::string& place) {
    std::string text = AsText(value, place);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; });
    if (!IsUniversalId(text)) throw FixtureError(place, "not 32 hexadecimal digits");
    if (!universalIds.insert(text).second) {
      throw FixtureError(place, "\"" + text + "\" is used by an earlier document");
    }
    return text;
  }

  // The file a "file" entry names: a relative path that stays inside the fixture's folder, also
  // when symbolic links are followed. A fixture may come from anyone; it must not read the disk.
  std::filesystem::path InsideBaseFolder(const std::string& name, const std::string& place) const {
    namespace fs = std::filesystem;
    const fs::path relative(name);
    if (name.empty()) throw FixtureError(place, "empty");
    if (relative.has_root_name() || relative.has_root_directory()) {
      throw FixtureError(place, "\"" + name + "\" is not a relative path inside the fixture's folder");
    }
    for (const auto& part : relative) {
      if (part == "..") throw FixtureError(place, "\"" + name + "\" leads out of the fixture's folder");
    }
    std::error_code error;
    const fs::path folder = fs::canonical(baseFolder.empty() ? fs::path(".") : baseFolder, error);
    if (error) throw FixtureError(place, "cannot resolve the fixture's folder: " + error.message());
    const fs::path path = fs::canonical(folder / relative, error);
    if (error) throw FixtureError(place, "cannot read \"" + name + "\": " + error.message());
    const auto [end, unused] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    if (end != folder.end()) throw FixtureError(place, "\"" + name + "\" leads out of the fixture's folder");
    if (!fs::is_regular_file(path, error) || !std::ifstream(path, std::ios::binary)) {
      throw FixtureError(place, "cannot read \"" + name + "\"");
    }
    return path;
  }

  EmbeddedSpec Embedded(const json& value, const std::string& place) {
    AsObject(value, place);
    CheckKeys(value, {"name", "type", "base64", "file"}, place);
    EmbeddedSpec object;
    object.name = AsText(Require(value, "name", place), Key(place, "name"));
    if (const json* type = Find(value, "type")) {
      object.type = static_cast<int>(AsWholeNumber(*type, Key(place, "type"), std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
    }
    object.content = Content(value, place, false, true);
    return object;
  }

  // The content of an object or entity: one of "base64", "text" (UTF-8 as it stands, allowed
  // when textAllowed) or "file"; nothing when none is given and none is required.
  std::unique_ptr<ContentSource> Content(const json& value, const std::string& place, bool textAllowed,
                                         bool required) {
    const json* base64 = Find(value, "base64");
    const json* text = textAllowed ? Find(value, "text") : nullptr;
    const json* file = Find(value, "file");
    const int given = (base64 != nullptr) + (text != nullptr) + (file != nullptr);
    if (given > 1 || (required && given == 0))
      throw FixtureError(place, textAllowed ? "needs one of \"text\", \"base64\" or \"file\""
                                            : "needs one of \"base64\" or \"file\"");
    if (base64 != nullptr) {
      const std::string& encoded = AsText(*base64, Key(place, "base64"));
      if (!IsBase64(encoded)) throw FixtureError(Key(place, "base64"), "not base64");
      return Base64Content(encoded);
    }
    if (text != nullptr) return BytesContent(AsText(*text, Key(place, "text")));
    if (file != nullptr)
      return FileContent(InsideBaseFolder(AsText(*file, Key(place, "file")), Key(place, "file")));
    return nullptr;
  }

  // A MIME entity: "type" ("text/plain"), "headers" (lines without their line ends), and either
  // "parts" (its children) or its content.
  MimeEntitySpec Entity(const json& value, const std::string& place, int depth) {
    constexpr int kDeepest = 32;
    AsObject(value, place);
    if (depth > kDeepest) throw FixtureError(place, "MIME entities nest too deep");
    CheckKeys(value, {"type", "headers", "text", "base64", "file", "parts"}, place);
    MimeEntitySpec entity;
    const std::string& type = AsText(Require(value, "type", place), Key(place, "type"));
    const std::size_t slash = type.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == type.size() ||
        type.find_first_of(" \t\r\n;") != std::string::npos)
      throw FixtureError(Key(place, "type"), "not a media type like \"text/plain\"");
    entity.contentType = type.substr(0, slash);
    entity.contentSubType = type.substr(slash + 1);
    if (const json* headers = Find(value, "headers")) {
      const std::string listPlace = Key(place, "headers");
      for (std::size_t i = 0; i < AsList(*headers, listPlace).size(); ++i) {
        const std::string& line = AsText((*headers)[i], Index(listPlace, i));
        if (line.find_first_of("\r\n") != std::string::npos)
          throw FixtureError(Index(listPlace, i), "a header line holds a line break");
        entity.headers += line + "\r\n";
      }
    }
    entity.content = Content(value, place, true, false);
    if (const json* parts = Find(value, "parts")) {
      const std::string listPlace = Key(place, "parts");
      if (entity.content) throw FixtureError(place, "an entity holds either \"parts\" or content");
      for (std::size_t i = 0; i < AsList(*parts, listPlace).size(); ++i)
        entity.children.push_back(Entity((*parts)[i], Index(listPlace, i), depth + 1));
    }
    return entity;
  }

  ItemSpec Item(const json& value, const std::string& place) {
    AsObject(value, place);
    CheckKeys(
        value,
        {"name", "text", "number", "datetime", "richtext", "mime", "converted", "embedded", "encrypted"},
        place);
    ItemSpec item;
    item.name = AsText(Require(value, "name", place), Key(place, "name"));
    if (item.name.empty()) throw FixtureError(Key(place, "name"), "empty");

    const char* kinds[] = {"text", "number", "datetime", "richtext", "mime"};
    const auto given = std::count_if(std::begin(kinds), std::end(kinds),
                                     [&](const char* kind) { return value.contains(kind); });
    if (given != 1)
      throw FixtureError(place,
                         "needs exactly one of \"text\", \"number\", \"datetime\", \"richtext\", \"mime\"");

    if (const json* texts = Find(value, "text")) {
      item.kind = ItemKind::Text;
      const std::string listPlace = Key(place, "text");
      for (std::size_t i = 0; i < AsList(*texts, listPlace).size(); ++i) {
        item.values.emplace_back(AsText((*texts)[i], Index(listPlace, i)));
      }
    } else if (const json* numbers = Find(value, "number")) {
      item.kind = ItemKind::Number;
      const std::string listPlace = Key(place, "number");
      for (std::size_t i = 0; i < AsList(*numbers, listPlace).size(); ++i) {
        if (!(*numbers)[i].is_number()) Wrong(Index(listPlace, i), "a number", (*numbers)[i]);
        item.values.emplace_back((*numbers)[i].get<double>());
      }
    } else if (const json* dates = Find(value, "datetime")) {
      item.kind = ItemKind::DateTime;
      const std::string listPlace = Key(place, "datetime");
      for (std::size_t i = 0; i < AsList(*dates, listPlace).size(); ++i) {
        const auto when = ParseIsoDateTime(AsText((*dates)[i], Index(listPlace, i)));
        if (!when)
          throw FixtureError(Index(listPlace, i), "not a date-time (like 2008-11-05T14:30:00-05:00)");
        item.values.emplace_back(*when);
      }
    } else if (const json* mime = Find(value, "mime")) {
      item.kind = ItemKind::MimePart;
      item.mime = Entity(*mime, Key(place, "mime"), 0);
    } else {
      item.kind = ItemKind::RichText;
      item.values.emplace_back(AsText(value["richtext"], Key(place, "richtext")));
    }
    if (const json* converted = Find(value, "converted")) {
      if (item.kind != ItemKind::RichText)
        throw FixtureError(Key(place, "converted"), "only a \"richtext\" item converts to MIME");
      item.mime = Entity(*converted, Key(place, "converted"), 0);
    }

    if (const json* encrypted = Find(value, "encrypted"))
      item.encrypted = AsFlag(*encrypted, Key(place, "encrypted"));
    if (const json* embedded = Find(value, "embedded")) {
      const std::string listPlace = Key(place, "embedded");
      if (item.kind != ItemKind::RichText)
        throw FixtureError(listPlace, "only a \"richtext\" item holds embedded objects");
      for (std::size_t i = 0; i < AsList(*embedded, listPlace).size(); ++i) {
        item.embedded.push_back(Embedded((*embedded)[i], Index(listPlace, i)));
      }
    }
    return item;
  }

  DocumentSpec Document(const json& value, const std::string& place) {
    AsObject(value, place);
    CheckKeys(value,
              {"id", "unid", "size", "has_embedded", "created", "encrypted", "unread", "unread_for", "items",
               "files"},
              place);
    DocumentSpec document;
    document.id = AsText(Require(value, "id", place), Key(place, "id"));
    if (document.id.empty()) throw FixtureError(Key(place, "id"), "empty");
    if (documentKeys.contains(document.id)) {
      throw FixtureError(Key(place, "id"), "\"" + document.id + "\" is used by an earlier document");
    }
    if (const json* unid = Find(value, "unid")) document.universalId = UniversalId(*unid, Key(place, "unid"));
    if (const json* size = Find(value, "size")) {
      document.size = AsWholeNumber(*size, Key(place, "size"), 0, std::numeric_limits<std::int64_t>::max());
    }
    if (const json* flag = Find(value, "has_embedded"))
      document.hasEmbedded = AsFlag(*flag, Key(place, "has_embedded"));
    if (const json* created = Find(value, "created")) {
      document.created = ParseIsoDateTime(AsText(*created, Key(place, "created")));
      if (!document.created)
        throw FixtureError(Key(place, "created"), "not a date-time (like 2008-11-05T14:30:00-05:00)");
    }
    if (const json* encrypted = Find(value, "encrypted"))
      document.encrypted = AsFlag(*encrypted, Key(place, "encrypted"));
    if (const json* unread = Find(value, "unread"); unread && AsFlag(*unread, Key(place, "unread")))
      document.unreadFor.emplace_back();
    if (const json* users = Find(value, "unread_for")) {
      const std::string listPlace = Key(place, "unread_for");
      for (std::size_t i = 0; i < AsList(*users, listPlace).size(); ++i) {
        std::string user = AsText((*users)[i], Index(listPlace, i));
        if (user.empty())
          throw FixtureError(Index(listPlace, i), "empty (\"unread\": true marks the owner's)");
        document.unreadFor.push_back(std::move(user));
      }
    }
    if (const json* items = Find(value, "items")) {
      const std::string listPlace = Key(place, "items");
      for (std::size_t i = 0; i < AsList(*items, listPlace).size(); ++i) {
        document.items.push_back(Item((*items)[i], Index(listPlace, i)));
        if (document.items.back().encrypted && !document.encrypted)
          throw FixtureError(Key(Index(listPlace, i), "encrypted"), "the document is not \"encrypted\"");
      }
    }
    // Files attached to the document outside any rich text: one "$FILE" item each.
    if (const json* files = Find(value, "files")) {
      const std::string listPlace = Key(place, "files");
      for (std::size_t i = 0; i < AsList(*files, listPlace).size(); ++i) {
        ItemSpec item{"$FILE", ItemKind::Attachment, {}, {}};
        item.embedded.push_back(Embedded((*files)[i], Index(listPlace, i)));
        if (item.embedded.back().type != notes::kFileAttachmentType)
          throw FixtureError(Key(Index(listPlace, i), "type"),
                             "a file outside the body is a file attachment (1454)");
        document.items.push_back(std::move(item));
      }
    }
    return document;
  }

  void View(const json& value, const std::string& place, StoreWriter& writer) {
    AsObject(value, place);
    CheckKeys(value, {"name", "folder", "documents", "count"}, place);
    const std::string& name = AsText(Require(value, "name", place), Key(place, "name"));
    const bool folder = AsFlag(Require(value, "folder", place), Key(place, "folder"));
    std::vector<std::int64_t> entries;
    if (const json* documents = Find(value, "documents")) {
      const std::string listPlace = Key(place, "documents");
      for (std::size_t i = 0; i < AsList(*documents, listPlace).size(); ++i) {
        const std::string& id = AsText((*documents)[i], Index(listPlace, i));
        const auto found = documentKeys.find(id);
        if (found == documentKeys.end())
          throw FixtureError(Index(listPlace, i), "no document \"" + id + "\"");
        entries.push_back(found->second);
      }
    }
    std::optional<std::int64_t> count;
    if (const json* stored = Find(value, "count")) {
      count = AsWholeNumber(*stored, Key(place, "count"), 0, std::numeric_limits<std::int64_t>::max());
    }
    writer.AddView(name, folder, entries, count);
  }
};

}  // namespace

FixtureError::FixtureError(std::string place, const std::string& problem)
    : std::runtime_error(place.empty() ? problem : place + ": " + problem), place_(std::move(place)) {}

void BuildStore(const nlohmann::json& fixture, const std::filesystem::path& store,
                const std::filesystem::path& baseFolder) {
  if (!fixture.is_object()) Wrong("", "a JSON object", fixture);
  CheckKeys(fixture, {"title", "views", "documents"}, "");
  Parser parser{baseFolder, {}, {}};
  StoreWriter writer(store);
  if (const json* title = Find(fixture, "title")) writer.SetTitle(AsText(*title, "title"));
  if (const json* documents = Find(fixture, "documents")) {
    AsList(*documents, "documents");
    for (std::size_t i = 0; i < documents->size(); ++i) {
      const std::string place = Index("documents", i);
      DocumentSpec document = parser.Document((*documents)[i], place);
      const std::string id = document.id;
      try {
        parser.documentKeys.emplace(id, writer.AddDocument(std::move(document)));
      } catch (const std::invalid_argument& error) {
        throw FixtureError(place, error.what());
      }
    }
  }
  if (const json* views = Find(fixture, "views")) {
    AsList(*views, "views");
    for (std::size_t i = 0; i < views->size(); ++i) parser.View((*views)[i], Index("views", i), writer);
  }
  writer.Commit();
}

void BuildStoreFromText(std::string_view fixtureText, const std::filesystem::path& store,
                        const std::filesystem::path& baseFolder) {
  json fixture;
  try {
    fixture = json::parse(fixtureText);
  } catch (const json::parse_error& error) {
    std::string message = error.what();
    // "[json.exception.parse_error.101] parse error at line 1, ..." without the library's prefix
    if (const auto end = message.find("] "); message.starts_with("[json.") && end != std::string::npos) {
      message.erase(0, end + 2);
    }
    throw FixtureError("", "not JSON: " + message);
  }
  BuildStore(fixture, store, baseFolder);
}

void BuildStoreFromFile(const std::filesystem::path& fixtureFile, const std::filesystem::path& store) {
  std::error_code error;
  const auto status = std::filesystem::status(fixtureFile, error);
  if (!std::filesystem::exists(status)) throw FixtureError("", "cannot be read (no such file)");
  if (!std::filesystem::is_regular_file(status)) throw FixtureError("", "cannot be read (not a file)");
  std::ifstream in(fixtureFile, std::ios::binary);
  if (!in) throw FixtureError("", std::string("cannot be read (") + std::strerror(errno) + ")");
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  BuildStoreFromText(text, store, fixtureFile.parent_path());
}

}  // namespace mailshift::standin
