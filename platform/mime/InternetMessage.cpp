#include "platform/mime/InternetMessage.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

#include "common/Utf8.h"
#include "export/EmailComposition.h"
#include "platform/mime/BodyEncoding.h"
#include "platform/mime/DateField.h"
#include "platform/mime/HeaderFields.h"
#include "platform/mime/MessageSink.h"
#include "platform/mime/Utf8Path.h"

namespace mailshift::platform {
namespace {

// Attachments are read in chunks of whole base64 lines, small enough that the sink's buffer need
// not grow to take the encoding of one.
constexpr std::size_t kReadChunk = Base64Lines::kBytesPerLine * 1024;

// A line put together from pieces, without a temporary string.
void WriteLine(MessageSink& sink, std::string_view start, std::string_view middle,
               std::string_view end = "\r\n") {
  sink.Write(start);
  sink.Write(middle);
  sink.Write(end);
}

// A field whose raw value comes from HeaderFields: folds as "\n ", ending in "\n".
void WriteField(MessageSink& sink, std::string_view name, std::string_view rawValue) {
  sink.WriteWith([&](std::string& out) {
    out.append(name);
    out += ':';
    std::size_t at = 0;
    for (std::size_t lf; (lf = rawValue.find('\n', at)) != std::string_view::npos; at = lf + 1) {
      out.append(rawValue.substr(at, lf - at));
      out += "\r\n";
    }
    out.append(rawValue.substr(at));
  });
}

void WriteAddressField(MessageSink& sink, std::string_view name, const std::vector<Recipient>& recipients) {
  if (!recipients.empty()) WriteField(sink, name, AddressFieldValue(name, recipients));
}

// Importance (RFC 2156) and the X-Priority that mail clients read beside it.
void WriteImportance(MessageSink& sink, mail::Importance importance) {
  switch (importance) {
    case mail::Importance::High:
      sink.Write("Importance: high\r\nX-Priority: 1 (Highest)\r\n");
      break;
    case mail::Importance::Normal:
      sink.Write("Importance: normal\r\nX-Priority: 3 (Normal)\r\n");
      break;
    case mail::Importance::Low:
      sink.Write("Importance: low\r\nX-Priority: 5 (Lowest)\r\n");
      break;
    case mail::Importance::Unset:
      break;
  }
}

void WriteBodyPart(MessageSink& sink, std::string_view rawBody) {
  // Most bodies are valid UTF-8: only the others are copied, to be repaired.
  std::string repaired;
  if (!IsValidUtf8(rawBody)) repaired = ValidUtf8(rawBody);
  const std::string_view body = repaired.empty() ? rawBody : repaired;
  sink.Write("Content-Type: text/plain; charset=UTF-8\r\n");
  if (PrefersBase64(body)) {
    sink.Write("Content-Transfer-Encoding: base64\r\n\r\n");
    sink.WriteWith([&](std::string& out) { AppendBase64(CrLfLineEnds(body), out); });
  } else {
    sink.Write("Content-Transfer-Encoding: quoted-printable\r\n\r\n");
    sink.WriteWith([&](std::string& out) { AppendQuotedPrintable(body, out); });
  }
}

// Hands the attached file's content to take piece by piece, from its start.
template <typename Take>
void ReadAttachedContent(const AttachedFile& file, Take&& take) {
  if (file.bytes) {
    const std::string_view bytes = *file.bytes;
    for (std::size_t at = 0; at < bytes.size(); at += kReadChunk) take(bytes.substr(at, kReadChunk));
    return;
  }
  const auto chunk = std::make_unique_for_overwrite<char[]>(kReadChunk);  // not zeroed: filled by read
#ifndef _WIN32
  if (file.openFile >= 0) {
    for (off_t offset = 0;;) {
      const ssize_t count = ::pread(file.openFile, chunk.get(), kReadChunk, offset);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0)
        throw mail::EmailError("cannot read the content of " + file.name + ": " + std::strerror(errno));
      if (count == 0) return;
      take(std::string_view(chunk.get(), static_cast<std::size_t>(count)));
      offset += count;
    }
  }
#endif
  std::ifstream input(file.spooledPath, std::ios::binary);
  if (!input) throw mail::EmailError("cannot open the spooled copy of " + file.name);
  while (input) {
    input.read(chunk.get(), static_cast<std::streamsize>(kReadChunk));
    const auto count = static_cast<std::size_t>(input.gcount());
    if (input.bad()) break;
    take(std::string_view(chunk.get(), count));
  }
  if (input.bad() || !input.eof()) throw mail::EmailError("cannot read the spooled copy of " + file.name);
}

void WriteBase64Content(MessageSink& sink, const AttachedFile& file) {
  sink.Write("Content-Transfer-Encoding: base64\r\n\r\n");
  Base64Lines lines;
  ReadAttachedContent(file, [&](std::string_view piece) {
    sink.WriteWith([&](std::string& out) { lines.Add(piece, out); });
  });
  sink.WriteWith([&](std::string& out) { lines.Finish(out); });
}

// A text of one line: every control character (line breaks, tabs) a blank, as in display names, so
// that the decoded text cannot start a field of its own.
std::string OneLine(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }, ' ');
  return text;
}

