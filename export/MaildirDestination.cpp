#include "export/MaildirDestination.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/Global.h"
#include "export/MailboxNames.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOurs = ".mailshift";  // ends the unique names of our messages
// Before the flags of a name: ":" as Maildir has it; Windows file names cannot hold one.
#ifdef _WIN32
constexpr char kInfoSeparator = '!';
#else
constexpr char kInfoSeparator = ':';
#endif

// The document id in a unique name of ours ("1700000000.P12Q3U<id>.mailshift"); "" for others.
std::string IdInName(std::string_view name) {
  if (!name.ends_with(kOurs)) return {};
  name.remove_suffix(kOurs.size());
  const std::size_t u = name.rfind('U');
  return u == std::string_view::npos ? std::string() : std::string(name.substr(u + 1));
}

std::string MakeMaildir(const fs::path& path) {
  std::error_code error;
  for (const char* sub : {"cur", "new", "tmp"}) {
    fs::create_directories(path / sub, error);
    if (error) return Utf8Text(path / sub) + ": " + error.message();
  }
  return {};
}

void SetFileTime(const fs::path& path, std::int64_t seconds) {
  std::error_code error;
  const auto system = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
  fs::last_write_time(path, std::chrono::file_clock::from_sys(system), error);
}

}  // namespace

std::string MaildirInfo(const MessageMarks& marks) {
  std::string info = std::string(1, kInfoSeparator) + "2,";
  if (marks.draft) info += 'D';
  if (marks.read) info += 'S';
  return info;
}

std::string MaildirFolderName(const DeliveryFolder& folder) {
  const std::vector<std::string> levels = MailboxLevels(folder);
  if (folder.standard && folder.tag == "Inbox") return {};
  std::string name;
  for (const std::string& level : levels) {
    std::string encoded = ModifiedUtf7(level);
    for (char& c : encoded) {
      if (c == '.') c = '-';
    }
    if (encoded.empty() || encoded == "-" || encoded == "--") encoded = "_";
    name += "." + encoded;
  }
  return name;
}

std::string MaildirDestination::Open() {
  std::error_code error;
  fs::create_directories(FilePath(root_), error);
  if (error) return root_ + ": " + error.message();
  return MakeMaildir(FilePath(root_));
}

std::string MaildirDestination::EnterFolder(const DeliveryFolder& folder) {
  names_.clear();
  found_.clear();
  const std::string sub = MaildirFolderName(folder);
  folder_ = root_ + sub + (sub.empty() ? "" : std::string(1, kPathSeparator));
  const fs::path path = FilePath(folder_);
  if (const std::string problem = MakeMaildir(path); !problem.empty()) return problem;
  std::error_code error;
  if (!sub.empty()) std::ofstream(path / "maildirfolder", std::ios::binary | std::ios::app);
  for (const char* where : {"cur", "new"}) {
    for (const auto& entry : fs::directory_iterator(path / where, error)) {
      std::string name = Utf8Text(entry.path().filename());
      name = name.substr(0, name.find(kInfoSeparator));
      const std::string id = IdInName(name);
      if (!id.empty()) found_[id].push_back(name);
      names_.insert(std::move(name));
    }
    if (error) return Utf8Text(path / where) + ": " + error.message();
  }
  // Messages of ours left in "tmp" by a run that was ended were never delivered.
  for (const auto& entry : fs::directory_iterator(path / "tmp", error)) {
    const std::string name = Utf8Text(entry.path().filename());
    if (!IdInName(name).empty()) fs::remove(entry.path(), error);
  }
  return {};
}

std::string MaildirDestination::Holds(const std::string& record, std::int64_t /*bytes*/) {
  for (auto& [id, names] : found_) std::erase(names, record);
  // A mail program renames a message when its marks change; the unique part stays.
  return names_.contains(record) ? std::string() : "the message written by an earlier export is missing";
}

Delivery MaildirDestination::Deliver(const OutgoingMessage& message) {
  Delivery delivery;
  if (!message.universalId.empty()) {
    if (auto found = found_.find(message.universalId); found != found_.end() && !found->second.empty()) {
      delivery.delivered = true;
      delivery.foundThere = true;
      delivery.record = found->second.front();
      found->second.erase(found->second.begin());
      return delivery;
    }
  }
  const std::int64_t seconds = message.date.value_or(0);
  const std::string id = message.universalId.empty() ? std::string("0") : message.universalId;
  const std::string unique = std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count()) +
                             ".P" + std::to_string(CurrentProcessNumber()) + "Q" +
                             std::to_string(++delivered_) + "U" + id + std::string(kOurs);
  const fs::path folder = FilePath(folder_);
  const fs::path temporary = folder / "tmp" / FilePath(unique);
  const fs::path final = folder / "cur" / FilePath(unique + MaildirInfo(message.marks));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(message.bytes.data(), static_cast<std::streamsize>(message.bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      delivery.reason = Utf8Text(temporary) + ": the message could not be written";
      return delivery;
    }
  }
  if (message.date) SetFileTime(temporary, seconds);
  std::error_code error;
  fs::rename(temporary, final, error);
  if (error) {
    fs::remove(temporary, error);
    delivery.reason = Utf8Text(final) + ": the message could not be moved into cur";
    return delivery;
  }
  names_.insert(unique);
  delivery.delivered = true;
  delivery.record = unique;
  delivery.bytes = static_cast<std::int64_t>(message.bytes.size());
  return delivery;
}

}  // namespace mailshift::mail
