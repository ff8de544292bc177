#include "export/BodyExtraction.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "common/TextRules.h"
#include "export/EntityHeaders.h"
#include "export/MessagePeople.h"
#include "export/MimeWords.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

using notes::Document;
using notes::MIMEEntity;

// A body nested deeper, or holding more parts, is damaged or hostile: the rest is left out.
constexpr int kDeepestNesting = 32;
constexpr std::size_t kMostParts = 10'000;

std::string WhyFailed(const std::exception& error) {
  const std::string reason = error.what();
  return reason.empty() ? "unknown error" : reason;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

enum class BodySource { NativeMime, ConvertedRichText };

class EntityWalk {
 public:
  EntityWalk(BodySource source, AttachmentFolder& folder, MessageFields& fields)
      : source_(source), folder_(folder), fields_(fields) {}

  std::optional<BodyPart> Read(MIMEEntity& entity, int depth) {
    if (depth > kDeepestNesting || ++partsSeen_ > kMostParts) {
      // Once per message and cause, however many parts lie beyond.
      const bool tooDeep = depth > kDeepestNesting;
      bool& told = tooDeep ? toldTooDeep_ : toldTooMany_;
      if (!told) {
        fields_.extractionFailures.push_back(
            {"Body",
             tooDeep ? "the MIME body nests too deep; the parts below are left out"
                     : "the MIME body has too many parts; those beyond are left out",
             false});
      }
      told = true;
      return std::nullopt;
    }
    BodyPart part;
    std::vector<HeaderLine> headers;
    try {
      part.mediaType = Lower(entity.ContentType()) + "/" + Lower(entity.ContentSubType());
      headers = ParseHeaderLines(entity.Headers());
    } catch (const std::exception& error) {
      fields_.extractionFailures.push_back(
          {"Body", "a MIME part cannot be read: " + WhyFailed(error), false});
      return std::nullopt;
    }
    if (part.IsMultipart()) return ReadChildren(entity, std::move(part), depth);

    const std::string contentType = HeaderValue(headers, "Content-Type");
    const std::string disposition = HeaderValue(headers, "Content-Disposition");
    part.charset = ParameterValue(contentType, "charset");
    part.fileName = DecodedParameter(disposition, "filename");
    if (part.fileName.empty()) part.fileName = DecodedParameter(contentType, "name");
    part.contentId = HeaderValue(headers, "Content-ID");
    if (part.contentId.size() >= 2 && part.contentId.front() == '<' && part.contentId.back() == '>')
      part.contentId = part.contentId.substr(1, part.contentId.size() - 2);

    const bool attachment =
        MainValue(disposition) == "attachment" ||
        (!part.fileName.empty() && part.contentId.empty() && !part.mediaType.starts_with("text/"));
    if (attachment) {
      // The attachments of rich text are read from "Body" itself, in their own order.
      if (source_ == BodySource::NativeMime) ExtractAttachmentPart(entity, part);
      return std::nullopt;
    }
    return ExtractContent(entity, std::move(part));
  }

  // The names of the attachment parts, as the document's attachments also list them.
  const std::vector<std::string>& attachmentNames() const { return attachmentNames_; }

 private:
  std::optional<BodyPart> ReadChildren(MIMEEntity& entity, BodyPart part, int depth) {
    try {
      auto child = entity.GetFirstChildEntity();
      if (!child) {
        // A damaged store: a multipart without parts. What content it has is kept, as a part of
        // its own.
        part.mediaType = "application/octet-stream";
        auto kept = ExtractContent(entity, std::move(part));
        if (kept && kept->content && kept->content->empty()) return std::nullopt;
        return kept;
      }
      for (; child; child = child->GetNextSibling()) {
        if (auto read = Read(*child, depth + 1)) part.parts.push_back(std::move(*read));
        // The siblings past the limit are not walked: each would cost a step and tell nothing.
        if (partsSeen_ > kMostParts) break;
      }
    } catch (const std::exception& error) {
      fields_.extractionFailures.push_back(
          {"Body", "a MIME part cannot be read: " + WhyFailed(error), false});
    }
    if (part.parts.empty()) return std::nullopt;
    if (part.parts.size() == 1) return std::move(part.parts.front());
    return part;
  }

  std::optional<BodyPart> ExtractContent(MIMEEntity& entity, BodyPart part) {
    const std::string name = part.fileName.empty() ? part.mediaType : part.fileName;
    // Small parts are held in memory, within a budget per message; the others go through a file.
    if (heldBytes_ < kMostHeldBytes) {
      try {
        if (auto content = entity.SmallContent(std::min(kMostHeldPartBytes, kMostHeldBytes - heldBytes_))) {
          heldBytes_ += content->size();
          part.content = std::move(content);
          return part;
        }
      } catch (const std::exception&) {
        // read through a file below, which reports what fails
      }
    }
    if (!WriteContent(entity, name, AttachmentFileName(part.fileName.empty() ? "part" : part.fileName), false,
                      part.contentFile)) {
      return std::nullopt;
    }
    return part;
  }

  void ExtractAttachmentPart(MIMEEntity& entity, const BodyPart& part) {
    const std::string name = part.fileName.empty() ? "attachment" : part.fileName;
    attachmentNames_.push_back(name);
    std::string path;
    const bool written = WriteContent(entity, name, AttachmentFileName(name), true, path);
    if (path.empty()) return;
    fields_.AttachmentList += '|';
    fields_.AttachmentList += path;
    if (!written) return;  // told once, as not extracted; the writer is not handed a missing file
    fields_.attachmentMediaTypes[path] = part.mediaType;
    Attachment typed{AttachmentSource::MimePart, path, "", part.mediaType, {}, -1};
    if (!part.charset.empty()) typed.parameters.emplace_back("charset", part.charset);
    std::error_code error;
    const auto size = std::filesystem::file_size(FilePath(path), error);
    if (!error) typed.size = static_cast<std::int64_t>(size);
    fields_.attachments.push_back(std::move(typed));
    fields_.attachmentFiles.push_back(std::move(path));
  }

  // The content into a new file of the folder; false, with the failure noted, when it fails. A
  // path is given back when a file was meant to be there, even if writing it failed.
  bool WriteContent(MIMEEntity& entity, const std::string& name, const std::string& fileName, bool attachment,
                    std::string& path) {
    try {
      path = folder_.NewFilePath(fileName);
    } catch (const std::exception& error) {
      fields_.extractionFailures.push_back({name, WhyFailed(error), attachment});
      return false;
    }
    try {
      entity.WriteContentToFile(path);
      return true;
    } catch (const std::exception& error) {
      RemoveFile(path);  // a part of the bytes must not pass for the content
      fields_.extractionFailures.push_back({name, WhyFailed(error), attachment});
      return false;
    }
  }

  // A part held in memory takes no file of its own; a message holds no more than this in memory.
  static constexpr std::size_t kMostHeldPartBytes = 256 * 1024;
  static constexpr std::size_t kMostHeldBytes = 1024 * 1024;

  BodySource source_;
  AttachmentFolder& folder_;
  MessageFields& fields_;
  std::size_t partsSeen_ = 0;
  bool toldTooDeep_ = false;
  bool toldTooMany_ = false;
  std::size_t heldBytes_ = 0;
  std::vector<std::string> attachmentNames_;
};

bool IsPlainTextOnly(MIMEEntity& root, MessageFields& fields) {
  try {
    return Lower(root.ContentType()) == "text" && Lower(root.ContentSubType()) == "plain";
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"Body", "a MIME part cannot be read: " + WhyFailed(error), false});
    return true;
  }
}

