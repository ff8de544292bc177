#include "export/MessageComposition.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include "common/DateText.h"
#include "common/Utf8.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string RecipientsText(const People& people) {
  std::string text;
  for (const Person& person : people) text += (text.empty() ? "" : ";") + PersonText(person);
  return text;
}

// Runs one step of the message; a failure is noted and the next step runs all the same.
template <typename Step>
void Attempt(std::vector<std::string>& problems, const std::string& what, Step&& step) {
  try {
    step();
  } catch (const std::exception& error) {
    problems.push_back(what + ": " + error.what());
  }
}

// Deletes the extracted file at path when one exists there; a folder is no extracted file.
void DeleteExtractedFile(const std::string& path, std::vector<std::string>& problems) {
  if (path.empty()) return;
  const int error = RemoveFile(path);
  if (error == 0 || error == ENOENT || error == EISDIR) return;
  problems.push_back("deleting the extracted file " + Quoted(path) + ": " + std::strerror(error));
}

}  // namespace

ComposedMessage ComposeMessage(EmailComponent& component, const EmailItem& fields,
                               std::vector<std::string>& problems, std::vector<std::string>* fallbacks) {
  std::vector<std::string>& substitutes = fallbacks != nullptr ? *fallbacks : problems;
  ComposedMessage composed;
  Attempt(problems, "creating the message", [&] {
    composed.renderer = component.CreateRenderer();
    composed.message = component.CreateMessage();
  });
  const auto onMessage = [&](const std::string& what, auto&& step) {
    Attempt(problems, what, [&] {
      if (composed.message == nullptr) throw EmailError("there is no message object");
      step(*composed.message);
    });
  };
  const auto addRecipients = [&](RecipientKind kind, const std::string& text, const char* what) {
    onMessage(what, [&](EmailMessage& m) {
      if (!m.AddRecipient(kind, text, text))
        throw EmailError("the recipients " + Quoted(text) + " were refused");
    });
  };

  const auto addPeople = [&](RecipientKind kind, const People& people, const char* what) {
    onMessage(what, [&](EmailMessage& m) {
      if (!m.AddPeople(kind, people))
        throw EmailError("the recipients " + Quoted(RecipientsText(people)) + " were refused");
    });
  };
  const MessagePeople* people = fields.people ? &*fields.people : nullptr;

  if (people != nullptr) {
    addPeople(RecipientKind::To, people->to, "adding the To recipients");
  } else {
    addRecipients(RecipientKind::To, fields.to, "adding the To recipients");
  }
  onMessage("setting the subject", [&](EmailMessage& m) { m.SetSubject(fields.subject); });
  onMessage("setting the body", [&](EmailMessage& m) {
    if (fields.bodyParts) {
      m.SetBodyParts(*fields.bodyParts);
    } else {
      m.SetBodyText(fields.body);
    }
  });
  if (people != nullptr) {
    onMessage("setting the sender", [&](EmailMessage& m) {
      if (!people->from.empty()) m.SetSenderPerson(people->from.front());
    });
    addPeople(RecipientKind::Cc, people->cc, "adding the Cc recipients");
    addPeople(RecipientKind::Bcc, people->bcc, "adding the Bcc recipients");
  } else {
    onMessage("setting the sender", [&](EmailMessage& m) { m.SetSender(fields.from); });
    addRecipients(RecipientKind::Cc, fields.cc, "adding the Cc recipients");
    addRecipients(RecipientKind::Bcc, fields.bcc, "adding the Bcc recipients");
  }

  // A message never takes the day of the export for a date it lacks: mail clients would sort it
  // among the newest mail. A date the document holds is taken as it is, offset and all; only a
  // caller that hands the date as text alone has it read.
  composed.date = fields.when ? fields.when : fields.date.empty() ? std::nullopt : ParseDateText(fields.date);
  if (composed.date) {
    Attempt(substitutes, "setting the date " + Quoted(fields.date.empty() ? DateText(*composed.date) : fields.date),
            [&] {
              if (composed.message == nullptr) throw EmailError("there is no message object");
              composed.message->SetDate(*composed.date);
            });
  } else if (fields.date.empty()) {
    substitutes.push_back("the document gives no date; the message carries the time it was written");
  } else {
    substitutes.push_back("the date " + Quoted(fields.date) +
                          " could not be read; the message carries the time it was written");
  }

  if (!fields.origin.universalId.empty()) {
    onMessage("giving the message its id",
              [&](EmailMessage& m) { m.SetUniversalId(fields.origin.universalId); });
  }

  const MessageHeaders& headers = fields.headers;
  if (!headers.messageId.empty() || !headers.inReplyTo.empty() || !headers.references.empty() ||
      headers.importance != Importance::Unset || !headers.keywords.empty() || !headers.otherFields.empty()) {
    Attempt(substitutes, "setting the message's own header fields", [&] {
      if (composed.message == nullptr) throw EmailError("there is no message object");
      composed.message->SetHeaders(headers);
    });
  }

  if (!fields.origin.attachments.empty()) {
    for (const Attachment& attachment : fields.origin.attachments) {
      onMessage("attaching " + Quoted(attachment.file),
                [&](EmailMessage& m) { m.AddAttachmentPart(attachment); });
      DeleteExtractedFile(attachment.file, problems);
    }
    return composed;
  }
  for (const std::string& file : fields.origin.attachmentFiles) {
    const auto type = fields.origin.mediaTypes.find(file);
    onMessage("attaching " + Quoted(file), [&](EmailMessage& m) {
      if (type == fields.origin.mediaTypes.end()) {
        m.AddAttachment(file);
      } else {
        m.AddAttachmentOfType(file, type->second);
      }
    });
    DeleteExtractedFile(file, problems);
  }
  return composed;
}

std::string AttachmentListAfterWriting(const std::string& attachments) {
  if (attachments.empty()) return attachments;
  return attachments.substr(Utf8CharacterLength(attachments, 0));
}

}  // namespace mailshift::mail
