// Notes names as a mail client should show them: the abbreviated form of a hierarchical name, and
// the Internet address a names table gives for a person whose document carries none.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mailshift::mail {

// "CN=Hal Okafor/OU=IT/O=Corvane" -> "Hal Okafor/IT/Corvane": the component labels (CN, OU, O,
// C, ...) of a canonical name (one that begins with "CN=") dropped. Anything else comes back as
// it is.
std::string AbbreviatedNotesName(std::string_view name);

// Whether a recipient entry is an Internet address rather than a Notes name: it carries an "@"
// and neither a "/" nor a blank outside angle brackets ("Ann <ann@x.com>", "ann@x.com"), or it
// ends with an address in angle brackets.
bool IsInternetAddressEntry(std::string_view entry);

// A Notes name as the message shows it: abbreviated, without a Notes domain ("@CorvaneMail").
std::string ShownNotesName(std::string_view notesName);

class NamesTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A names table: CSV lines of a Notes name and an Internet address ("Hal Okafor/IT/Corvane,
// hal.okafor@corvane.com"). Fields may be quoted as in RFC 4180; a first line whose second field
// holds no "@" is a heading and skipped, as are empty lines. Names match in their abbreviated form,
// letter case ignored (ASCII), and without a Notes domain ("@CorvaneMail") after the name.
class NamesTable {
 public:
  NamesTable() = default;
  // Throws NamesTableError naming the line for a line that is not a name and an address.
  static NamesTable FromText(std::string_view csv);
  // Throws NamesTableError when the file cannot be read or a line is wrong.
  static NamesTable FromFile(const std::filesystem::path& file);

  // The Internet address of that Notes name, or "" when the table has none.
  std::string AddressOf(std::string_view notesName) const;
  std::size_t size() const { return addresses_.size(); }

  // The recipient entry as the message shows it: an Internet address as it is; a Notes name
  // abbreviated and, when the table knows it, as "Name <address>" with the name quoted.
  std::string ShownEntry(std::string_view entry) const;

 private:
  static std::string Key(std::string_view notesName);
  std::unordered_map<std::string, std::string> addresses_;
};

}  // namespace mailshift::mail
