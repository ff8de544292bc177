#include "export/FieldExtraction.h"

#include <cstdio>
#include <exception>
#include <span>

#include "common/TextRules.h"
#include "export/PathSafety.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

using notes::Document;
using notes::ItemValues;

// "." as an Internet-form entry: this entry has no Internet address.
constexpr std::string_view kNoInternetAddress = ".";

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

std::string ValueText(const ItemValues& values, std::size_t index) {
  return index < values.size() ? notes::ItemValueText(values[index]) : std::string();
}

std::string JoinedTexts(const ItemValues& values) {
  std::vector<std::string> texts;
  texts.reserve(values.size());
  for (const auto& value : values) texts.push_back(notes::ItemValueText(value));
  return Join(texts, ";");
}

// The entries of an Internet-form list joined with ";", each placeholder replaced by the
// Notes-form entry at the same place (empty when there is none).
std::string MergedEntries(const ItemValues& internet, const ItemValues& notesForm) {
  std::vector<std::string> entries;
  entries.reserve(internet.size());
  for (std::size_t i = 0; i < internet.size(); ++i) {
    std::string entry = ValueText(internet, i);
    entries.push_back(entry == kNoInternetAddress ? ValueText(notesForm, i) : std::move(entry));
  }
  return Join(entries, ";");
}

// A recipient list from its Internet-form item, taking the Notes-form entry wherever the
// Internet one is the placeholder.
std::string RecipientList(ItemReader& items, std::string_view internetItem, std::string_view notesItem) {
  const ItemValues internet = items.Values(internetItem);
  if (internet.empty()) return {};
  if (internet.size() == 1) {
    const std::string only = ValueText(internet, 0);
    return only == kNoInternetAddress ? items.FirstText(notesItem) : only;
  }
  return MergedEntries(internet, items.Values(notesItem));
}

// An item's values as one list: all of them joined with ";", or the only one.
std::string WholeList(const ItemValues& values) {
  return values.size() > 1 ? JoinedTexts(values) : ValueText(values, 0);
}

// The Internet form replaces the Notes form as a whole when its first value is an address. An
// empty first value is no address either: it would lose the Notes-form value for nothing.
bool HoldsInternetAddress(const ItemValues& values) {
  if (values.empty()) return false;
  const std::string first = ValueText(values, 0);
  return first != kNoInternetAddress && !first.empty();
}

// A recipient text with each of its entries shown as the names table gives it.
std::string ShownEntries(const std::string& text, const NamesTable& names) {
  if (text.empty()) return text;
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (true) {
    const std::size_t separator = text.find(';', start);
    const std::string entry =
        text.substr(start, separator == std::string::npos ? separator : separator - start);
    entries.push_back(entry.empty() ? entry : names.ShownEntry(entry));
    if (separator == std::string::npos) break;
    start = separator + 1;
  }
  return Join(entries, ";");
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

// "PostedDate", else the item the folder's preview shows, else when the document was created.
std::string ReadDate(ItemReader& items, const FieldReading& reading, MessageFields& fields) {
  std::string date = items.FirstText("PostedDate");
  if (date.empty() && reading.previewDateItem != "PostedDate")
    date = items.FirstText(reading.previewDateItem);
  if (!date.empty()) return date;
  try {
    return notes::ItemValueText(notes::ItemValue(items.document().Created()));
  } catch (const std::exception& error) {
    fields.unreadableItems.push_back("creation date: " + WhyFailed(error));
    return {};
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
      std::remove(target.c_str());  // a part of the bytes must not pass for the attachment
      fields.extractionFailures.push_back({name, WhyFailed(error)});
      extracted = false;
    }
    fields.AttachmentList += '|';
    fields.AttachmentList += target;
    // The list keeps its entry; the writer is not handed a file that is not there, which would
    // report the same attachment a second time.
    if (extracted) fields.attachmentFiles.push_back(std::move(target));
    fields.attachmentNames.push_back(std::move(name));
  }
}

}  // namespace

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
  fields.CcList = RecipientList(items, "InetCopyTo", "CopyTo");
  fields.BccList = RecipientList(items, "InetBlindCopyTo", "BlindCopyTo");
  fields.from = items.FirstText("From");
  const ItemValues notesTo = items.Values("SendTo");
  fields.to = WholeList(notesTo);
  fields.date = ReadDate(items, reading, fields);
  fields.body = items.FirstText("Body");

  const ItemValues internetFrom = items.Values("INetFrom");
  if (HoldsInternetAddress(internetFrom)) fields.from = ValueText(internetFrom, 0);
  const ItemValues internetTo = items.Values("InetSendTo");
  // A placeholder further down the Internet list stands for a recipient with a Notes name only;
  // taken as it is, it would become a recipient "." and lose that person.
  if (HoldsInternetAddress(internetTo)) fields.to = MergedEntries(internetTo, notesTo);

  const NamesTable noNames;
  const NamesTable& names = reading.names != nullptr ? *reading.names : noNames;
  fields.from = ShownEntries(fields.from, names);
  fields.to = ShownEntries(fields.to, names);
  fields.CcList = ShownEntries(fields.CcList, names);
  fields.BccList = ShownEntries(fields.BccList, names);

  fields.headers.messageId = Trim(items.FirstText("$MessageID"));
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
