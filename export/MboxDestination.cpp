#include "export/MboxDestination.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "export/MailboxNames.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;

// "Tue Dec  8 07:27:19 2026", the date of a "From " line, in UTC.
std::string FromLineDate(std::int64_t seconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
#ifdef _WIN32
  if (gmtime_s(&parts, &time) != 0) return "Thu Jan  1 00:00:00 1970";
#else
  if (gmtime_r(&time, &parts) == nullptr) return "Thu Jan  1 00:00:00 1970";
#endif
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", kDays[parts.tm_wday % 7],
                kMonths[parts.tm_mon % 12], parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                parts.tm_year + 1900);
  return text;
}

bool IsQuotedFromLine(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && line[at] == '>') ++at;
  return line.substr(at).starts_with("From ");
}

std::string FolderProblem(const fs::path& path, const std::error_code& error) {
  return Utf8Text(path) + ": " + error.message();
}

// The value of a header field in an mbox entry's header ("" for none).
std::string HeaderValue(std::string_view header, std::string_view name) {
  std::size_t at = 0;
  while (at < header.size()) {
    std::size_t end = header.find('\n', at);
    if (end == std::string_view::npos) end = header.size();
    const std::string_view line = header.substr(at, end - at);
    if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
      std::string_view value = line.substr(name.size() + 1);
      while (!value.empty() && (value.front() == ' ' || value.back() == '\r' || value.back() == ' ')) {
        if (value.front() == ' ')
          value.remove_prefix(1);
        else
          value.remove_suffix(1);
      }
      return std::string(value);
    }
    at = end + 1;
  }
  return {};
}

}  // namespace

std::string MboxEntry(const OutgoingMessage& message) {
  const auto& marks = message.marks;
  std::string entry = "From - " + FromLineDate(message.date.value_or(0)) + "\n";
  entry += std::string("Status: ") + (marks.read ? "RO" : "O") + "\n";
  // Thunderbird: 0x0001 read; mutt and others: "Status" above. Drafts are known by their folder.
  entry += std::string("X-Mozilla-Status: ") + (marks.read ? "0001" : "0000") + "\n";
  entry += "X-Mozilla-Status2: 00000000\n";
  std::string keys;
  for (const auto& keyword : marks.keywords) {
    const std::string atom = KeywordAtom(keyword);
    if (atom.empty()) continue;
    keys += (keys.empty() ? "" : " ") + atom;
  }
  if (!keys.empty()) entry += "X-Mozilla-Keys: " + keys + "\n";
  entry.reserve(entry.size() + message.bytes.size() + 64);
  std::size_t at = 0;
  const std::string_view text = message.bytes;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (IsQuotedFromLine(line)) entry += '>';
    entry += line;
    entry += '\n';
    at = end + 1;
  }
  entry += '\n';
  return entry;
}

std::string MboxDestination::Open() {
  std::error_code error;
  fs::create_directories(FilePath(root_), error);
  if (error) return FolderProblem(FilePath(root_), error);
  return {};
}

