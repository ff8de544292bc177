// The e-mail composition component over GMime 3.
#pragma once

#include <memory>
#include <string>

#include "export/EmailComposition.h"

namespace mailshift::platform {

struct GMimeComponentOptions {
  // Where each message makes its private attachment spool folder; empty for the system's
  // temporary folder. Attachments are hard-linked into it when it is on their file system.
  std::string spoolParentFolder;
};

// Messages are RFC 5322 and MIME with CR LF line ends and 7-bit clean: non-ASCII header text as
// RFC 2047 encoded words in UTF-8, the body as UTF-8 text/plain in quoted-printable or base64,
// attachments in base64 under RFC 2231 file names; multipart/mixed only with attachments.
// A message object keeps its attachments in its spool until it is destroyed; the renderer streams
// them, so an attachment of any size needs little memory.
std::unique_ptr<mail::EmailComponent> CreateGMimeEmailComponent(const GMimeComponentOptions& options = {});

}  // namespace mailshift::platform
