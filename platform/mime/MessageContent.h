// One message's fields as the composer holds them until it renders them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/DateTime.h"
#include "export/EmailItem.h"
#include "platform/mime/RecipientText.h"

namespace mailshift::platform {

struct AttachedFile {
  std::string name;                   // the file name the part carries, UTF-8
  std::filesystem::path spooledPath;  // where its content waits, unless held open
  int openFile = -1;                  // the content held open (read from its start); -1 for none
  std::string mediaType = {};         // "type/subtype"; empty for application/octet-stream
  std::optional<std::string> bytes = std::nullopt;  // the content itself, for a small body part
  // Parameters of the media type ("charset"), as the attachment names them.
  std::vector<std::pair<std::string, std::string>> parameters = {};
};

// A body part as the composer holds it: a multipart part's parts, or the content of another.
struct SpooledBodyPart {
  std::string mediaType;  // "type/subtype"
  std::string charset;
  std::string contentId;  // without angle brackets
  std::string fileName;
  AttachedFile content;
  std::vector<SpooledBodyPart> parts;
};

struct MessageContent {
  std::vector<Recipient> from;
  std::vector<Recipient> to;
  std::vector<Recipient> cc;
  std::vector<Recipient> bcc;
  std::string subject;
  std::string body;
  std::optional<SpooledBodyPart> bodyParts;  // when set, written instead of body
  DateTime date;
  std::vector<AttachedFile> attachments;
  std::string universalId;  // of the Notes document; empty when it has none
  // The document's own Message-ID and the ids it answers, each "<left@right>"; empty for none.
  std::string messageId;
  std::vector<std::string> inReplyTo;
  std::vector<std::string> references;
  mail::Importance importance = mail::Importance::Unset;
  std::vector<std::string> keywords;
  // Fields kept as the document's MIME headers hold them: name and value.
  std::vector<std::pair<std::string, std::string>> otherFields;
};

}  // namespace mailshift::platform
