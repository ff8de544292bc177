// The names a Notes folder takes in a mail store (an IMAP server, an mbox or Maildir tree): the
// standard folders under the names mail programs give them, a user folder as its levels, and the
// modified UTF-7 that IMAP and Maildir++ write names in.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/MessageDestination.h"

namespace mailshift::mail {

// The special folders a mail store knows by their use.
enum class SpecialUse { None, Inbox, Sent, Drafts, Junk, Trash };

SpecialUse SpecialUseOf(const DeliveryFolder& folder);

// The levels of the folder's mailbox: a standard folder has one ("Inbox", "Sent", "Drafts",
// "Follow Up", "Junk", "Trash"); a user folder its Notes levels, each trimmed, empty levels left
// out, and the characters no store takes in a name (controls, "/" and "\") made "-".
std::vector<std::string> MailboxLevels(const DeliveryFolder& folder);

// The UTF-8 name in modified UTF-7 (IMAP mailbox names, RFC 3501 section 5.1.3). A broken UTF-8
// sequence becomes U+FFFD.
std::string ModifiedUtf7(std::string_view utf8);
// Back to UTF-8; none for a text that is no modified UTF-7.
std::optional<std::string> FromModifiedUtf7(std::string_view text);

// A category as an IMAP keyword (an atom without "\"): characters no atom may hold become "_";
// "" when nothing is left.
std::string KeywordAtom(std::string_view category);

}  // namespace mailshift::mail
