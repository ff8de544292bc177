#include "export/FieldExtraction.h"

#include <cstdio>
#include <exception>

#include "common/TextRules.h"
#include "export/PathSafety.h"
#include "notes/SessionOrigin.h"

namespace mailshift::mail {
namespace {

using notes::Document;
using notes::ItemValues;

// "." as an Internet-form entry: this entry has no Internet address.
constexpr std::string_view kNoInternetAddress = ".";

// The item's values; none when the document lacks the item or it cannot be read.
ItemValues Values(Document& document, std::string_view itemName) {
  try {
    if (!document.hasitem(itemName)) return {};
    return document.GetItemValue(itemName);
  } catch (const std::exception&) {
    return {};  // an unreadable item counts as an empty one
  }
}

std::string ValueText(const ItemValues& values, std::size_t index) {
  return index < values.size() ? notes::ItemValueText(values[index]) : std::string();
}

std::string FirstText(Document& document, std::string_view itemName) {
  return ValueText(Values(document, itemName), 0);
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
std::string RecipientList(Document& document, std::string_view internetItem, std::string_view notesItem) {
  const ItemValues internet = Values(document, internetItem);
  if (internet.empty()) return {};
  if (internet.size() == 1) {
    const std::string only = ValueText(internet, 0);
    return only == kNoInternetAddress ? FirstText(document, notesItem) : only;
  }
  return MergedEntries(internet, Values(document, notesItem));
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

bool HasEmbeddedObjects(Document& document) {
  try {
    return document.HasEmbedded();
  } catch (const std::exception&) {
    return false;
  }
}

std::string WhyFailed(const std::exception& error) {
  const std::string reason = error.what();
  return reason.empty() ? "unknown error" : reason;
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
    try {
      object->ExtractFile(target);
    } catch (const std::exception& error) {
      std::remove(target.c_str());  // a part of the bytes must not pass for the attachment
      fields.extractionFailures.push_back({name, WhyFailed(error)});
    }
    fields.AttachmentList += '|';
    fields.AttachmentList += target;
  }
}

}  // namespace

std::string ReadSubject(Document& document) { return FirstText(document, "Subject"); }

void ReadMessageFields(Document& document, AttachmentFolder& folder, MessageFields& fields) {
  fields.CcList = RecipientList(document, "InetCopyTo", "CopyTo");
  fields.BccList = RecipientList(document, "InetBlindCopyTo", "BlindCopyTo");
  fields.from = FirstText(document, "From");
  const ItemValues notesTo = Values(document, "SendTo");
  fields.to = WholeList(notesTo);
  fields.date = FirstText(document, "PostedDate");
  fields.body = FirstText(document, "Body");

  const ItemValues internetFrom = Values(document, "INetFrom");
  if (HoldsInternetAddress(internetFrom)) fields.from = ValueText(internetFrom, 0);
  const ItemValues internetTo = Values(document, "InetSendTo");
  // A placeholder further down the Internet list stands for a recipient with a Notes name only;
  // taken as it is, it would become a recipient "." and lose that person.
  if (HoldsInternetAddress(internetTo)) fields.to = MergedEntries(internetTo, notesTo);

  fields.AttachmentList.clear();
  fields.extractionFailures.clear();
  fields.hasEmbedded = HasEmbeddedObjects(document);
  if (fields.hasEmbedded) ExtractAttachments(document, folder, fields);
}

MessageFields ExtractMessageFields(Document& document, AttachmentFolder& folder) {
  MessageFields fields;
  fields.subject = ReadSubject(document);
  ReadMessageFields(document, folder, fields);
  return fields;
}

}  // namespace mailshift::mail