// The body's MIME entity: the item stored as MIME, else its rich text converted. Nothing when
// the body stays plain text; the reason is then noted when there is one worth telling.
std::shared_ptr<MIMEEntity> BodyEntity(Document& document, BodySource& source, MessageFields& fields) {
  try {
    if (auto root = document.GetMIMEEntity("Body")) {
      source = BodySource::NativeMime;
      return root;
    }
    const auto item = document.GetFirstItem("Body");
    if (!item || item->Type() != notes::kRichTextItemType) return nullptr;
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"Body", WhyFailed(error), false});
    return nullptr;
  }
  source = BodySource::ConvertedRichText;
  try {
    document.ConvertToMIME(notes::kConvertToPlainTextAndHtml);
    if (auto root = document.GetMIMEEntity("Body")) return root;
    fields.plainBodyReason = "the rich text converted to no MIME body";
  } catch (const std::exception& error) {
    fields.plainBodyReason = "the rich text could not be converted to MIME: " + WhyFailed(error);
  }
  return nullptr;
}

// The thread fields and the other fields mail clients use, from the root entity of a message
// stored as MIME: its own Message-ID, In-Reply-To and References count before the items', and
// the names its From, To and Cc give the people the items list.
void ReadRootFields(MIMEEntity& root, MessageFields& fields) {
  std::vector<HeaderLine> lines;
  try {
    lines = ParseHeaderLines(root.Headers());
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back(
        {"Body", "the MIME headers cannot be read: " + WhyFailed(error), false});
    return;
  }
  for (const HeaderLine& line : lines) {
    const std::string name = Lower(line.name);
    if (line.value.empty()) continue;
    if (name == "from") {
      NamePeopleFromHeader(fields.people.from, line.value);
    } else if (name == "to") {
      NamePeopleFromHeader(fields.people.to, line.value);
    } else if (name == "cc") {
      NamePeopleFromHeader(fields.people.cc, line.value);
    } else if (name == "bcc") {
      NamePeopleFromHeader(fields.people.bcc, line.value);
    } else if (name == "message-id") {
      fields.headers.messageId = line.value;
    } else if (name == "in-reply-to") {
      fields.headers.inReplyTo = line.value;
    } else if (name == "references") {
      fields.headers.references = line.value;
    } else if (IsKeptRootField(line.name)) {
      fields.headers.otherFields.emplace_back(line.name, line.value);
    }
  }
  fields.from = PeopleText(fields.people.from);
  fields.to = PeopleText(fields.people.to);
  fields.CcList = PeopleText(fields.people.cc);
  fields.BccList = PeopleText(fields.people.bcc);
}
// The body item stored as MIME; none for rich text or when it cannot be read (noted).
std::shared_ptr<MIMEEntity> NativeBodyEntity(Document& document, MessageFields& fields) {
  try {
    return document.GetMIMEEntity("Body");
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"Body", WhyFailed(error)});
    return nullptr;
  }
}

