#include "batch/MailboxList.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "batch/CsvRecords.h"
#include "common/Utf8.h"

namespace mailshift::batch {
namespace {

namespace fs = std::filesystem;

fs::path FilePath(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// "imap://host", "maildir:/path": a destination with a scheme of two or more letters.
bool NamesAScheme(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-';
  });
}

std::vector<std::string> Folders(std::string_view text) {
  std::vector<std::string> folders;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find(';', start);
    std::string folder = Trimmed(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (!folder.empty()) folders.push_back(std::move(folder));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return folders;
}

enum class Column { Database, Destination, Names, Owner, Exclude };

std::optional<Column> ColumnNamed(const std::string& name) {
  static const std::map<std::string, Column> kColumns{{"database", Column::Database},
                                                      {"destination", Column::Destination},
                                                      {"names", Column::Names},
                                                      {"owner", Column::Owner},
                                                      {"exclude", Column::Exclude}};
  const auto found = kColumns.find(Lower(Trimmed(name)));
  if (found == kColumns.end()) return std::nullopt;
  return found->second;
}

std::string LinePrefix(std::size_t line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

std::string ListPath(const std::string& path, const std::string& base) {
  if (path.empty() || NamesAScheme(path)) return path;
  const fs::path given = FilePath(path);
  if (given.is_absolute() || base.empty()) return path;
  return Utf8Text((FilePath(base) / given).lexically_normal());
}

MailboxListRead ReadMailboxList(std::string_view text, const std::string& base) {
  MailboxListRead result;
  CsvLimits limits;
  limits.records = kMostMailboxes + 1;
  CsvRead read = ReadCsv(text, limits);
  result.problems = std::move(read.problems);
  if (read.records.empty()) {
    if (result.problems.empty())
      result.problems.push_back("the list is empty; its first line names the columns");
    return result;
  }
  const CsvRecord& header = read.records.front();
  std::vector<Column> columns;
  bool hasDatabase = false, hasDestination = false;
  for (const std::string& name : header.fields) {
    const std::optional<Column> column = ColumnNamed(name);
    if (!column) {
      result.problems.push_back(LinePrefix(header.line) + "unknown column \"" + ValidUtf8(name) +
                                "\"; the columns are database, destination, names, owner, exclude");
      return result;
    }
    if (std::find(columns.begin(), columns.end(), *column) != columns.end()) {
      result.problems.push_back(LinePrefix(header.line) + "the column \"" + ValidUtf8(Trimmed(name)) +
                                "\" is named twice");
      return result;
    }
    hasDatabase = hasDatabase || *column == Column::Database;
    hasDestination = hasDestination || *column == Column::Destination;
    columns.push_back(*column);
  }
  if (!hasDatabase || !hasDestination) {
    result.problems.push_back(LinePrefix(header.line) +
                              "the first line must name the columns database and destination");
    return result;
  }
  std::map<std::string, std::size_t> seen;  // database path -> line
  for (std::size_t index = 1; index < read.records.size(); ++index) {
    const CsvRecord& record = read.records[index];
    const std::string at = LinePrefix(record.line);
    if (record.fields.size() != columns.size()) {
      result.problems.push_back(at + std::to_string(record.fields.size()) +
                                " fields where the first line names " + std::to_string(columns.size()));
      continue;
    }
    Mailbox mailbox;
    mailbox.line = record.line;
    bool valid = true;
    for (std::size_t field = 0; field < columns.size(); ++field) {
      const std::string value = Trimmed(record.fields[field]);
      if (!IsValidUtf8(value)) {
        result.problems.push_back(at + "a field that is not UTF-8 text");
        valid = false;
        break;
      }
      switch (columns[field]) {
        case Column::Database:
          mailbox.database = value;
          break;
        case Column::Destination:
          mailbox.destination = value;
          break;
        case Column::Names:
          mailbox.names = value;
          break;
        case Column::Owner:
          mailbox.owner = value;
          break;
        case Column::Exclude:
          mailbox.exclude = Folders(value);
          break;
      }
    }
    if (!valid) continue;
    if (mailbox.database.empty()) {
      result.problems.push_back(at + "no database");
      continue;
    }
    if (mailbox.destination.empty()) {
      result.problems.push_back(at + "no destination");
      continue;
    }
    mailbox.database = ListPath(mailbox.database, base);
    mailbox.destination = ListPath(mailbox.destination, base);
    if (!mailbox.names.empty()) mailbox.names = ListPath(mailbox.names, base);
    const auto [earlier, added] = seen.emplace(mailbox.database, record.line);
    if (!added) {
      result.problems.push_back(at + "the database is listed already on line " +
                                std::to_string(earlier->second));
      continue;
    }
    result.mailboxes.push_back(std::move(mailbox));
  }
  if (result.mailboxes.size() > kMostMailboxes && result.problems.empty()) {
    result.problems.push_back("more than " + std::to_string(kMostMailboxes) + " mailboxes");
  }
  if (!result.problems.empty()) result.mailboxes.clear();
  return result;
}

MailboxListRead FindMailboxes(const std::string& folder, const std::string& destination) {
  MailboxListRead result;
  std::error_code error;
  const fs::path root = FilePath(folder);
  if (!fs::is_directory(root, error)) {
    result.problems.push_back(folder + " is not a folder");
    return result;
  }
  std::vector<fs::path> found;
  fs::recursive_directory_iterator walk(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    const fs::directory_entry& entry = *walk;
    std::error_code statError;
    if (entry.is_symlink(statError)) {
      if (entry.is_directory(statError)) walk.disable_recursion_pending();
      continue;
    }
    if (!entry.is_regular_file(statError)) continue;
    if (Lower(Utf8Text(entry.path().extension())) != ".nsf") continue;
    if (found.size() == kMostMailboxes) {
      result.problems.push_back("more than " + std::to_string(kMostMailboxes) + " databases in " + folder);
      return result;
    }
    found.push_back(entry.path());
  }
  if (error) result.problems.push_back(folder + ": " + error.message());
  std::sort(found.begin(), found.end());
  // One output folder per database, named after its file; a name met twice gets a number.
  std::map<std::string, int> outputNames;
  for (std::size_t index = 0; index < found.size(); ++index) {
    Mailbox mailbox;
    mailbox.line = index + 1;
    mailbox.database = Utf8Text(found[index]);
    std::string name = Utf8Text(found[index].stem());
    const int times = ++outputNames[Lower(name)];
    if (times > 1) name += " (" + std::to_string(times) + ")";
    mailbox.destination = Utf8Text(FilePath(destination) / FilePath(name));
    result.mailboxes.push_back(std::move(mailbox));
  }
  return result;
}

}  // namespace mailshift::batch
