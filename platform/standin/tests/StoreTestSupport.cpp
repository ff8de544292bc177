#include "platform/standin/tests/StoreTestSupport.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/standin/StandInNotesClient.h"

namespace mailshift::standin::testing {

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("mailshift-store-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::FileNamesOf(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void Tamper(const std::filesystem::path& store, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(store.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + store.string());
  }
  char* message = nullptr;
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  const std::string error = message != nullptr ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (result != SQLITE_OK) throw std::runtime_error("tampering failed: " + error);
}

std::shared_ptr<notes::Database> OpenStore(const std::filesystem::path& store) {
  StandInNotesClient client;
  return client.CreateObject("Domino.NotesSession")->GetDatabase("", store.string());
}

std::string FirstText(notes::Document& document, const std::string& item) {
  const auto values = document.GetItemValue(item);
  if (values.empty()) return {};
  if (const auto* text = std::get_if<std::string>(&values.front())) return *text;
  return {};
}

void ReadEverything(notes::Database& database, const std::filesystem::path& extractFolder,
                    const WalkStep& step, const std::vector<std::string>& itemNames,
                    std::size_t mostDocuments) {
  step([&] { database.Title(); });
  std::vector<std::shared_ptr<notes::View>> views;
  step([&] { views = database.Views(); });
  int extracted = 0;
  for (const auto& view : views) {
    std::string name;
    step([&] { name = view->Name(); });
    step([&] { view->isfolder(); });
    step([&] { view->AllEntriesCount(); });
    step([&] { database.GetView(name); });
    std::shared_ptr<notes::Document> document;
    step([&] { document = view->GetFirstDocument(); });
    for (std::size_t taken = 0; document && taken < mostDocuments; ++taken) {
      step([&] { document->UniversalID(); });
      step([&] { document->Size(); });
      step([&] { document->HasEmbedded(); });
      for (const auto& item : itemNames) {
        step([&] { document->hasitem(item); });
        step([&] { document->GetItemValue(item); });
      }
      std::shared_ptr<notes::RichTextItem> body;
      step([&] { body = document->GetFirstItem("Body"); });
      std::vector<std::shared_ptr<notes::EmbeddedObject>> objects;
      if (body) {
        step([&] { body->Type(); });
        step([&] { objects = body->EmbeddedObjects(); });
      }
      for (const auto& object : objects) {
        step([&] { object->Type(); });
        step([&] { object->Name(); });
        const auto target = extractFolder / ("extracted-" + std::to_string(++extracted));
        step([&] { object->ExtractFile(target.string()); });
      }
      auto current = std::move(document);
      step([&] { document = view->GetNextDocument(current); });
    }
  }
}

std::vector<std::string> DocumentIds(notes::View& view) {
  std::vector<std::string> ids;
  for (auto document = view.GetFirstDocument(); document; document = view.GetNextDocument(document)) {
    ids.push_back(FirstText(*document, "Id"));
  }
  return ids;
}

}  // namespace mailshift::standin::testing
