// Header field values of an Internet message, written 7-bit clean: plain where the text allows
// it, RFC 2047 encoded words in UTF-8 otherwise, file names as RFC 2231 parameters.
//
// Each value is the raw text that follows "Name:" on the header line: it begins with a space,
// folded lines are joined by "\n " and it ends with "\n". Lines stay within 78 characters where
// the text allows it and always within 998.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/mime/RecipientText.h"

namespace mailshift::platform {

// An unstructured field (Subject): every character is kept, spaces and control characters too.
std::string UnstructuredFieldValue(std::string_view fieldName, std::string_view text);

// An address field (From, To, Cc, Bcc). A Notes name without an Internet address becomes one
// mailbox: the name as its display name and NotesNameAddress of it, so that mail readers show the
// name and parsers read one mailbox ("\"Bob Ray/Org\" <Bob.Ray.Org@notes.mailshift.invalid>").
std::string AddressFieldValue(std::string_view fieldName, const std::vector<Recipient>& recipients);

// The address that stands for a Notes name: its ASCII letters and digits as dot-separated words
// (a hash of the name appended when it holds other characters, so that two names never share
// one) at the reserved domain "notes.mailshift.invalid", which no mail can reach.
std::string NotesNameAddress(std::string_view notesName);

// The message ids in a text, each "<left@right>" in printable ASCII; what is no id is left out.
std::vector<std::string> MessageIds(std::string_view text);

// A field of message ids (In-Reply-To, References), folded between ids.
std::string MessageIdsFieldValue(std::string_view fieldName, const std::vector<std::string>& ids);

// The Keywords field: the phrases separated by commas, encoded words where a phrase needs them.
std::string KeywordsFieldValue(std::string_view fieldName, const std::vector<std::string>& keywords);

// A field as another message carried it (Reply-To, List-Id, ...): printable ASCII kept as it
// stands (encoded words too), tabs as blanks, folded at its blanks. "" when it cannot be written
// so: other characters, or a word too long for a line.
std::string KeptFieldValue(std::string_view fieldName, std::string_view value);

// A Content-Type or Content-Disposition value with one file-name parameter, e.g.
// (" attachment", "filename", "Bericht.pdf").
std::string FileNameFieldValue(std::string_view leadingValue, std::string_view parameterName,
                               std::string_view fileName);

}  // namespace mailshift::platform
