#include "export/NamesTable.h"

#include <unordered_map>
#include <vector>

#include "common/PlainFile.h"
#include "common/TextRules.h"

namespace mailshift::mail {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The label of a canonical component ("CN=", "OU=", "O=", "C=" and the rest of X.500's short
// labels): letters only, before the first "=".
std::size_t LabelLength(std::string_view component) {
  const std::size_t equals = component.find('=');
  if (equals == 0 || equals == std::string_view::npos || equals > 3) return 0;
  for (std::size_t i = 0; i < equals; ++i) {
    const char c = component[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return 0;
  }
  return equals + 1;
}

// The fields of one CSV line; false when a quoted field is not closed.
bool CsvFields(std::string_view line, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return !quoted;
}

std::string Stripped(std::string_view text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  return std::string(text.substr(start, end - start));
}

// A control character (CR inside a line, NUL, a tab) in a name or an address would reach a
// message header.
bool HoldsControlCharacter(std::string_view text) {
  for (const char c : text) {
    if ((c >= 0 && c < 0x20) || c == 0x7F) return true;
  }
  return false;
}

// Far more than any names table of a mail domain.
constexpr std::size_t kLargestTable = 64 * 1024 * 1024;

}  // namespace

std::string AbbreviatedNotesName(std::string_view name) {
  // A canonical name begins with its common name.
  const bool canonical =
      name.size() > 3 && AsciiLower(name[0]) == 'c' && AsciiLower(name[1]) == 'n' && name[2] == '=';
  if (!canonical) return std::string(name);
  std::string abbreviated;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = name.find('/', start);
    const std::string_view component =
        name.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (!abbreviated.empty()) abbreviated += '/';
    abbreviated += component.substr(LabelLength(component));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return abbreviated;
}

bool IsInternetAddressEntry(std::string_view entry) {
  const std::string text = Stripped(entry);
  if (!text.empty() && text.back() == '>' && text.find('<') != std::string::npos) {
    return text.find('@', text.rfind('<')) != std::string::npos;
  }
  return text.find('@') != std::string::npos && text.find('/') == std::string::npos &&
         text.find(' ') == std::string::npos;
}

// The abbreviated name without a Notes domain: "Hal Okafor/IT/Corvane@CorvaneMail" routes mail to
// the same person as "Hal Okafor/IT/Corvane".
std::string ShownNotesName(std::string_view notesName) {
  std::string name = AbbreviatedNotesName(Stripped(notesName));
  if (const std::size_t at = name.rfind('@'); at != std::string::npos &&
                                              name.find('/') != std::string::npos &&
                                              name.find('/', at) == std::string::npos) {
    name.erase(at);
  }
  return name;
}

std::string NamesTable::Key(std::string_view notesName) {
  std::string key = ShownNotesName(notesName);
  for (char& c : key) c = AsciiLower(c);
  return key;
}

NamesTable NamesTable::FromText(std::string_view csv) {
  NamesTable table;
  std::unordered_map<std::string, std::size_t> lineOfName;
  std::vector<std::string> fields;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") start = 3;  // a byte order mark from a spreadsheet
  while (start < csv.size()) {
    std::size_t end = csv.find('\n', start);
    if (end == std::string_view::npos) end = csv.size();
    std::string_view line = csv.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);  // the line end of CR LF
    start = end + 1;
    ++lineNumber;
    if (Stripped(line).empty()) continue;
    const std::string where = "line " + std::to_string(lineNumber);
    if (!CsvFields(line, fields)) throw NamesTableError(where + ": a quoted field is not closed");
    if (fields.size() != 2) throw NamesTableError(where + ": not a Notes name and an Internet address");
    const std::string name = Stripped(fields[0]);
    const std::string address = Stripped(fields[1]);
    if (address.find('@') == std::string::npos) {
      if (table.addresses_.empty() && lineNumber == 1) continue;  // the heading
      throw NamesTableError(where + ": \"" + address + "\" is no Internet address");
    }
    if (HoldsControlCharacter(name) || HoldsControlCharacter(address))
      throw NamesTableError(where +
                            ": a name or an address holds a control character (a tab, a line break, NUL)");
    if (name.empty() || address.find_first_of(" <>,;\"") != std::string::npos)
      throw NamesTableError(where + ": not a Notes name and an Internet address");
    const auto [earlier, added] = lineOfName.try_emplace(Key(name), lineNumber);
    if (!added) {
      throw NamesTableError(where + ": the name \"" + name + "\" is given on line " +
                            std::to_string(earlier->second) + " already");
    }
    table.addresses_[Key(name)] = address;
  }
  return table;
}

NamesTable NamesTable::FromFile(const std::filesystem::path& file) {
  // Only a plain file, opened without waiting: a pipe would hold the run up for good, a device
  // such as /dev/zero be read until memory runs out, and a folder read as an empty table.
  const std::optional<std::string> text = ReadPlainFile(file, kLargestTable + 1);
  if (!text) throw NamesTableError("the names table is no plain file that can be read");
  if (text->size() > kLargestTable)
    throw NamesTableError("the names table is larger than " + std::to_string(kLargestTable / (1024 * 1024)) +
                          " MB");
  return FromText(*text);
}

std::string NamesTable::AddressOf(std::string_view notesName) const {
  const auto found = addresses_.find(Key(notesName));
  return found == addresses_.end() ? std::string() : found->second;
}

std::string NamesTable::ShownEntry(std::string_view entry) const {
  if (IsInternetAddressEntry(entry)) return std::string(entry);
  std::string name = ShownNotesName(entry);
  const std::string address = AddressOf(name);
  if (address.empty()) return name;
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\" <" + address + ">";
}

}  // namespace mailshift::mail