// MIME tokens (RFC 2045) pass; anything else would not survive in a header.
bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c > ' ' && c < 127 && std::string_view("()<>@,;:\\\"/[]?=").find(c) == std::string_view::npos;
  });
}

// No header line may pass 998 characters (RFC 5322): values longer than any real one (a type or
// subtype holds at most 127 characters, RFC 6838; a charset name 40) are refused rather than
// written, each on a line of its own.
constexpr std::size_t kLongestTypeName = 127;
constexpr std::size_t kLongestCharset = 64;
constexpr std::size_t kLongestContentId = 900;

// "type/subtype" when both are tokens; application/octet-stream otherwise.
std::string ValidMediaType(const std::string& mediaType) {
  const std::size_t slash = mediaType.find('/');
  const bool valid = slash != std::string::npos && slash <= kLongestTypeName &&
                     mediaType.size() - slash - 1 <= kLongestTypeName &&
                     IsToken(std::string_view(mediaType).substr(0, slash)) &&
                     IsToken(std::string_view(mediaType).substr(slash + 1));
  return valid ? mediaType : "application/octet-stream";
}

// The media type with the parameters that are tokens, as "text/plain; charset=utf-8".
std::string MediaTypeWithParameters(const AttachedFile& file) {
  std::string value = ValidMediaType(file.mediaType);
  if (value == "application/octet-stream") return value;
  for (const auto& [name, parameter] : file.parameters) {
    if (IsToken(name) && IsToken(parameter)) value += "; " + name + "=" + parameter;
  }
  return value;
}

// A message part (message/rfc822 and its kin) must not be encoded (RFC 2046, 5.2): it goes as it
// is, "7bit" or "8bit" as its bytes need, when its lines can stand in a message as they are: at
// most 998 octets each, no NUL, no CR but before LF, and none that could be taken for one of this
// message's boundaries ("--=_"). "" when they cannot: the part then goes as an attachment of
// type application/octet-stream in base64.
bool IsMessageType(std::string_view mediaType) {
  return mediaType == "message/rfc822" || mediaType == "message/partial" ||
         mediaType == "message/external-body";
}

std::string IdentityEncoding(const AttachedFile& file) {
  constexpr std::size_t kLongestLine = 998;
  bool eightBit = false;
  bool fits = true;
  std::size_t lineLength = 0;
  std::string lineStart;  // the first bytes of the line, to tell a boundary
  bool afterCr = false;
  ReadAttachedContent(file, [&](std::string_view piece) {
    for (const char c : piece) {
      if (!fits) return;
      if (afterCr && c != '\n') fits = false;
      afterCr = c == '\r';
      if (c == '\n' || c == '\r') {
        lineLength = 0;
        lineStart.clear();
        continue;
      }
      if (c == '\0' || ++lineLength > kLongestLine) fits = false;
      if (static_cast<unsigned char>(c) >= 0x80) eightBit = true;
      if (lineStart.size() < 4) {
        lineStart += c;
        if (lineStart == "--=_") fits = false;
      }
    }
  });
  if (!fits || afterCr) return {};
  return eightBit ? "8bit" : "7bit";
}

