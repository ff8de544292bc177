// The fixture the test Notes server answers from: the store tool's JSON form, read into memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/DateTime.h"

namespace mailshift::platform::win::testing {

struct Fault {
  HRESULT code = 0;
  std::wstring description;
  bool raised = true;  // a COM exception with its description, else a bare failure code
};

// Keyed by the lower-case member name, or member name, ":" and lower-case first argument.
using Faults = std::map<std::wstring, Fault>;

struct FixtureEmbedded {
  std::wstring name;
  int type = 1454;
  std::string bytes;
  Faults faults;
};

// MimePart: an item stored as MIME, which reads as the text of its first text/plain entity.
enum class ItemKind { Text, Number, DateTime, RichText, MimePart };

struct FixtureMimeEntity {
  std::wstring contentType;
  std::wstring contentSubType;
  std::wstring headers;  // each line ending in CR LF
  std::string content;   // decoded bytes
  std::vector<FixtureMimeEntity> children;
};

struct FixtureItem {
  std::wstring name;
  ItemKind kind = ItemKind::Text;
  std::vector<std::wstring> texts;  // text items; the text of a rich-text or MIME item
  std::vector<double> numbers;
  std::vector<DateTime> dates;
  std::vector<FixtureEmbedded> embedded;
  // A MIME item's entities; a rich-text item's conversion by ConvertToMIME, if the fixture gives it.
  std::optional<FixtureMimeEntity> mime;
  Faults faults;
};

// What a document answers to UniversalID: the fixture's "unid" as it stands (text or number),
// or "" when it gives none.
struct FixtureUniversalId {
  std::wstring text;
  std::optional<double> number;
};

struct FixtureDocument {
  std::wstring id;
  FixtureUniversalId universalId;
  std::int64_t size = 0;
  bool hasEmbedded = false;
  // IsEncrypted; an item marked "encrypted" fails to read, as one encrypted for another ID.
  bool encrypted = false;
  // Created: the fixture's "created", else the earliest date-time of its items, else
  // 2000-01-01T00:00:00Z, as the built-in stand-in gives it.
  std::optional<DateTime> created;
  std::vector<FixtureItem> items;
  // Files attached outside any rich text ("$FILE" items), in order.
  std::vector<FixtureEmbedded> files;
  Faults faults;
};

struct FixtureView {
  std::wstring name;
  bool folder = false;
  std::vector<std::size_t> documents;  // indexes into Fixture::documents
  std::optional<std::int64_t> count;
  Faults faults;
};

struct Fixture {
  std::wstring title;
  // The documents each user has not read ("unread" marks the owner's, L""; "unread_for" others'),
  // as lists the server walks like views; GetAllUnreadDocuments of a user without one is empty.
  std::map<std::wstring, FixtureView> unreadFor;
  // "com_without": lower-case names of members the documents do not have, as an older client
  // lacks them.
  std::set<std::wstring> documentsWithout;
  std::vector<FixtureView> views;
  std::vector<FixtureDocument> documents;
  Faults faults;
};

// Reads a fixture file; throws std::runtime_error naming the fault when it cannot.
std::shared_ptr<const Fixture> LoadFixture(const std::wstring& path);

// The fault for a member (and its first argument), if the faults name one.
const Fault* FindFault(const Faults& faults, const std::wstring& member, const std::wstring* firstArgument);

// Parses "2008-11-05T14:30:00-05:00" or "...Z".
std::optional<DateTime> ParseIsoDateTime(const std::string& text);

}  // namespace mailshift::platform::win::testing
