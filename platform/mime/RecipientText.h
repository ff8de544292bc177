// Recipient texts as Notes hands them over: several recipients joined by ";", each either an
// Internet address (optionally with a display name) or a Notes name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailshift::platform {

struct Recipient {
  std::string displayName;  // for a Notes name: the whole name
  std::string address;      // the bare address; empty for a Notes name
  bool IsNotesName() const { return address.empty(); }
  friend bool operator==(const Recipient&, const Recipient&) = default;
};

// Splits at ";" and reads each non-empty piece. A piece is an Internet address only when it is
// a bare address ("ann@example.com") or a display name with one in angle brackets
// ("Ann Lee <ann@example.com>", "\"Lee, Ann\" <ann@example.com>"); anything else is kept whole
// as a Notes name, so that nothing is lost, merged or changed.
std::vector<Recipient> ParseRecipientText(std::string_view text);

// True for an RFC 5322 bare address in plain ASCII: a dot-atom or quoted local part, "@", and a
// dot-atom or bracketed domain.
bool IsAddrSpec(std::string_view text);

}  // namespace mailshift::platform
