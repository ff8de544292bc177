// Writing one message's fields as an Internet message: RFC 5322 and MIME, 7-bit clean, CR LF.
#pragma once

#include <cstdio>
#include <string>

#include "platform/mime/MessageContent.h"

namespace mailshift::platform {

// What makes one rendering unique.
struct MessageIdentity {
  std::string messageId;  // with its angle brackets: "<left@right>"
  // The multipart boundary. It must begin with "=_": neither quoted-printable nor base64 text can
  // hold that, so the boundary never occurs in a part's content.
  std::string boundary;
};

// Writes the message: the header, then a text/plain UTF-8 body in quoted-printable (or base64
// for mostly non-ASCII text), and with attachments a multipart/mixed body whose file parts are
// streamed in base64 from the spooled files. The text ends without its final line end, which
// the caller writes. Throws mail::EmailError when the date cannot be written, an attachment
// cannot be read or writing fails.
void WriteInternetMessage(const MessageContent& content, const MessageIdentity& identity, std::FILE* target);

}  // namespace mailshift::platform
