#include "platform/nsf/NsfFuzzRead.h"

#include "platform/nsf/NsfDatabase.h"

namespace mailshift::nsf {

namespace {

void ReadDocument(notes::Document& document, FuzzReadResult& result) {
  try {
    ++result.documents;
    document.UniversalID();
    document.Created();
    for (const auto& item : document.Items()) document.GetItemValue(item.name);
    document.GetItemValue("Body");
    if (auto body = document.GetFirstItem("Body")) body->EmbeddedObjects();
    document.AttachmentNames();
  } catch (const notes::NotesError&) {
    ++result.refusals;
  }
}

}  // namespace

FuzzReadResult ReadEverything(const std::string& path) {
  FuzzReadResult result;
  std::shared_ptr<NsfDatabase> database;
  try {
    database = std::make_shared<NsfDatabase>(path);
    database->Title();
    result.opened = true;
  } catch (const notes::NotesError&) {
    ++result.refusals;
    return result;
  }
  try {
    auto all = database->AllDocuments();
    for (auto document = all->GetFirstDocument(); document;) {
      ReadDocument(*document, result);
      try {
        document = all->GetNextDocument(document);
      } catch (const notes::NotesError&) {
        ++result.refusals;
        break;
      }
    }
  } catch (const notes::NotesError&) {
    ++result.refusals;
  }
  try {
    for (auto& view : database->Views()) {
      view->Name();
      view->AllEntriesCount();
    }
  } catch (const notes::NotesError&) {
    ++result.refusals;
  }
  return result;
}

}  // namespace mailshift::nsf
