// Writing one message's fields as an Internet message (RFC 5322 and MIME) through GMime.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "platform/gmime/RecipientText.h"

namespace mailshift::platform {

struct AttachedFile {
  std::string name;         // the file name the part carries
  std::string spooledPath;  // where its content waits
};

struct MessageContent {
  std::vector<Recipient> from;
  std::vector<Recipient> to;
  std::vector<Recipient> cc;
  std::vector<Recipient> bcc;
  std::string subject;
  std::string body;
  DateTime date;
  std::vector<AttachedFile> attachments;
};

// Initialises GMime once per process; safe to call from any thread.
void EnsureGMimeInitialised();

// Throws mail::EmailError when the date cannot stand in a Date field (years 1900 to 9999).
void CheckMessageDate(const DateTime& date);

// Writes the message with CR LF line ends, 7-bit clean, streaming attachment content from the
// spooled files. The text ends without its final line end, which the caller writes. Throws
// mail::EmailError when writing fails.
void WriteInternetMessage(const MessageContent& content, std::FILE* target);

}  // namespace mailshift::platform
