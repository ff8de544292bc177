#include "platform/win/testing/TestNotesFixture.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

#include "common/Base64.h"
#include "common/LocalTimeWindows.h"
#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"

namespace mailshift::platform::win::testing {
namespace {

using nlohmann::json;

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

[[noreturn]] void Bad(const std::string& where, const std::string& what) {
  throw std::runtime_error("fixture: " + where + ": " + what);
}

const json& Required(const json& object, const char* key, const std::string& where) {
  if (!object.is_object() || !object.contains(key)) Bad(where, std::string("missing \"") + key + "\"");
  return object.at(key);
}

std::wstring TextOf(const json& value, const std::string& where) {
  if (!value.is_string()) Bad(where, "text expected");
  return Utf8ToWide(value.get<std::string>());
}

std::string Base64Bytes(const std::string& text, const std::string& where) {
  std::optional<std::string> bytes = DecodeBase64(text);
  if (!bytes) Bad(where, "bad base64");
  return std::move(*bytes);
}

Faults ReadFaults(const json& owner, const std::string& where) {
  Faults faults;
  if (!owner.contains("com_faults")) return faults;
  const json& list = owner.at("com_faults");
  if (!list.is_object()) Bad(where, "\"com_faults\" must be an object");
  for (const auto& [key, value] : list.items()) {
    Fault fault;
    fault.code = kTestNotesErrorCode;
    if (value.is_string()) {
      fault.description = Utf8ToWide(value.get<std::string>());
    } else if (value.is_object()) {
      fault.description = Utf8ToWide(value.value("description", std::string()));
      fault.raised = value.value("raised", true);
      if (value.contains("hresult"))
        fault.code = static_cast<HRESULT>(value.at("hresult").get<std::int64_t>());
    } else {
      Bad(where, "a fault is a text or an object");
    }
    faults[Lower(Utf8ToWide(key))] = fault;
  }
  return faults;
}

// The bytes of "base64", "text" or "file" (relative to the fixture's folder); none when none is given.
std::string ContentBytes(const json& node, const std::filesystem::path& folder, const std::string& where) {
  if (node.contains("base64")) return Base64Bytes(node.at("base64").get<std::string>(), where);
  if (node.contains("text")) {
    if (!node.at("text").is_string()) Bad(where, "text expected");
    return node.at("text").get<std::string>();
  }
  if (node.contains("file")) {
    std::ifstream in(folder / std::filesystem::path(TextOf(node.at("file"), where)), std::ios::binary);
    if (!in) Bad(where, "cannot read its file");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return {};
}

FixtureMimeEntity ReadEntity(const json& node, const std::filesystem::path& folder,
                             const std::string& where) {
  FixtureMimeEntity entity;
  const std::wstring type = TextOf(Required(node, "type", where), where);
  const auto slash = type.find(L'/');
  if (slash == std::wstring::npos) Bad(where, "a MIME type is \"type/subtype\"");
  entity.contentType = type.substr(0, slash);
  entity.contentSubType = type.substr(slash + 1);
  for (const auto& line : node.value("headers", json::array()))
    entity.headers += TextOf(line, where) + L"\r\n";
  entity.content = ContentBytes(node, folder, where);
  for (const auto& part : node.value("parts", json::array()))
    entity.children.push_back(ReadEntity(part, folder, where + " part"));
  return entity;
}

// The text a client that converts MIME gives for the item: its first text/plain entity's.
std::optional<std::string> FirstPlainText(const FixtureMimeEntity& entity) {
  if (Lower(entity.contentType) == L"text" && Lower(entity.contentSubType) == L"plain") return entity.content;
  for (const auto& child : entity.children)
    if (auto text = FirstPlainText(child)) return text;
  return std::nullopt;
}

FixtureEmbedded ReadEmbedded(const json& object, const std::filesystem::path& folder, const std::string& at) {
  FixtureEmbedded embedded;
  embedded.name = TextOf(Required(object, "name", at), at);
  embedded.type = object.value("type", 1454);
  embedded.faults = ReadFaults(object, at);
  if (object.contains("base64")) {
    embedded.bytes = Base64Bytes(object.at("base64").get<std::string>(), at);
  } else if (object.contains("file")) {
    embedded.bytes = ContentBytes(object, folder, at);
  }
  return embedded;
}

std::int64_t DataSize(const FixtureItem& item) {
  std::int64_t size = static_cast<std::int64_t>(item.name.size());
  for (const auto& text : item.texts) size += static_cast<std::int64_t>(WideToUtf8(text).size());
  size += 8 * static_cast<std::int64_t>(item.numbers.size() + item.dates.size());
  for (const auto& embedded : item.embedded) size += static_cast<std::int64_t>(embedded.bytes.size());
  return size;
}

FixtureItem ReadItem(const json& node, const std::filesystem::path& folder, const std::string& where) {
  FixtureItem item;
  item.name = TextOf(Required(node, "name", where), where);
  item.faults = ReadFaults(node, where);
  if (node.contains("text")) {
    item.kind = ItemKind::Text;
    for (const auto& text : node.at("text")) item.texts.push_back(TextOf(text, where));
  } else if (node.contains("number")) {
    item.kind = ItemKind::Number;
    for (const auto& number : node.at("number")) {
      if (!number.is_number()) Bad(where, "number expected");
      item.numbers.push_back(number.get<double>());
    }
  } else if (node.contains("datetime")) {
    item.kind = ItemKind::DateTime;
    for (const auto& text : node.at("datetime")) {
      const auto when = text.is_string() ? ParseIsoDateTime(text.get<std::string>()) : std::nullopt;
      if (!when) Bad(where, "bad date-time");
      item.dates.push_back(*when);
    }
  } else if (node.contains("richtext")) {
    item.kind = ItemKind::RichText;
    item.texts.push_back(TextOf(node.at("richtext"), where));
    if (node.contains("embedded")) {
      for (const auto& object : node.at("embedded"))
        item.embedded.push_back(ReadEmbedded(object, folder, where + " embedded"));
    }
    if (node.contains("converted"))
      item.mime = ReadEntity(node.at("converted"), folder, where + " converted");
  } else if (node.contains("mime")) {
    item.kind = ItemKind::MimePart;
    item.mime = ReadEntity(node.at("mime"), folder, where + " mime");
    item.texts.push_back(Utf8ToWide(FirstPlainText(*item.mime).value_or(std::string())));
  } else {
    Bad(where, "an item needs text, number, datetime or richtext");
  }
  return item;
}

}  // namespace

std::optional<DateTime> ParseIsoDateTime(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                  &consumed) != 6) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  const std::string zone = text.substr(static_cast<std::size_t>(consumed));
  int offset = 0;
  if (zone != "Z") {
    int zoneHours = 0, zoneMinutes = 0;
    char sign = 0;
    if (zone.size() != 6 || std::sscanf(zone.c_str(), "%c%2d:%2d", &sign, &zoneHours, &zoneMinutes) != 3 ||
        (sign != '+' && sign != '-')) {
      return std::nullopt;
    }
    offset = (sign == '-' ? -1 : 1) * (zoneHours * 60 + zoneMinutes);
  }
  const std::int64_t local =
      windows::SecondsFromCivil(windows::CivilTime{year, month, day, hour, minute, second});
  return DateTime{local - offset * 60, offset};
}

