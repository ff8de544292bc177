// The e-mail composition component over GMime 3.
#pragma once

#include <memory>
#include <string>

#include "export/EmailComposition.h"

namespace mailshift::platform {

struct GMimeComponentOptions {
  // Where the component makes its private attachment spool folder; empty for the system's
  // temporary folder. Attachments are hard-linked into it when it is on their file system.
  std::string spoolParentFolder;
};

// Messages are RFC 5322 and MIME with CR LF line ends and 7-bit clean: non-ASCII header text as
// RFC 2047 encoded words in UTF-8, the body as UTF-8 text/plain in quoted-printable or base64,
// attachments in base64 under RFC 2231 file names; multipart/mixed only with attachments.
// A message object keeps its attachments in the spool until it is destroyed; the renderer streams
// them, so an attachment of any size needs little memory. An attachment file may be deleted or
// replaced once added, but not rewritten in place while its message lives (it may be hard-linked).
std::unique_ptr<mail::EmailComponent> CreateGMimeEmailComponent(const GMimeComponentOptions& options = {});

}  // namespace mailshift::platform
