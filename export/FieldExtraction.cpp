#include "export/FieldExtraction.h"

#include <filesystem>
#include <exception>
#include <span>

#include "common/DateText.h"
#include "common/TextRules.h"
#include "export/MessagePeople.h"
#include "export/MediaTypes.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"
#include "notes/MailPreview.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

using notes::Document;
using notes::ItemValues;

// The items that hold a reply's In-Reply-To and References; the first the document has counts
// (docs/message-fields.md says where the names come from).
constexpr std::string_view kInReplyToItems[] = {"$InReplyTo", "In_Reply_To"};
constexpr std::string_view kReferencesItems[] = {"$References", "References"};

std::string WhyFailed(const std::exception& error) {
  const std::string reason = error.what();
  return reason.empty() ? "unknown error" : reason;
}

// Reads the items of one document, noting each item it has but cannot read.
class ItemReader {
 public:
  ItemReader(Document& document, std::vector<std::string>& unreadable)
      : document_(document), unreadable_(unreadable) {}

  // The item's values; none when the document lacks the item or it cannot be read.
  ItemValues Values(std::string_view itemName) {
    try {
      if (!document_.hasitem(itemName)) return {};
      return document_.GetItemValue(itemName);
    } catch (const std::exception& error) {
      unreadable_.push_back(std::string(itemName) + ": " + WhyFailed(error));
      return {};
    }
  }

  std::string FirstText(std::string_view itemName) { return ValueText(Values(itemName), 0); }

  Document& document() { return document_; }

 private:
  static std::string ValueText(const ItemValues& values, std::size_t index) {
    return index < values.size() ? notes::ItemValueText(values[index]) : std::string();
  }

  Document& document_;
  std::vector<std::string>& unreadable_;
};

std::vector<std::string> Texts(const ItemValues& values) {
  std::vector<std::string> texts;
  texts.reserve(values.size());
  for (const auto& value : values) texts.push_back(notes::ItemValueText(value));
  return texts;
}

// The people of a list from its Internet-form and its Notes-form item, entry by entry.
People ReadPeople(ItemReader& items, std::string_view internetItem, std::string_view notesItem,
                  const NamesTable& names) {
  return PeopleOfEntries(Texts(items.Values(internetItem)), Texts(items.Values(notesItem)), names);
}

// The sender: the first entry of each item alone.
People ReadSender(ItemReader& items, const NamesTable& names) {
  std::vector<std::string> internet = Texts(items.Values("INetFrom"));
  std::vector<std::string> notesForm = Texts(items.Values("From"));
  internet.resize(std::min<std::size_t>(internet.size(), 1));
  notesForm.resize(std::min<std::size_t>(notesForm.size(), 1));
  return PeopleOfEntries(internet, notesForm, names);
}

// A message id that a mail program stored without its angle brackets ("left@right") gets them;
// anything else stays as it is, for the composer to take or refuse.
std::string WithAngleBrackets(std::string id) {
  const bool bare = !id.empty() && id.front() != '<' && id.find('@') != std::string::npos &&
                    id.find_first_of("<> \t\r\n") == std::string::npos;
  return bare ? "<" + id + ">" : id;
}

// The values of the first item of the list that the document has, joined by blanks.
std::string FirstOfItems(ItemReader& items, std::span<const std::string_view> itemNames) {
  for (std::string_view name : itemNames) {
    const ItemValues values = items.Values(name);
    if (values.empty()) continue;
    std::vector<std::string> texts;
    for (const auto& value : values) {
      std::string text = Trim(notes::ItemValueText(value));
      if (!text.empty()) texts.push_back(std::move(text));
    }
    return Join(texts, " ");
  }
  return {};
}

// "DeliveryPriority" ("H", "N", "L"), else "Importance" ("1" high, "2" normal, "3" low).
Importance ReadImportance(ItemReader& items) {
  const std::string priority = Trim(items.FirstText("DeliveryPriority"));
  if (priority == "H" || priority == "h") return Importance::High;
  if (priority == "N" || priority == "n") return Importance::Normal;
  if (priority == "L" || priority == "l") return Importance::Low;
  const std::string importance = Trim(items.FirstText("Importance"));
  if (importance == "1") return Importance::High;
  if (importance == "2") return Importance::Normal;
  if (importance == "3") return Importance::Low;
  return Importance::Unset;
}

std::vector<std::string> ReadKeywords(ItemReader& items) {
  std::vector<std::string> keywords;
  for (const auto& value : items.Values("Categories")) {
    std::string keyword = Trim(notes::ItemValueText(value));
    if (!keyword.empty()) keywords.push_back(std::move(keyword));
  }
  return keywords;
}

// The first value of a date item as a date; none when it has none (or it is no date).
std::optional<DateTime> FirstDate(ItemReader& items, std::string_view itemName) {
  const ItemValues values = items.Values(itemName);
  if (values.empty()) return std::nullopt;
  if (const auto* date = std::get_if<DateTime>(&values.front())) return *date;
  return std::nullopt;
}

