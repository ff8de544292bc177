// One note of a Notes database file as the object model's document.
#pragma once

#include <memory>

#include "notes/NotesObjects.h"
#include "platform/nsf/NsfContainer.h"

namespace mailshift::nsf {

class NsfDocument : public notes::Document {
 public:
  NsfDocument(std::shared_ptr<const NsfContainer> container, RawNote note);

  notes::ItemValues GetItemValue(std::string_view itemName) override;
  bool hasitem(std::string_view itemName) override;
  std::int64_t Size() override;
  bool HasEmbedded() override;
  std::shared_ptr<notes::RichTextItem> GetFirstItem(std::string_view itemName) override;
  std::string UniversalID() override;
  std::vector<std::string> AttachmentNames() override;
  std::shared_ptr<notes::EmbeddedObject> GetAttachment(std::string_view fileName) override;
  bool IsEncrypted() override;
  DateTime Created() override;
  std::vector<notes::ItemInfo> Items() override;
  std::string NoteID() override;

  std::uint32_t NoteIdNumber() const { return note_.noteId; }
  const RawNote& Note() const { return note_; }

 private:
  std::vector<const RawItem*> Find(std::string_view itemName) const;
  std::string Place(const RawItem& item) const;

  std::shared_ptr<const NsfContainer> container_;
  RawNote note_;
};

}  // namespace mailshift::nsf