std::shared_ptr<const Fixture> LoadFixture(const std::wstring& path) {
  const std::filesystem::path file(path);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("fixture: cannot open " + WideToUtf8(path));
  json root;
  try {
    root = json::parse(in);
  } catch (const json::exception& error) {
    throw std::runtime_error(std::string("fixture: not JSON: ") + error.what());
  }
  if (!root.is_object()) Bad("top", "an object expected");

  auto fixture = std::make_shared<Fixture>();
  try {
    fixture->title = TextOf(root.value("title", json("")), "title");
    fixture->faults = ReadFaults(root, "top");
    for (const auto& member : root.value("com_without", json::array())) {
      fixture->documentsWithout.insert(Lower(TextOf(member, "com_without")));
    }
    std::map<std::wstring, std::size_t> documentIndex;
    for (const auto& node : root.value("documents", json::array())) {
      const std::string where = "document " + std::to_string(fixture->documents.size());
      FixtureDocument document;
      document.id = TextOf(Required(node, "id", where), where);
      document.faults = ReadFaults(node, where);
      if (node.contains("unid")) {
        const json& unid = node.at("unid");
        if (unid.is_number()) {
          document.universalId.number = unid.get<double>();
        } else {
          document.universalId.text = TextOf(unid, where);
        }
      }
      document.encrypted = node.value("encrypted", false);
      if (node.contains("created")) {
        const json& created = node.at("created");
        document.created = created.is_string() ? ParseIsoDateTime(created.get<std::string>()) : std::nullopt;
        if (!document.created) Bad(where, "bad \"created\"");
      }
      for (const auto& item : node.value("items", json::array())) {
        document.items.push_back(ReadItem(item, file.parent_path(), where));
        if (item.value("encrypted", false)) {
          document.faults[L"getitemvalue:" + Lower(document.items.back().name)] =
              Fault{kTestNotesErrorCode, L"the item " + document.items.back().name +
                                             L" is encrypted and cannot be decrypted with this ID"};
        }
        for (const auto& when : document.items.back().dates) {
          if (!node.contains("created") &&
              (!document.created || when.secondsSinceEpoch < document.created->secondsSinceEpoch))
            document.created = when;
        }
      }
      for (const auto& attached : node.value("files", json::array()))
        document.files.push_back(ReadEmbedded(attached, file.parent_path(), where + " files"));
      std::int64_t size = 0;
      bool embedded = !document.files.empty();
      for (const auto& item : document.items) {
        size += DataSize(item);
        embedded = embedded || !item.embedded.empty();
      }
      document.size = node.contains("size") ? node.at("size").get<std::int64_t>() : size;
      document.hasEmbedded = node.contains("has_embedded") ? node.at("has_embedded").get<bool>() : embedded;
      // As the built-in stand-in: every document has a creation date.
      if (!document.created) document.created = DateTime{946684800, 0};
      documentIndex[document.id] = fixture->documents.size();
      if (node.value("unread", false)) fixture->unreadFor[L""].documents.push_back(fixture->documents.size());
      for (const auto& user : node.value("unread_for", json::array())) {
        fixture->unreadFor[Lower(TextOf(user, where))].documents.push_back(fixture->documents.size());
      }
      fixture->documents.push_back(std::move(document));
    }
    for (const auto& node : root.value("views", json::array())) {
      const std::string where = "view " + std::to_string(fixture->views.size());
      FixtureView view;
      view.name = TextOf(Required(node, "name", where), where);
      view.folder = node.value("folder", false);
      view.faults = ReadFaults(node, where);
      if (node.contains("count")) view.count = node.at("count").get<std::int64_t>();
      for (const auto& id : node.value("documents", json::array())) {
        const auto found = documentIndex.find(TextOf(id, where));
        if (found == documentIndex.end()) Bad(where, "unknown document " + id.get<std::string>());
        view.documents.push_back(found->second);
      }
      fixture->views.push_back(std::move(view));
    }
  } catch (const json::exception& error) {
    throw std::runtime_error(std::string("fixture: wrong type: ") + error.what());
  }
  return fixture;
}

const Fault* FindFault(const Faults& faults, const std::wstring& member, const std::wstring* firstArgument) {
  if (faults.empty()) return nullptr;
  const std::wstring name = Lower(member);
  if (firstArgument != nullptr) {
    const auto found = faults.find(name + L":" + Lower(*firstArgument));
    if (found != faults.end()) return &found->second;
  }
  const auto found = faults.find(name);
  return found != faults.end() ? &found->second : nullptr;
}

}  // namespace mailshift::platform::win::testing
