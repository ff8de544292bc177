// Header texts of MIME entities as they are read: encoded words (RFC 2047) and parameters
// (RFC 2231, with their continuations and character sets) decoded to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace mailshift::mail {

// The text with every encoded word ("=?UTF-8?B?...?=", "=?iso-8859-1?Q?...?=") decoded; blanks
// between two encoded words are dropped. Words in a character set other than UTF-8, US-ASCII,
// ISO-8859-1 and windows-1252, or that are not well formed, stay as they are.
std::string DecodeEncodedWords(std::string_view text);

// A parameter of a field value, decoded: "name*=UTF-8''%E2%82%AC.pdf", the continuations
// "name*0*=", "name*1=", ... joined, and a plain "name=" with encoded words decoded. "" when the
// value has no such parameter. The name ignores letter case.
std::string DecodedParameter(std::string_view value, std::string_view name);

// Bytes in a character set as UTF-8; false when the set is not one of those above.
bool ToUtf8(std::string_view bytes, std::string_view charset, std::string& out);

}  // namespace mailshift::mail
