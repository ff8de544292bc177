// A Notes database file as the object model's database: its title, views and folders, and
// documents, each read from the file when asked for.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "notes/NotesObjects.h"
#include "platform/nsf/NsfContainer.h"

namespace mailshift::nsf {

// What the reader found of one view or folder design note.
struct ViewEntry {
  std::string name;
  bool folder = false;
  std::uint32_t noteId = 0;
  std::uint32_t idTableObject = 0;  // the object of a folder's $FolderIDTable; 0 for none
};

// What one pass over every note found: the documents, the views and folders, and the notes that
// could not be read (each with its reason).
struct NoteInventory {
  std::vector<std::uint32_t> documents;
  std::vector<ViewEntry> views;
  std::map<std::uint16_t, std::size_t> classCounts;
  std::vector<std::string> unreadable;
  std::size_t deletionStubs = 0;
};

class NsfDatabase : public notes::Database, public std::enable_shared_from_this<NsfDatabase> {
 public:
  explicit NsfDatabase(const std::string& path);

  std::string Title() override;
  std::vector<std::shared_ptr<notes::View>> Views() override;
  std::shared_ptr<notes::View> GetView(std::string_view name) override;
  std::shared_ptr<notes::DocumentCollection> AllDocuments() override;

  const NsfContainer& Container() const { return *container_; }
  const NoteInventory& Inventory();
  // The document of that note id; throws NsfError when it cannot be read.
  std::shared_ptr<notes::Document> OpenDocument(std::uint32_t noteId);
  // The documents of a folder; those of a view that is no folder are every document.
  std::vector<std::uint32_t> Members(const ViewEntry& view);

 private:
  std::shared_ptr<NsfContainer> container_;
  std::once_flag inventoried_;
  NoteInventory inventory_;
};

}  // namespace mailshift::nsf
