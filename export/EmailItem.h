// The fields of one message as the export run hands them to CreateEmailItem, and what the writer
// tells back about the message.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/DateTime.h"
#include "export/MessageBody.h"
#include "export/MessageDestination.h"

namespace mailshift::mail {

// Where an attached file comes from in its document.
enum class AttachmentSource {
  EmbeddedObject,  // a file embedded in the rich text of "Body"
  MimePart,        // an attachment part of a body stored as MIME
  OutsideBody,     // a file attached to the document outside "Body"
};

// One attached file as the message carries it.
struct Attachment {
  AttachmentSource source = AttachmentSource::EmbeddedObject;
  std::string file;       // the extracted file, in the run's attachment folder
  std::string fileName;   // the name the message gives it; empty for the file's own name
  std::string mediaType;  // lower case "type/subtype"; empty for application/octet-stream
  // Parameters of the media type that tell how to read the content: "charset" of a text.
  std::vector<std::pair<std::string, std::string>> parameters = {};
  std::int64_t size = -1;  // in bytes; -1 when not known
  friend bool operator==(const Attachment&, const Attachment&) = default;
};

// What a message comes from besides its fields.
struct MessageOrigin {
  std::vector<std::string> attachmentFiles;  // the extracted attachment files, in order
  std::string universalId;                   // the Notes document's; empty when it has none
  // The media type of each attachment file that names its own ("application/pdf" of a MIME
  // attachment part), by file; the others are written as application/octet-stream.
  std::map<std::string, std::string> mediaTypes = {};
  // The same files typed; when not empty, these are attached instead of the two above.
  std::vector<Attachment> attachments = {};
};

// Where a person's address comes from.
enum class AddressSource {
  None,          // no address is known: the person is a Notes name alone
  InternetItem,  // the Internet-form item ("InetSendTo", "INetFrom", ...)
  NotesItem,     // the Notes-form item, which holds an Internet address for this person
  NamesTable,    // the names table given for the run
};

// One sender or recipient as the message shows it.
struct Person {
  std::string displayName;  // the name mail readers show; empty for none
  std::string notesName;    // the Notes name as the document gives it; empty for none
  std::string address;      // the Internet address; empty when none is known
  AddressSource source = AddressSource::None;
  friend bool operator==(const Person&, const Person&) = default;
};

using People = std::vector<Person>;

// The sender and the recipients of one message.
struct MessagePeople {
  People from;  // none or one
  People to;
  People cc;
  People bcc;
  friend bool operator==(const MessagePeople&, const MessagePeople&) = default;
};

enum class Importance { Unset, High, Normal, Low };

// Header fields of the message that the document gives besides sender, recipients and date.
struct MessageHeaders {
  std::string messageId;   // the document's own Internet Message-ID ("<left@right>"), or empty
  std::string inReplyTo;   // message ids, as the document holds them; empty for none
  std::string references;  // the same
  Importance importance = Importance::Unset;
  std::vector<std::string> keywords;  // the document's categories
  // Further fields of a message stored as MIME that mail clients use (Reply-To, List-Id, ...), as
  // its root entity holds them: name and unfolded value, in their order (see KeptRootFields).
  std::vector<std::pair<std::string, std::string>> otherFields = {};
};

struct EmailItem {
  std::string from;
  std::string subject;
  std::string to;    // several recipients joined by ";"
  std::string cc;    // the same form
  std::string bcc;   // the same form
  std::string date;  // the message date as regional date text, or empty
  std::string body;
  // The attachment list as text: "|" before each extracted file's path, or empty. The message
  // attaches origin.attachmentFiles, never pieces of this text.
  std::string attachments;
  MessageOrigin origin;
  // The body as the parts it was sent with; when set, it is written instead of body.
  std::optional<BodyPart> bodyParts = std::nullopt;
  MessageHeaders headers{};  // a default, so that the fields above may be given alone
  MessageMarks marks{};      // read, draft and keywords, for the destinations that keep them
  // The sender and recipients as people; when set, they are written instead of the texts above,
  // which then only name them for the log.
  std::optional<MessagePeople> people = std::nullopt;
  // The message date as the document holds it (instant and offset); when set, it counts instead
  // of the date text.
  std::optional<DateTime> when = std::nullopt;
};

struct WriteOutcome {
  bool written = false;
  std::string path;                   // the file written, or the last one attempted
  std::string reason;                 // why nothing was written; empty when written
  std::int64_t bytes = -1;            // the size of the file written; -1 when not known
  std::vector<std::string> problems;  // steps that failed without stopping the message
  // Steps that fell back to a substitute no later run can better (the universal id's Message-ID
  // for a $MessageID that is none, the time of writing for a date the message cannot carry): the
  // log tells them, and the message counts as whole.
  std::vector<std::string> fallbacks = {};
  // The subject cleaned of the characters a file name must not hold, as the file name uses it.
  std::string cleanedSubject;
  // The attachment list as the writer leaves it: without its first character when it was not
  // empty. The export's log shows this list for the folders whose writer keeps the run's list.
  std::string attachments;
  // The destination can take no more messages; the run ends and the next one resumes.
  bool destinationLost = false;
};

}  // namespace mailshift::mail
