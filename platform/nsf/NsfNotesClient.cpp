#include "platform/nsf/NsfNotesClient.h"

#include <filesystem>
#include <fstream>

#include "platform/nsf/NsfDatabase.h"

namespace mailshift::nsf {

namespace {

class NsfSession : public notes::Session {
 public:
  std::shared_ptr<notes::Database> GetDatabase(std::string_view server, std::string_view path) override {
    if (!server.empty())
      throw notes::NotesError("the native reader opens local files only, not databases on a server");
    return std::make_shared<NsfDatabase>(std::string(path));
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

bool HasNotesSignature(const std::string& path) {
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  char head[2] = {};
  return file.read(head, 2) && head[0] == 0x1A && head[1] == 0x00;
}

std::optional<std::uint32_t> OdsVersionOf(const std::string& path) {
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  unsigned char head[10] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head) || head[0] != 0x1A || head[1] != 0x00)
    return std::nullopt;
  return static_cast<std::uint32_t>(head[6] | (head[7] << 8) | (head[8] << 16) |
                                    (static_cast<std::uint32_t>(head[9]) << 24));
}

}  // namespace mailshift::nsf