// Takes one of name out of names; false when none is there.
bool TakeName(std::vector<std::string>& names, const std::string& name) {
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return false;
  names.erase(found);
  return true;
}

void ExtractOutsideAttachments(Document& document, AttachmentFolder& folder, MessageFields& fields,
                               std::vector<std::string> namesTaken) {
  std::vector<std::string> names;
  try {
    names = document.AttachmentNames();
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"$FILE", WhyFailed(error)});
    return;
  }
  for (const std::string& name : names) {
    if (TakeName(namesTaken, name)) continue;
    std::string target;
    try {
      const auto object = document.GetAttachment(name);
      if (!object) throw notes::NotesError("the document gives no attachment of that name");
      target = folder.NewFilePath(AttachmentFileName(name));
      try {
        object->ExtractFile(target);
      } catch (...) {
        RemoveFile(target);
        throw;
      }
    } catch (const std::exception& error) {
      fields.extractionFailures.push_back({name, WhyFailed(error)});
      if (target.empty()) continue;
      fields.AttachmentList += '|';
      fields.AttachmentList += target;
      continue;  // told once, as not extracted; the writer is not handed a missing file
    }
    fields.attachments.push_back(StoredAttachment(AttachmentSource::OutsideBody, target));
    fields.AttachmentList += '|';
    fields.AttachmentList += target;
    fields.attachmentFiles.push_back(std::move(target));
  }
}

// Whether reading the fields found "Body" unreadable (encrypted for another ID): then it is not
// read again as MIME, and the log tells it once, among the items not read.
bool BodyUnreadable(const MessageFields& fields) {
  return std::any_of(fields.unreadableItems.begin(), fields.unreadableItems.end(),
                     [](const std::string& item) { return Lower(item).starts_with("body: "); });
}

// The first text/plain part held in memory; none when there is none.
const BodyPart* FirstPlainText(const BodyPart& part) {
  if (!part.IsMultipart()) return part.mediaType == "text/plain" && part.content ? &part : nullptr;
  for (const BodyPart& inner : part.parts) {
    if (const BodyPart* found = FirstPlainText(inner)) return found;
  }
  return nullptr;
}

}  // namespace

void ReadMessageBody(Document& document, AttachmentFolder& folder, MessageFields& fields, bool plainText) {
  fields.bodyParts.reset();
  fields.plainBodyReason.clear();
  BodySource source = BodySource::ConvertedRichText;
  std::vector<std::string> namesTaken = fields.attachmentNames;
  std::shared_ptr<MIMEEntity> root;
  if (!BodyUnreadable(fields)) {
    // The plain body asks for no conversion: only a body stored as MIME is walked, for its
    // attachments and header fields.
    root = plainText ? NativeBodyEntity(document, fields) : BodyEntity(document, source, fields);
    if (plainText && root) source = BodySource::NativeMime;
  }
  // Rich text that converts to plain text alone gives no more than the plain text of "Body",
  // which is written as it is.
  if (root && source == BodySource::NativeMime) ReadRootFields(*root, fields);
  if (root && !(source == BodySource::ConvertedRichText && IsPlainTextOnly(*root, fields))) {
    EntityWalk walk(source, folder, fields);
    fields.bodyParts = walk.Read(*root, 0);
    namesTaken.insert(namesTaken.end(), walk.attachmentNames().begin(), walk.attachmentNames().end());
  }
  if (plainText && fields.bodyParts) {
    if (const BodyPart* text = FirstPlainText(*fields.bodyParts);
        text != nullptr && Trim(fields.body).empty())
      fields.body = *text->content;
    fields.bodyParts.reset();
  }
  ExtractOutsideAttachments(document, folder, fields, std::move(namesTaken));
}

}  // namespace mailshift::mail