// The content as it is, every line ending in CR LF.
void WriteIdentityContent(MessageSink& sink, const AttachedFile& file, const std::string& encoding) {
  WriteLine(sink, "Content-Transfer-Encoding: ", encoding, "\r\n\r\n");
  char before = '\0';
  ReadAttachedContent(file, [&](std::string_view piece) {
    sink.WriteWith([&](std::string& out) {
      for (const char c : piece) {
        if (c == '\n' && before != '\r') out += '\r';
        out += c;
        before = c;
      }
    });
  });
}

void WriteAttachmentPart(MessageSink& sink, const AttachedFile& file) {
  std::string mediaType = ValidMediaType(file.mediaType);
  std::string encoding;
  if (IsMessageType(mediaType)) {
    encoding = IdentityEncoding(file);
    if (encoding.empty() || (encoding == "8bit" && mediaType != "message/rfc822"))
      mediaType = "application/octet-stream";
  }
  const std::string contentType =
      mediaType == ValidMediaType(file.mediaType) ? MediaTypeWithParameters(file) : mediaType;
  WriteField(sink, "Content-Type", FileNameFieldValue(contentType, "name", file.name));
  WriteField(sink, "Content-Disposition", FileNameFieldValue("attachment", "filename", file.name));
  if (IsMessageType(mediaType)) {
    WriteIdentityContent(sink, file, encoding);
  } else {
    WriteBase64Content(sink, file);
  }
}

std::string MediaTypeOf(const SpooledBodyPart& part) { return ValidMediaType(part.mediaType); }

// A Content-ID that a header holds as it is: visible ASCII without angle brackets or blanks.
std::string ContentIdOf(const SpooledBodyPart& part) {
  std::string id;
  for (const char c : part.contentId)
    if (c > ' ' && c < 127 && c != '<' && c != '>') id += c;
  return id.size() <= kLongestContentId ? id : std::string();
}

// Nested multiparts take the message's boundary with a number of their own after its "=_", so
// that no boundary begins with another.
class BodyPartWriter {
 public:
  BodyPartWriter(MessageSink& sink, std::string_view boundary, int firstNumber)
      : sink_(sink), boundary_(boundary), next_(firstNumber) {}

  void Write(const SpooledBodyPart& part) {
    if (!part.parts.empty()) {
      WriteMultipart(part);
    } else {
      WriteLeaf(part);
    }
  }

 private:
  void WriteMultipart(const SpooledBodyPart& part) {
    const std::string boundary =
        next_ == 0 ? boundary_ : boundary_.substr(0, 2) + std::to_string(next_) + "." + boundary_.substr(2);
    ++next_;
    sink_.Write("Content-Type: ");
    sink_.Write(MediaTypeOf(part));
    if (part.mediaType == "multipart/related") {
      // The type of the part the others belong to (RFC 2387).
      const SpooledBodyPart& root = part.parts.front();
      sink_.Write(";\r\n type=\"");
      sink_.Write(MediaTypeOf(root));
      sink_.Write("\"");
    }
    WriteLine(sink_, ";\r\n boundary=\"", boundary, "\"\r\n\r\n");
    WriteLine(sink_, "--", boundary);
    bool first = true;
    for (const SpooledBodyPart& inner : part.parts) {
      if (!first) WriteLine(sink_, "\r\n--", boundary);
      first = false;
      Write(inner);
    }
    WriteLine(sink_, "\r\n--", boundary, "--\r\n");
  }

