// The program's e-mail composition component: one composer for every platform, writing the same
// bytes everywhere for the same message, Date, Message-ID and boundary.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/DateTime.h"
#include "export/EmailComposition.h"

namespace mailshift::platform {

struct MailComposerOptions {
  // Where the composer makes its private attachment spool folder (UTF-8); empty for the system's
  // temporary folder. Attachments are hard-linked into it when it is on their file system.
  std::string spoolParentFolder;
  // Each rendering of a message without a universal id asks for its Message-ID ("<left@right>")
  // and, with attachments, each rendering asks for its boundary (beginning with "=_"); unset,
  // both are random. A message with a universal id U has the Message-ID <U@notes.mailshift.invalid>
  // unless SetHeaders gave it the document's own.
  std::function<std::string()> newMessageId;
  std::function<std::string()> newBoundary;
  // The date a message carries when it is never given one; unset, the time it was created.
  std::function<DateTime()> clock;
};

// Messages are RFC 5322 and MIME with CR LF line ends and 7-bit clean: non-ASCII header text as
// RFC 2047 encoded words in UTF-8, the body as UTF-8 text/plain in quoted-printable or base64,
// attachments in base64 under RFC 2231 file names; multipart/mixed only with attachments.
// A message object keeps its attachments in the spool until it is destroyed; the renderer streams
// them, so an attachment of any size needs little memory. An attachment file may be deleted or
// replaced once added, but not rewritten in place while its message lives (it may be hard-linked).
std::unique_ptr<mail::EmailComponent> CreateMailComposer(MailComposerOptions options = {});

}  // namespace mailshift::platform
