#include "platform/nsf/NsfDocument.h"

#include <algorithm>
#include <cstdio>

#include "platform/nsf/Bytes.h"
#include "platform/nsf/NsfError.h"
#include "platform/nsf/NsfValues.h"

namespace mailshift::nsf {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
           };
           return lower(x) == lower(y);
         });
}

constexpr std::string_view kFileItem = "$FILE";

// An attached file as its $FILE item describes it (the C API's FILEOBJECT after the object
// descriptor): the name follows its 36 fixed bytes.
struct FileDescription {
  std::string name;
  std::uint32_t size = 0;
  std::uint16_t compression = 0;
};

FileDescription DescribeFile(const RawItem& item, const std::string& place) {
  const Bytes bytes(item.value, place);
  FileDescription file;
  const std::uint16_t nameLength = bytes.U16(6);
  file.compression = bytes.U16(10);
  file.size = bytes.U32(16);
  file.name = TextValue(bytes.Slice(36, nameLength));
  return file;
}

class NsfAttachment : public notes::EmbeddedObject {
 public:
  NsfAttachment(FileDescription file, std::string place) : file_(std::move(file)), place_(std::move(place)) {}
  int Type() override { return notes::kFileAttachmentType; }
  std::string Name() override { return file_.name; }
  void ExtractFile(const std::string& targetPath) override {
    static_cast<void>(targetPath);
    throw NsfError(place_ + ": the attachment " + file_.name + " cannot be read by this reader yet");
  }

 private:
  FileDescription file_;
  std::string place_;
};

class NsfRichTextItem : public notes::RichTextItem {
 public:
  explicit NsfRichTextItem(std::vector<std::shared_ptr<notes::EmbeddedObject>> objects)
      : objects_(std::move(objects)) {}
  int Type() override { return notes::kRichTextItemType; }
  std::vector<std::shared_ptr<notes::EmbeddedObject>> EmbeddedObjects() override { return objects_; }

 private:
  std::vector<std::shared_ptr<notes::EmbeddedObject>> objects_;
};

}  // namespace

NsfDocument::NsfDocument(std::shared_ptr<const NsfContainer> container, RawNote note)
    : container_(std::move(container)), note_(std::move(note)) {}

std::vector<const RawItem*> NsfDocument::Find(std::string_view itemName) const {
  std::vector<const RawItem*> found;
  for (const RawItem& item : note_.items)
    if (SameName(item.name, itemName)) found.push_back(&item);
  return found;
}

std::string NsfDocument::Place(const RawItem& item) const {
  char id[16];
  std::snprintf(id, sizeof id, "%X", note_.noteId);
  return container_->Path() + ": note " + id + ": item " + item.name;
}

notes::ItemValues NsfDocument::GetItemValue(std::string_view itemName) {
  const auto items = Find(itemName);
  if (items.empty()) return {};
  if (items.front()->type == kTypeComposite) {
    // Rich text may be split over several items of the same name, in order.
    std::string text;
    for (const RawItem* item : items) {
      if (item->type != kTypeComposite) continue;
      const auto values = DecodeValues(item->type, item->value, Place(*item));
      if (!values.empty()) text += std::get<std::string>(values.front());
    }
    return {text};
  }
  return DecodeValues(items.front()->type, items.front()->value, Place(*items.front()));
}

bool NsfDocument::hasitem(std::string_view itemName) { return !Find(itemName).empty(); }

std::int64_t NsfDocument::Size() { return note_.size; }

bool NsfDocument::HasEmbedded() { return !Find(kFileItem).empty(); }

std::shared_ptr<notes::RichTextItem> NsfDocument::GetFirstItem(std::string_view itemName) {
  const auto items = Find(itemName);
  if (items.empty() || items.front()->type != kTypeComposite) return nullptr;
  std::vector<std::shared_ptr<notes::EmbeddedObject>> objects;
  for (const RawItem* file : Find(kFileItem))
    objects.push_back(std::make_shared<NsfAttachment>(DescribeFile(*file, Place(*file)), Place(*file)));
  return std::make_shared<NsfRichTextItem>(std::move(objects));
}

std::string NsfDocument::UniversalID() { return note_.universalId; }

std::vector<std::string> NsfDocument::AttachmentNames() {
  std::vector<std::string> names;
  for (const RawItem* file : Find(kFileItem)) names.push_back(DescribeFile(*file, Place(*file)).name);
  return names;
}

std::shared_ptr<notes::EmbeddedObject> NsfDocument::GetAttachment(std::string_view fileName) {
  for (const RawItem* file : Find(kFileItem)) {
    FileDescription description = DescribeFile(*file, Place(*file));
    if (description.name == fileName)
      return std::make_shared<NsfAttachment>(std::move(description), Place(*file));
  }
  return nullptr;
}

bool NsfDocument::IsEncrypted() { return !Find("$Seal").empty() || !Find("$SealData").empty(); }

DateTime NsfDocument::Created() { return TimeDateValue(note_.created).value_or(DateTime{}); }

std::vector<notes::ItemInfo> NsfDocument::Items() {
  std::vector<notes::ItemInfo> items;
  for (const RawItem& item : note_.items) {
    notes::ItemInfo info;
    info.name = TextValue(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(item.name.data()), item.name.size()));
    info.type = ObjectModelType(item.type);
    info.summary = item.summary();
    info.values = DecodeValues(item.type, item.value, Place(item));
    items.push_back(std::move(info));
  }
  return items;
}

std::string NsfDocument::NoteID() {
  char id[16];
  std::snprintf(id, sizeof id, "%X", note_.noteId);
  return id;
}

}  // namespace mailshift::nsf
