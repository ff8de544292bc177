// Helpers for the tests of the stand-in store: scratch folders, file bytes and tampering.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "notes/NotesObjects.h"

namespace mailshift::standin::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // The names of the files in the folder, sorted.
  std::vector<std::string> FileNames() const { return FileNamesOf(path_); }
  static std::vector<std::string> FileNamesOf(const std::filesystem::path& folder);

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
// Changes a store with SQL, as a damaged or hostile store would be made.
void Tamper(const std::filesystem::path& store, const std::string& sql);
// The database object the stand-in client gives for a path.
std::shared_ptr<notes::Database> OpenStore(const std::filesystem::path& store);
// The first value of an item as text, "" when there is none.
std::string FirstText(notes::Document& document, const std::string& item);
// Calls every member of the Notes objects of a database once: the title, each view's members and
// every document of every view, its items (those of `itemNames` and "Body"), its universal id and
// its embedded objects, which are extracted into `extractFolder`. Each call goes through `step`,
// which decides what a failing call means; a walk of a view stops where a step fails to give the
// next document. At most `mostDocuments` documents are taken from a view.
using WalkStep = std::function<void(const std::function<void()>&)>;
void ReadEverything(notes::Database& database, const std::filesystem::path& extractFolder,
                    const WalkStep& step, const std::vector<std::string>& itemNames,
                    std::size_t mostDocuments = 100000);

// The ids ("Id" item) of a view's documents, in the order GetFirstDocument/GetNextDocument gives.
std::vector<std::string> DocumentIds(notes::View& view);

}  // namespace mailshift::standin::testing
