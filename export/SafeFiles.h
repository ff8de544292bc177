// File operations of the export that must not be turned against the user: no existing file is
// replaced and no link found below the destination is followed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace mailshift::mail {

// The file-system path of a UTF-8 path text, and back.
inline std::filesystem::path FilePath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Gives the file at `from` the path `to` in one step, unless something already has that path.
// 0 when done, otherwise the error number (EEXIST when the name is taken).
int RenameNoReplace(const std::string& from, const std::string& to);

// Makes the folder at path when it is missing (its parent must exist). A link, or anything but a
// folder, in its place is refused and left as it is. "" when the folder is there afterwards;
// otherwise why not.
std::string MakeFolderNoFollow(const std::string& path);

// "" when a new file can be made in the existing folder at path (one is made and removed again);
// otherwise why not.
std::string WritableFolderProblem(const std::string& path);

}  // namespace mailshift::mail