std::string MboxDestination::EnterFolder(const DeliveryFolder& folder) {
  found_.clear();
  size_ = 0;
  const std::vector<std::string> levels = MailboxLevels(folder);
  fs::path path = FilePath(root_);
  std::error_code error;
  for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
    const fs::path parent = path / FilePath(OutputFolderName(levels[i]));
    // Thunderbird shows a folder with subfolders from its own mbox file beside NAME.sbd.
    if (!fs::exists(parent, error)) std::ofstream(parent, std::ios::binary | std::ios::app);
    path = parent;
    path += ".sbd";
    fs::create_directory(path, error);
    if (error) return FolderProblem(path, error);
  }
  path /= FilePath(OutputFolderName(levels.back()));
  file_ = Utf8Text(path);
  const auto status = fs::symlink_status(path, error);
  if (!error && fs::exists(status) && !fs::is_regular_file(status)) return file_ + ": not a plain file";
  if (!fs::exists(status)) {
    std::ofstream created(path, std::ios::binary | std::ios::app);
    if (!created) return file_ + ": cannot be made";
    return {};
  }
  // What an earlier run wrote: the messages that carry a document id, found by their header.
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::int64_t offset = 0;
  std::int64_t entry = -1;
  std::string lastId;  // the id of the last message in the file; "" when it is none of ours
  bool inHeader = false;
  bool afterBlank = true;
  while (std::getline(in, line)) {
    const std::int64_t lineStart = offset;
    offset += static_cast<std::int64_t>(line.size()) + 1;
    if (afterBlank && line.starts_with("From ")) {
      entry = lineStart;
      lastId.clear();
      inHeader = true;
    } else if (inHeader && (line.empty() || line == "\r")) {
      inHeader = false;
    } else if (inHeader && line.starts_with("X-Notes-UNID:")) {
      const std::string id = HeaderValue(line, "X-Notes-UNID");
      if (!id.empty() && entry >= 0) {
        found_[id].push_back(entry);
        lastId = id;
      }
    }
    afterBlank = line.empty() || line == "\r";
  }
  in.close();
  size_ = static_cast<std::int64_t>(fs::file_size(path, error));
  if (error) return file_ + ": " + error.message();
  // A last message cut off (a disk that filled) ends without its empty line. When it is ours it
  // is removed, and written again; another program's is left as it is.
  if (size_ > 0 && !lastId.empty()) {
    std::ifstream tail(path, std::ios::binary);
    char last[2] = {0, 0};
    if (size_ >= 2) {
      tail.seekg(size_ - 2);
      tail.read(last, 2);
    }
    tail.close();
    if (!(last[0] == '\n' && last[1] == '\n')) {
      fs::resize_file(path, static_cast<std::uintmax_t>(entry), error);
      if (error) return file_ + ": " + error.message();
      size_ = entry;
      std::erase(found_[lastId], entry);
    }
  }
  return {};
}

std::string MboxDestination::Holds(const std::string& record, std::int64_t bytes) {
  std::int64_t offset = -1;
  try {
    offset = std::stoll(record);
  } catch (const std::exception&) {
    return "the manifest records no place in the mbox file for it";
  }
  for (auto& [id, offsets] : found_) std::erase(offsets, offset);
  if (offset < 0 || bytes < 0 || offset + bytes > size_)
    return "the mbox file is shorter than when it was written";
  std::ifstream in(FilePath(file_), std::ios::binary);
  char start[5] = {};
  in.seekg(offset);
  if (!in.read(start, 5) || std::string_view(start, 5) != "From ") {
    return "the mbox file has changed since it was written";
  }
  return {};
}

Delivery MboxDestination::Deliver(const OutgoingMessage& message) {
  Delivery delivery;
  if (!message.universalId.empty()) {
    if (auto found = found_.find(message.universalId); found != found_.end() && !found->second.empty()) {
      delivery.delivered = true;
      delivery.foundThere = true;
      delivery.record = std::to_string(found->second.front());
      found->second.erase(found->second.begin());
      return delivery;
    }
  }
  const std::string entry = MboxEntry(message);
  std::ofstream out;
  out.rdbuf()->pubsetbuf(nullptr, 0);  // the entry reaches the file in one write
  out.open(FilePath(file_), std::ios::binary | std::ios::app);
  if (!out) {
    delivery.reason = file_ + ": " + std::strerror(errno);
    return delivery;
  }
  out.write(entry.data(), static_cast<std::streamsize>(entry.size()));
  out.flush();
  if (!out) {
    delivery.reason = file_ + ": the message could not be written";
    out.close();
    std::error_code error;
    fs::resize_file(FilePath(file_), static_cast<std::uintmax_t>(size_), error);
    return delivery;
  }
  delivery.delivered = true;
  delivery.record = std::to_string(size_);
  delivery.bytes = static_cast<std::int64_t>(entry.size());
  size_ += delivery.bytes;
  return delivery;
}

}  // namespace mailshift::mail
