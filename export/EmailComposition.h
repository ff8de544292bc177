// The e-mail composition component as the message writer uses it: a message object that is
// filled field by field, and a renderer that writes the complete Internet message.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/DateTime.h"
#include "export/EmailItem.h"
#include "export/MessageBody.h"

namespace mailshift::mail {

class EmailError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class RecipientKind { To, Cc, Bcc };

// A person as one recipient text: "\"Name\" <address>", the address alone, or the name alone.
inline std::string PersonText(const Person& person) {
  if (person.address.empty()) return person.displayName;
  if (person.displayName.empty()) return person.address;
  std::string quoted = "\"";
  for (char c : person.displayName) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\" <" + person.address + ">";
}

class EmailMessage {
 public:
  virtual ~EmailMessage() = default;
  // Adds the recipients of a recipient text (several joined by ";", empty pieces skipped; an
  // empty text adds none). displayName names a lone address that carries no name of its own
  // and is ignored when it equals address. False when it failed.
  virtual bool AddRecipient(RecipientKind kind, const std::string& displayName,
                            const std::string& address) = 0;
  // The recipients as people: each with its display name and address, or, without an address,
  // its Notes name as the display name. A component that reads recipient texts alone gets them
  // as texts.
  virtual bool AddPeople(RecipientKind kind, const People& people) {
    bool added = true;
    for (const Person& person : people) {
      const std::string text = PersonText(person);
      if (!text.empty()) added = AddRecipient(kind, text, text) && added;
    }
    return added;
  }
  // The sender as a person; the same as SetSender for a component that reads texts alone.
  virtual void SetSenderPerson(const Person& sender) { SetSender(PersonText(sender)); }
  virtual void SetSubject(const std::string& subject) = 0;
  virtual void SetBodyText(const std::string& body) = 0;
  // The body as parts, written instead of the body text. Takes in each part's content file now
  // (it may be deleted right after). Throws EmailError when a content file cannot be read.
  virtual void SetBodyParts(const BodyPart& body) = 0;
  // The sender text, read like a recipient text.
  virtual void SetSender(const std::string& sender) = 0;
  // Without a date set, the message carries the time it was created. Throws EmailError for a
  // date the message cannot carry; the message then keeps its date.
  virtual void SetDate(const DateTime& date) = 0;
  // The universal id of the Notes document the message comes from (32 hexadecimal digits): the
  // message carries it in a header field of its own and takes a Message-ID made from it, so that
  // every export of the document gives the message the same identity. Throws EmailError for a
  // text that is no universal id.
  virtual void SetUniversalId(const std::string& universalId) = 0;
  // The document's own Message-ID (which then replaces the one made from the universal id),
  // In-Reply-To, References, importance, keywords and its other fields kept as they were sent
  // (a field the message cannot carry 7-bit clean is left out). Throws EmailError naming what it could not
  // take (a Message-ID or message id list that is not one); the rest is taken all the same.
  virtual void SetHeaders(const MessageHeaders& headers) = 0;
  // Takes in the file's content now (the file may be deleted right after) and attaches it under
  // its file name, which it returns. Throws EmailError when the file cannot be read.
  virtual std::string AddAttachment(const std::string& filePath) = 0;
  // The same for a file whose media type ("application/pdf") is known; a component that writes
  // every attachment as one type may ignore it.
  virtual std::string AddAttachmentOfType(const std::string& filePath, const std::string& mediaType) {
    static_cast<void>(mediaType);
    return AddAttachment(filePath);
  }
  // The same for a typed attachment: its name, media type and parameters as the message gives
  // them. A component that knows no more than the media type takes that alone.
  virtual std::string AddAttachmentPart(const Attachment& attachment) {
    return AddAttachmentOfType(attachment.file, attachment.mediaType);
  }
};

class MessageRenderer {
 public:
  virtual ~MessageRenderer() = default;
  // Writes the complete message (headers and MIME body, CR LF line ends) to the stream, all but
  // the line end of its last line, which the caller writes (the message file's final CR LF).
  // Throws EmailError when rendering or writing fails; what was written is then incomplete.
  virtual void Render(EmailMessage& message, std::FILE* target) = 0;
};

class EmailComponent {
 public:
  virtual ~EmailComponent() = default;
  virtual std::unique_ptr<EmailMessage> CreateMessage() = 0;
  virtual std::unique_ptr<MessageRenderer> CreateRenderer() = 0;
};

}  // namespace mailshift::mail