  void WriteLeaf(const SpooledBodyPart& part) {
    std::string type = MediaTypeOf(part);
    std::string encoding;
    if (IsMessageType(type)) {
      encoding = IdentityEncoding(part.content);
      if (encoding.empty() || (encoding == "8bit" && type != "message/rfc822")) {
        // Cannot go as it is, nor may it be encoded as a message: kept whole as an attachment.
        AttachedFile attached = part.content;
        attached.mediaType = "application/octet-stream";
        if (attached.name.empty()) attached.name = part.fileName.empty() ? "message.eml" : part.fileName;
        WriteAttachmentPart(sink_, attached);
        return;
      }
    }
    if (IsToken(part.charset) && part.charset.size() <= kLongestCharset) type += "; charset=" + part.charset;
    if (part.fileName.empty()) {
      WriteLine(sink_, "Content-Type: ", type);
    } else {
      WriteField(sink_, "Content-Type", FileNameFieldValue(type, "name", part.fileName));
    }
    if (const std::string id = ContentIdOf(part); !id.empty()) WriteLine(sink_, "Content-ID: <", id, ">\r\n");
    if (part.fileName.empty()) {
      sink_.Write("Content-Disposition: inline\r\n");
    } else {
      WriteField(sink_, "Content-Disposition", FileNameFieldValue("inline", "filename", part.fileName));
    }
    if (!encoding.empty()) {
      WriteIdentityContent(sink_, part.content, encoding);
    } else {
      WriteBase64Content(sink_, part.content);
    }
  }

  MessageSink& sink_;
  std::string boundary_;
  int next_;
};

}  // namespace

void WriteInternetMessage(const MessageContent& content, const MessageIdentity& identity, std::FILE* target) {
  const std::string date = DateFieldValue(content.date);
  MessageSink sink(target);

  const auto& from = content.from;
  // A sender is required in every message; an empty one is written as an empty group.
  if (from.empty()) sink.Write("From: undisclosed-sender:;\r\n");
  WriteAddressField(sink, "From", from);
  // A message from several authors names the one who sent it (RFC 5322, 3.6.2).
  const auto mailbox =
      std::find_if(from.begin(), from.end(), [](const Recipient& r) { return !r.IsNotesName(); });
  if (from.size() > 1 && mailbox != from.end()) WriteAddressField(sink, "Sender", {*mailbox});
  WriteAddressField(sink, "To", content.to);
  WriteAddressField(sink, "Cc", content.cc);
  WriteAddressField(sink, "Bcc", content.bcc);
  if (!content.subject.empty())
    WriteField(sink, "Subject", UnstructuredFieldValue("Subject", OneLine(content.subject)));
  WriteLine(sink, "Date: ", date);
  WriteLine(sink, "Message-ID: ", identity.messageId);
  if (!content.inReplyTo.empty())
    WriteField(sink, "In-Reply-To", MessageIdsFieldValue("In-Reply-To", content.inReplyTo));
  if (!content.references.empty())
    WriteField(sink, "References", MessageIdsFieldValue("References", content.references));
  if (!content.universalId.empty()) WriteLine(sink, "X-Notes-UNID: ", content.universalId);
  WriteImportance(sink, content.importance);
  if (!content.keywords.empty())
    WriteField(sink, "Keywords", KeywordsFieldValue("Keywords", content.keywords));
  for (const auto& [name, value] : content.otherFields) {
    const bool validName = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
      return c > ' ' && c < 127 && c != ':';
    });
    if (const std::string kept = validName ? KeptFieldValue(name, value) : std::string(); !kept.empty())
      WriteField(sink, name, kept);
  }
  sink.Write("MIME-Version: 1.0\r\n");

  // With attachments, multipart/mixed takes the message's own boundary.
  BodyPartWriter bodyParts(sink, identity.boundary, content.attachments.empty() ? 0 : 1);
  const auto writeBody = [&] {
    if (content.bodyParts) {
      bodyParts.Write(*content.bodyParts);
    } else {
      WriteBodyPart(sink, content.body);
    }
  };
  if (content.attachments.empty()) {
    writeBody();
  } else {
    sink.Write("Content-Type: multipart/mixed;\r\n boundary=\"");
    sink.Write(identity.boundary);
    sink.Write("\"\r\n\r\n");
    // The line end before a delimiter belongs to the delimiter, so the first comes without it.
    WriteLine(sink, "--", identity.boundary);
    writeBody();
    for (const AttachedFile& file : content.attachments) {
      WriteLine(sink, "\r\n--", identity.boundary);
      WriteAttachmentPart(sink, file);
    }
    WriteLine(sink, "\r\n--", identity.boundary, "--\r\n");
  }
  sink.Finish();
}

}  // namespace mailshift::platform
