#include "common/RememberedFolders.h"

#include <map>
#include <sstream>
#include <system_error>

#include "common/PlainFile.h"

namespace mailshift {
namespace {

// Two folder names and a little room for more: a file beyond this is no file of ours.
constexpr std::size_t kLongestFile = 256 * 1024;

std::map<std::string, std::string> ReadEntries(const std::filesystem::path& file) {
  std::map<std::string, std::string> entries;
  std::istringstream in(ReadPlainFile(file, kLongestFile).value_or(std::string()));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    entries[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return entries;
}

}  // namespace

std::string RememberedFolders::Read(const std::string& name) const {
  const auto entries = ReadEntries(file_);
  const auto found = entries.find(name);
  return found == entries.end() ? std::string() : found->second;
}

bool RememberedFolders::Write(const std::string& name, const std::string& folder) {
  // A line break in a folder name would end its line early; such a folder is not remembered.
  if (folder.find_first_of("\r\n") != std::string::npos) return false;
  auto entries = ReadEntries(file_);
  entries[name] = folder;

  std::error_code error;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), error);
  if (error) return false;
  std::string content;
  for (const auto& [key, value] : entries) content += key + '=' + value + '\n';
  return ReplaceFileWhole(file_, content);
}

std::string FolderOfFile(const std::string& filePath) {
  const auto separator = filePath.find_last_of("/\\");
  if (separator == std::string::npos) return {};
  if (separator == 0) return filePath.substr(0, 1);
  // A drive root keeps its separator: "C:\".
  if (separator == 2 && filePath[1] == ':') return filePath.substr(0, 3);
  return filePath.substr(0, separator);
}

bool IsNotesDatabaseFile(const std::string& filePath) {
  if (filePath.size() < 5) return false;
  const std::string_view name(filePath);
  const auto separator = name.find_last_of("/\\");
  const std::string_view last = separator == std::string_view::npos ? name : name.substr(separator + 1);
  if (last.size() < 5) return false;  // more than the extension alone
  std::string extension(last.substr(last.size() - 4));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == ".nsf";
}

}  // namespace mailshift
