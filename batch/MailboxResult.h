// What became of one mailbox of a batch: the row of the report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailshift::batch {

enum class MailboxStatus { Done, DoneWithErrors, Failed, Skipped, Running };

std::string_view StatusText(MailboxStatus status);  // "done", "done with errors", ...
std::optional<MailboxStatus> StatusNamed(std::string_view text);

struct MailboxResult {
  std::string database;
  std::string destination;
  std::string owner;
  MailboxStatus status = MailboxStatus::Skipped;
  std::int64_t folders = 0;     // folders exported
  std::int64_t written = 0;     // messages in the output, those of earlier runs included
  std::int64_t notWritten = 0;  // messages that could not be written
  std::int64_t partial = 0;     // written with a part missing or wrong
  std::int64_t encrypted = 0;   // encrypted, with items left unread
  std::int64_t bytes = 0;       // the size of the mailbox's message files
  double seconds = 0;           // the time its export took
  std::string firstError;       // the first thing that went wrong; "" when nothing did
  std::string log;              // the export's log
};

}  // namespace mailshift::batch
