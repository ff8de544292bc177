// The sender and recipients of a Notes mail document as people: each entry of an Internet-form
// item ("InetSendTo") and its Notes-form item ("SendTo") read together, entry by entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/EmailItem.h"
#include "export/NamesTable.h"

namespace mailshift::mail {

// An Internet address entry of a document or a header: "ann@x.example",
// "Ann Lee <ann@x.example>", "\"Lee, Ann\" <ann@x.example>". Nothing for anything else.
struct AddressEntry {
  std::string name;  // unquoted; empty for none
  std::string address;
};
std::optional<AddressEntry> ReadAddressEntry(std::string_view text);

// The people of one list. Entry i comes from the Internet form where it holds an address there,
// else from the Notes form at i (an Internet address of its own, or a Notes name, which the names
// table may give an address). Entries that are empty in both forms are no one. A person with an
// Internet address keeps the name the Notes form gives beside it.
People PeopleOfEntries(const std::vector<std::string>& internetForm,
                       const std::vector<std::string>& notesForm, const NamesTable& names);

// The people as the ";"-joined recipient text the log and texts-only components read.
std::string PeopleText(const People& people);

// Gives each person whose address the header's address list holds the display name it has there
// (a field value of a message stored as MIME: "\"Quill, Marta\" <marta@x.example>, bob@y.example",
// encoded words decoded). Addresses compare without regard to letter case.
void NamePeopleFromHeader(People& people, std::string_view addressList);

}  // namespace mailshift::mail