// The first date of the items that date a message of this folder (notes::MessageDateItems), else
// when the document was created.
std::optional<DateTime> ReadDate(ItemReader& items, const FieldReading& reading, MessageFields& fields) {
  for (std::string_view item : notes::MessageDateItems(reading.previewDateItem)) {
    if (auto date = FirstDate(items, item)) return date;
  }
  try {
    return items.document().Created();
  } catch (const std::exception& error) {
    fields.unreadableItems.push_back("creation date: " + WhyFailed(error));
    return std::nullopt;
  }
}

bool HasEmbeddedObjects(Document& document, MessageFields& fields) {
  try {
    return document.HasEmbedded();
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"Body", WhyFailed(error)});
    return false;
  }
}

void ExtractAttachments(Document& document, AttachmentFolder& folder, MessageFields& fields) {
  std::vector<std::shared_ptr<notes::EmbeddedObject>> objects;
  try {
    const auto bodyItem = document.GetFirstItem("Body");
    if (!bodyItem || bodyItem->Type() != notes::kRichTextItemType) return;
    objects = bodyItem->EmbeddedObjects();
  } catch (const std::exception& error) {
    fields.extractionFailures.push_back({"Body", WhyFailed(error)});
    return;
  }

  for (const auto& object : objects) {
    if (!object) continue;
    std::string name;
    std::string target;
    try {
      if (object->Type() != notes::kFileAttachmentType) continue;
      name = object->Name();
      target = folder.NewFilePath(AttachmentFileName(name));
    } catch (const std::exception& error) {
      fields.extractionFailures.push_back({name, WhyFailed(error)});
      continue;
    }
    bool extracted = true;
    try {
      object->ExtractFile(target);
    } catch (const std::exception& error) {
      RemoveFile(target);  // a part of the bytes must not pass for the attachment
      fields.extractionFailures.push_back({name, WhyFailed(error)});
      extracted = false;
    }
    fields.AttachmentList += '|';
    fields.AttachmentList += target;
    // The list keeps its entry; the writer is not handed a file that is not there, which would
    // report the same attachment a second time.
    if (extracted) {
      fields.attachments.push_back(StoredAttachment(AttachmentSource::EmbeddedObject, target));
      fields.attachmentFiles.push_back(std::move(target));
    }
    fields.attachmentNames.push_back(std::move(name));
  }
}

}  // namespace

Attachment StoredAttachment(AttachmentSource source, const std::string& file) {
  const std::string name = Utf8Text(FilePath(file).filename());
  FileType type = FileTypeOfFile(file, name);
  std::error_code error;
  const auto size = std::filesystem::file_size(FilePath(file), error);
  return Attachment{source, file, "", std::move(type.mediaType), std::move(type.parameters),
                    error ? -1 : static_cast<std::int64_t>(size)};
}

void ReadSubject(Document& document, MessageFields& fields) {
  fields.unreadableItems.clear();
  fields.subject = ItemReader(document, fields.unreadableItems).FirstText("Subject");
}

void ReadMessageFields(Document& document, AttachmentFolder& folder, MessageFields& fields,
                       const FieldReading& reading) {
  try {
    fields.encrypted = document.IsEncrypted();
  } catch (const std::exception& error) {
    fields.encrypted = false;
    fields.unreadableItems.push_back("encryption: " + WhyFailed(error));
  }
  ItemReader items(document, fields.unreadableItems);
  const NamesTable noNames;
  const NamesTable& names = reading.names != nullptr ? *reading.names : noNames;
  fields.people.cc = ReadPeople(items, "InetCopyTo", "CopyTo", names);
  fields.people.bcc = ReadPeople(items, "InetBlindCopyTo", "BlindCopyTo", names);
  fields.people.from = ReadSender(items, names);
  fields.people.to = ReadPeople(items, "InetSendTo", "SendTo", names);
  fields.when = ReadDate(items, reading, fields);
  fields.date = fields.when ? DateText(*fields.when) : std::string();
  fields.body = items.FirstText("Body");
  fields.from = PeopleText(fields.people.from);
  fields.to = PeopleText(fields.people.to);
  fields.CcList = PeopleText(fields.people.cc);
  fields.BccList = PeopleText(fields.people.bcc);

  fields.headers.messageId = WithAngleBrackets(Trim(items.FirstText("$MessageID")));
  fields.headers.inReplyTo = FirstOfItems(items, kInReplyToItems);
  fields.headers.references = FirstOfItems(items, kReferencesItems);
  fields.headers.importance = ReadImportance(items);
  fields.headers.keywords = ReadKeywords(items);
  fields.headers.otherFields.clear();

  try {
    fields.universalId = document.UniversalID();
  } catch (const std::exception& error) {
    fields.universalId.clear();
    fields.unreadableItems.push_back("universal id: " + WhyFailed(error));
  }

  fields.AttachmentList.clear();
  fields.attachmentFiles.clear();
  fields.attachmentMediaTypes.clear();
  fields.attachmentNames.clear();
  fields.attachments.clear();
  fields.extractionFailures.clear();
  fields.hasEmbedded = HasEmbeddedObjects(document, fields);
  if (fields.hasEmbedded) ExtractAttachments(document, folder, fields);
}

MessageFields ExtractMessageFields(Document& document, AttachmentFolder& folder,
                                   const FieldReading& reading) {
  MessageFields fields;
  ReadSubject(document, fields);
  ReadMessageFields(document, folder, fields, reading);
  return fields;
}

}  // namespace mailshift::mail
