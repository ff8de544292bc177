// What the program remembers between runs: the folder of the last database chosen, the last
// destination of an export, the names table chosen and whether bodies are written as plain text.
// They live in a small text file, one "name=folder" line
// each, which is replaced whole on every change so that an interrupted write never leaves half a
// file behind.
#pragma once

#include <filesystem>
#include <string>

namespace mailshift {

class RememberedFolders {
 public:
  // The file need not exist yet; its folder is created on the first change.
  explicit RememberedFolders(std::filesystem::path file) : file_(std::move(file)) {}

  // "" when nothing is remembered or the file cannot be read.
  std::string DatabaseFolder() const { return Read(kDatabaseFolderName); }
  std::string Destination() const { return Read(kDestinationName); }

  // False when the file could not be written; what was remembered before stays then.
  bool RememberDatabaseFolder(const std::string& folder) { return Write(kDatabaseFolderName, folder); }
  bool RememberDestination(const std::string& folder) { return Write(kDestinationName, folder); }

  // The names table's path; "" for none.
  std::string NamesTable() const { return Read(kNamesTableName); }
  bool RememberNamesTable(const std::string& file) { return Write(kNamesTableName, file); }
  bool PlainText() const { return Read(kPlainTextName) == "1"; }
  bool RememberPlainText(bool on) { return Write(kPlainTextName, on ? "1" : "0"); }

  const std::filesystem::path& file() const { return file_; }

 private:
  static constexpr const char* kDatabaseFolderName = "database-folder";
  static constexpr const char* kDestinationName = "destination";
  static constexpr const char* kNamesTableName = "names-table";
  static constexpr const char* kPlainTextName = "plain-text";

  std::string Read(const std::string& name) const;
  bool Write(const std::string& name, const std::string& folder);

  std::filesystem::path file_;
};

// The folder part of a file's path as the file dialog gives it ("" when it has none).
std::string FolderOfFile(const std::string& filePath);

// Whether the path names a Notes database file by its extension (".nsf", in any case).
bool IsNotesDatabaseFile(const std::string& filePath);

}  // namespace mailshift
