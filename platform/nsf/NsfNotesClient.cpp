#include "platform/nsf/NsfNotesClient.h"

#include <filesystem>
#include <fstream>

#include "platform/nsf/NsfDatabase.h"

namespace mailshift::nsf {

namespace {

// A database that could not be opened: every operation tells why, as the scan expects of a
// database object (it reads the reason from the first operation that fails).
class UnreadableDatabase : public notes::Database {
 public:
  explicit UnreadableDatabase(std::string reason) : reason_(std::move(reason)) {}
  std::string Title() override { throw notes::NotesError(reason_); }
  std::vector<std::shared_ptr<notes::View>> Views() override { throw notes::NotesError(reason_); }
  std::shared_ptr<notes::View> GetView(std::string_view) override { throw notes::NotesError(reason_); }
  std::shared_ptr<notes::DocumentCollection> AllDocuments() override { throw notes::NotesError(reason_); }

 private:
  std::string reason_;
};

class NsfSession : public notes::Session {
 public:
  std::shared_ptr<notes::Database> GetDatabase(std::string_view server, std::string_view path) override {
    if (!server.empty())
      throw notes::NotesError("the native reader opens local files only, not databases on a server");
    try {
      return std::make_shared<NsfDatabase>(std::string(path));
    } catch (const notes::NotesError& error) {
      return std::make_shared<UnreadableDatabase>(error.what());
    }
  }
  // MIME items are given as they are stored.
  bool ConvertMIME() override { return false; }
};

}  // namespace

std::shared_ptr<notes::Session> NsfNotesClient::CreateObject(std::string_view className) {
  if (className == notes::kDominoSessionClass || className == notes::kNotesSessionClass)
    return std::make_shared<NsfSession>();
  throw notes::NotesError("the native reader has no class " + std::string(className));
}

namespace {
// Only a regular file is looked into: opening a pipe or a device could wait for ever.
bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::u8path(path), error);
}
}  // namespace

bool HasNotesSignature(const std::string& path) {
  if (!IsRegularFile(path)) return false;
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  char head[2] = {};
  return file.read(head, 2) && head[0] == 0x1A && head[1] == 0x00;
}

std::optional<std::uint32_t> OdsVersionOf(const std::string& path) {
  if (!IsRegularFile(path)) return std::nullopt;
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  unsigned char head[10] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head) || head[0] != 0x1A || head[1] != 0x00)
    return std::nullopt;
  return static_cast<std::uint32_t>(head[6] | (head[7] << 8) | (head[8] << 16) |
                                    (static_cast<std::uint32_t>(head[9]) << 24));
}

}  // namespace mailshift::nsf
