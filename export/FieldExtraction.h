// The fields of one Notes mail document as one e-mail: subject, sender, recipients, date, body
// and the file attachments, which are extracted into the run's attachment folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/AttachmentFolder.h"
#include "export/EmailItem.h"
#include "export/MessageBody.h"
#include "export/NamesTable.h"
#include "notes/NotesObjects.h"

namespace mailshift::mail {

// An attachment whose bytes could not be extracted; its path stays in the attachment list. Or a
// part of the body that could not be read (attachment false): not counted as an attachment.
struct ExtractionFailure {
  std::string name;  // the attachment's name as the document gives it
  std::string reason;
  bool attachment = true;
};

struct MessageFields {
  std::string subject;
  // Sender and recipients as people; the texts below name them for the log and for components
  // that read texts alone.
  MessagePeople people;
  // The message date as the item holds it; none when the document gives none.
  std::optional<DateTime> when;
  std::string from;
  std::string to;
  std::string CcList;
  std::string BccList;
  std::string date;
  std::string body;
  bool hasEmbedded = false;
  // "|" before each extracted file's full path, in the order of the body's embedded objects.
  std::string AttachmentList;
  // The same files as a list, for the writer: every one lies in the run's attachment folder.
  std::vector<std::string> attachmentFiles;
  // The media types of those files that name their own (attachment parts of a MIME body).
  std::map<std::string, std::string> attachmentMediaTypes;
  // Every attached file typed (source, name, media type, size), in the order of the list above.
  std::vector<Attachment> attachments;
  std::vector<ExtractionFailure> extractionFailures;
  // The names of the body's embedded files as the document gives them, in the same order.
  std::vector<std::string> attachmentNames;
  // The body as MIME parts (ReadMessageBody); none when the body is the plain text above.
  std::optional<BodyPart> bodyParts;
  // Why rich text is written as its plain text; empty when there is nothing to tell.
  std::string plainBodyReason;
  // The document's universal id; empty when it has none.
  std::string universalId;
  // Items the document has but whose values could not be read; the message goes without them.
  // Each entry is the item's name, ": " and why.
  std::vector<std::string> unreadableItems;
  // Message-ID, In-Reply-To, References, importance and keywords as the document holds them.
  MessageHeaders headers;
  // IsEncrypted: some items may be among the unreadable ones for that reason.
  bool encrypted = false;
};

// How the fields are read beyond what the document holds.
struct FieldReading {
  // Addresses for Notes names that come without one; null for none.
  const NamesTable* names = nullptr;
  // The date item the folder's preview shows, taken when the document has no "PostedDate":
  // "$Revisions" for drafts, "DeliveredDate" for junk mail.
  std::string_view previewDateItem = "PostedDate";
  // The body as the plain text of "Body" alone, whatever else the document holds.
  bool plainText = false;
};

// The subject alone into fields; it is read first so that progress can show it before the rest.
void ReadSubject(notes::Document& document, MessageFields& fields);

// Reads every field but the subject into fields and extracts the file attachments into folder.
// Nothing here throws for the document's sake: an item that is missing is empty, one that cannot
// be read is empty and listed in unreadableItems, and an attachment that cannot be extracted is
// listed in extractionFailures.
// The date is "PostedDate", else the folder's preview date item, else the document's creation
// date. Sender and recipients are read entry by entry from the Internet-form item and its
// Notes-form item (PeopleOfEntries).
void ReadMessageFields(notes::Document& document, AttachmentFolder& folder, MessageFields& fields,
                       const FieldReading& reading = {});

// A file of the attachment folder as an attachment that names no media type of its own: typed by
// its content and name (FileTypeOfFile).
Attachment StoredAttachment(AttachmentSource source, const std::string& file);

// Both steps together.
MessageFields ExtractMessageFields(notes::Document& document, AttachmentFolder& folder,
                                   const FieldReading& reading = {});

}  // namespace mailshift::mail
