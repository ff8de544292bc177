// One response of an IMAP server (RFC 3501 section 7) as the export reads it: untagged data,
// a continuation request, or the tagged end of a command. Nothing a server sends is trusted:
// lines, literals, lists and their nesting are bounded, and a response that breaks the grammar
// is refused with the reason rather than half read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::mail {

// A value of a response: an atom or number, a string (quoted or literal), NIL, or a list.
struct ImapValue {
  enum class Kind { Atom, String, Nil, List } kind = Kind::Atom;
  std::string text;              // atom or string
  std::vector<ImapValue> items;  // list

  bool IsAtom(std::string_view word) const;  // an atom of that spelling, letter case ignored
};

struct ImapResponse {
  enum class Kind { Untagged, Tagged, Continuation } kind = Kind::Untagged;
  std::string tag;  // Tagged only
  // "OK", "NO", "BAD", "PREAUTH", "BYE" in upper case, or "" for data ("* 3 EXISTS", "* LIST ...").
  std::string status;
  std::string code;  // the response code without its brackets ("APPENDUID 38505 3955"), or ""
  std::string text;  // the human-readable text after status and code
  // Untagged data: the values after "*" ("3" "EXISTS", "LIST" (...) "/" "INBOX").
  std::vector<ImapValue> data;
};

// The bounds put on what a server sends.
struct ImapLimits {
  static constexpr std::size_t kLineBytes = 64 * 1024;       // one line without its literals
  static constexpr std::size_t kLiteralBytes = 1024 * 1024;  // one literal
  static constexpr std::size_t kResponseBytes = 4 * 1024 * 1024;
  static constexpr std::size_t kDepth = 16;        // lists within lists
  static constexpr std::size_t kValues = 100'000;  // values in one response
};

// Parses one whole response: its lines joined as they came (CR LF included), each literal's bytes
// right after its "{n}" CR LF. Gives the reason in problem and nothing for a response it refuses.
std::optional<ImapResponse> ParseImapResponse(std::string_view response, std::string& problem);

// The size of the literal announced at the end of a line ("... {42}" or "{42+}" without the CR
// LF); none when the line ends otherwise.
std::optional<std::uint64_t> LiteralAtLineEnd(std::string_view line);

// A string as IMAP writes it: a quoted string when it may be one, else none (the caller sends a
// literal).
std::optional<std::string> ImapQuoted(std::string_view text);

// The number of milliseconds a throttled server asks to wait ("Suggested Backoff Time: 1234
// milliseconds", as Office 365 says it); none when the text asks for no wait.
std::optional<std::int64_t> SuggestedBackoff(std::string_view text);

}  // namespace mailshift::mail
