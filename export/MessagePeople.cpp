#include "export/MessagePeople.h"

#include <algorithm>

#include "common/TextRules.h"
#include "export/EmailComposition.h"
#include "export/MimeWords.h"

namespace mailshift::mail {
namespace {

// "." as an Internet-form entry: this entry has no Internet address.
constexpr std::string_view kNoInternetAddress = ".";

// An address list longer than this is damaged or hostile: the rest gives no names.
constexpr std::size_t kMostHeaderMailboxes = 10'000;

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool LooksLikeAddress(std::string_view text) {
  const auto at = text.rfind('@');
  return at != std::string_view::npos && at > 0 && at + 1 < text.size() &&
         text.find_first_of(" \t<>,;\"()") == std::string_view::npos;
}

std::string Unquoted(std::string_view name) {
  name = TrimBlanks(name);
  if (name.size() < 2 || name.front() != '"' || name.back() != '"') return std::string(name);
  std::string text;
  for (std::size_t i = 1; i + 1 < name.size(); ++i) {
    if (name[i] == '\\' && i + 2 < name.size()) ++i;
    text += name[i];
  }
  return text;
}

bool SameAddress(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// A Notes-form entry as a person: an Internet address of its own, or a Notes name.
Person PersonOfNotesEntry(std::string_view entry, const NamesTable& names) {
  if (IsInternetAddressEntry(entry)) {
    if (auto read = ReadAddressEntry(entry))
      return Person{std::move(read->name), "", std::move(read->address), AddressSource::NotesItem};
  }
  Person person{ShownNotesName(entry), std::string(entry), "", AddressSource::None};
  person.address = names.AddressOf(entry);
  if (!person.address.empty()) person.source = AddressSource::NamesTable;
  return person;
}

// The mailboxes of an address list, split at its top-level commas; groups give their members.
std::vector<std::string_view> Mailboxes(std::string_view list) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  bool quoted = false;
  int comment = 0;
  bool angle = false;
  for (std::size_t i = 0; i < list.size() && pieces.size() < kMostHeaderMailboxes; ++i) {
    const char c = list[i];
    if (quoted) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        quoted = false;
    } else if (comment > 0) {
      if (c == '\\')
        ++i;
      else if (c == '(')
        ++comment;
      else if (c == ')')
        --comment;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      comment = 1;
    } else if (c == '<') {
      angle = true;
    } else if (c == '>') {
      angle = false;
    } else if (!angle && (c == ',' || c == ';' || c == ':')) {
      if (c != ':') pieces.push_back(list.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(list.substr(std::min(start, list.size())));
  return pieces;
}

// The text without its comments ("(...)") outside quotes.
std::string WithoutComments(std::string_view text) {
  std::string kept;
  bool quoted = false;
  int comment = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (comment > 0) {
      if (c == '\\')
        ++i;
      else if (c == '(')
        ++comment;
      else if (c == ')')
        --comment;
      continue;
    }
    if (!quoted && c == '(') {
      comment = 1;
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (quoted && c == '\\' && i + 1 < text.size()) kept += text[i++];
    kept += c;
  }
  return kept;
}

}  // namespace

std::optional<AddressEntry> ReadAddressEntry(std::string_view text) {
  text = TrimBlanks(text);
  if (LooksLikeAddress(text)) return AddressEntry{"", std::string(text)};
  if (text.empty() || text.back() != '>') return std::nullopt;
  const auto open = text.rfind('<');
  if (open == std::string_view::npos) return std::nullopt;
  const std::string_view address = TrimBlanks(text.substr(open + 1, text.size() - open - 2));
  if (!LooksLikeAddress(address)) return std::nullopt;
  return AddressEntry{Unquoted(text.substr(0, open)), std::string(address)};
}

People PeopleOfEntries(const std::vector<std::string>& internetForm,
                       const std::vector<std::string>& notesForm, const NamesTable& names) {
  People people;
  const std::size_t count = std::max(internetForm.size(), notesForm.size());
  people.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string internet = i < internetForm.size() ? Trim(internetForm[i]) : std::string();
    const std::string notesEntry = i < notesForm.size() ? Trim(notesForm[i]) : std::string();
    const std::optional<AddressEntry> read =
        internet.empty() || internet == kNoInternetAddress ? std::nullopt : ReadAddressEntry(internet);
    if (!read && !internet.empty() && internet != kNoInternetAddress && notesEntry.empty()) {
      // Something that is no address and nothing beside it: kept as the name it is.
      people.push_back(Person{internet, "", "", AddressSource::None});
      continue;
    }
    if (!read) {
      if (!notesEntry.empty()) people.push_back(PersonOfNotesEntry(notesEntry, names));
      continue;
    }
    Person person{read->name, "", read->address, AddressSource::InternetItem};
    if (!notesEntry.empty()) {
      const Person beside = PersonOfNotesEntry(notesEntry, names);
      if (beside.source != AddressSource::NotesItem) person.notesName = beside.notesName;
      if (person.displayName.empty() &&
          (beside.source != AddressSource::NotesItem || SameAddress(beside.address, person.address)))
        person.displayName = beside.displayName;
    }
    people.push_back(std::move(person));
  }
  return people;
}

std::string PeopleText(const People& people) {
  std::vector<std::string> texts;
  texts.reserve(people.size());
  for (const Person& person : people) texts.push_back(PersonText(person));
  return Join(texts, ";");
}

void NamePeopleFromHeader(People& people, std::string_view addressList) {
  for (const std::string_view mailbox : Mailboxes(addressList)) {
    const std::string text = WithoutComments(mailbox);
    const auto read = ReadAddressEntry(text);
    if (!read || read->name.empty()) continue;
    const std::string name = Trim(ReplaceControlCharacters(DecodeEncodedWords(read->name), " ", true));
    if (name.empty()) continue;
    for (Person& person : people) {
      if (!person.address.empty() && SameAddress(person.address, read->address)) person.displayName = name;
    }
  }
}

}  // namespace mailshift::mail
