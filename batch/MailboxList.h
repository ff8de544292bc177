// The mailboxes of a batch: read from a list (CSV with a header row) or found in a folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::batch {

struct Mailbox {
  std::size_t line = 0;              // the list's line it came from; its place when found in a folder
  std::string database;              // the mail database
  std::string destination;           // where its export goes, as export takes it
  std::string names;                 // a names table for it; "" for none
  std::string owner;                 // whose mailbox it is, for the report
  std::vector<std::string> exclude;  // folders left out of its export
};

struct MailboxListRead {
  std::vector<Mailbox> mailboxes;
  std::vector<std::string> problems;  // "line N: ..." for every line that is wrong
};

// The most mailboxes one list may hold, and the most bytes of a list file.
inline constexpr std::size_t kMostMailboxes = 200'000;
inline constexpr std::size_t kMostListBytes = 64u << 20;

// Reads the text of a list: a header row naming the columns `database` and `destination`, and
// optionally `names`, `owner` and `exclude` (folders separated by ";"), in any order; then one
// mailbox a row. Relative paths are taken from `base` (the list's folder). Every row is checked;
// a list with any problem gives no mailboxes.
MailboxListRead ReadMailboxList(std::string_view text, const std::string& base);

// Every `.nsf` file below `folder` (in any letter case, links not followed), in name order, each
// to its own output folder under `destination`, named after the file. Problems say what could
// not be searched.
MailboxListRead FindMailboxes(const std::string& folder, const std::string& destination);

// The text a path from a list means, relative paths taken from base; a destination that is not a
// plain path (it names a scheme such as "imap://") is kept as it is.
std::string ListPath(const std::string& path, const std::string& base);

}  // namespace mailshift::batch
