#include "export/NamesTable.h"

#include <fstream>
#include <sstream>
#include <vector>

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
  std::vector<std::string> fields;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") start = 3;  // a byte order mark from a spreadsheet
  while (start < csv.size()) {
    std::size_t end = csv.find('\n', start);
    if (end == std::string_view::npos) end = csv.size();
    const std::string_view line = csv.substr(start, end - start);
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
    if (name.empty() || address.find_first_of(" <>,;\"") != std::string::npos)
      throw NamesTableError(where + ": not a Notes name and an Internet address");
    table.addresses_[Key(name)] = address;
  }
  return table;
}

NamesTable NamesTable::FromFile(const std::filesystem::path& file) {
  std::ifstream input(file, std::ios::binary);
  if (!input) throw NamesTableError("the names table cannot be opened");
  std::ostringstream text;
  text << input.rdbuf();
  if (input.bad()) throw NamesTableError("the names table cannot be read");
  return FromText(text.str());
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
