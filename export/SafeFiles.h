// File operations of the export that must not be turned against the user: no existing file is
// replaced and no link found below the destination is followed. Paths are UTF-8 text on every
// system; on Windows they reach the file system through its wide-character API, never the ANSI
// code page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::mail {

// The file-system path of a UTF-8 path text, and back.
inline std::filesystem::path FilePath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Whether name is a single name within a folder: not empty, neither "." nor "..", and without a
// path separator (or on Windows a drive colon). Every OpenedFolder operation refuses any other
// with EINVAL, so no name can reach outside the folder it is given to.
inline bool IsOneName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
#ifdef _WIN32
  return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
#else
  return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
#endif
}

// Removes the file or link at path, never a folder. 0 when done, ENOENT when nothing is there,
// EISDIR for a folder, otherwise the error number.
int RemoveFile(const std::string& path);

// Makes the folder at path when it is missing (its parent must exist). A link, or anything but a
// folder, in its place is refused and left as it is. "" when the folder is there afterwards;
// otherwise why not.
std::string MakeFolderNoFollow(const std::string& path);

// "" when a new file can be made in the existing folder at path (one is made and removed again);
// otherwise why not.
std::string WritableFolderProblem(const std::string& path);

// A folder that files are made in one after another, held open: each name is found from the
// folder itself instead of walking to it from the root again, and a folder replaced by a link
// after it was opened is never followed. On Windows the folder's path serves as the handle.
class UnnamedFileStock;

class OpenedFolder {
 public:
  OpenedFolder() = default;
  ~OpenedFolder();
  OpenedFolder(const OpenedFolder&) = delete;
  OpenedFolder& operator=(const OpenedFolder&) = delete;

  // Opens the folder at path, which ends in the path separator and must be a folder, not a link;
  // whatever was open before is closed. 0 when done, otherwise the error number.
  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return !path_.empty(); }
  // The folder's path, ending in the path separator; empty when none is open.
  const std::string& path() const { return path_; }

  // A new file of that name, opened for writing in binary mode; never an existing file or link.
  // Null when none was made; error then holds the error number (EEXIST when the name is taken).
  std::FILE* CreateNewFile(const std::string& name, int& error) const;
  // Gives the file `from` the name `to` in one step, unless something already has that name. 0
  // when done, otherwise the error number (EEXIST when the name is taken).
  int RenameNoReplace(const std::string& from, const std::string& to) const;
  // Removes the file of that name; 0 when done, otherwise the error number.
  int Remove(const std::string& name) const;
  // Gives the file `from` the name `to` in one step, replacing a file that has that name, so that
  // one of the two is always there. 0 when done, otherwise the error number.
  int RenameReplacing(const std::string& from, const std::string& to) const;
  // The size of the plain file of that name; kNoFile when nothing has the name, kNotAPlainFile
  // for a link, a folder or anything else that is no plain file.
  static constexpr std::int64_t kNoFile = -1;
  static constexpr std::int64_t kNotAPlainFile = -2;
  std::int64_t PlainFileSize(const std::string& name) const;
  // The plain file of that name opened for reading in binary mode, without waiting on a pipe or a
  // device and never through a link. Null when it is none or cannot be opened; error then holds
  // the error number (EINVAL for a name that is no plain file).
  std::FILE* OpenPlainFileForReading(const std::string& name, int& error) const;
  // The names in the folder, without "." and "..". error holds the error number when the folder
  // could not be read.
  std::vector<std::string> Names(int& error) const;

  // A new file in the folder without a name: no other program sees it until NameUnnamedFile
  // gives it one, and it is gone when closed before that, however the process ends. Null when
  // none was made; error then holds the error number, one that IsNoUnnamedFiles knows when the
  // file system (or the system) has no such files.
  std::FILE* CreateUnnamedFile(int& error) const;
  static bool IsNoUnnamedFiles(int error);
  // Gives the open unnamed file the name, never one that is taken. 0 when done, otherwise the
  // error number (EEXIST when the name is taken).
  int NameUnnamedFile(std::FILE* file, const std::string& name) const;

 private:
  bool FitsInPath(const std::string& name) const;

  friend class HeldRoot;
  friend class LockedFile;

  std::string path_;
  int descriptor_ = -1;  // the open folder; unused on Windows
  // Unnamed files made ahead, once the folder has had a few: most folders get many messages.
  struct StockEnder {
    void operator()(UnnamedFileStock* stock) const;
  };
  mutable std::unique_ptr<UnnamedFileStock, StockEnder> unnamedStock_;
  mutable int unnamedMade_ = 0;
  static constexpr int kUnnamedBeforeStock = 16;
};

// The output root of a run, held open for as long as the run lasts: while it is held, every
// folder below it (OpenedFolder::Open, MakeFolderNoFollow) is reached from the root held open one
// name at a time, refusing a link (on Windows, a reparse point) at each step, so a folder swapped
// for a link during the run is never followed. One root is held per process at a time.
class HeldRoot {
 public:
  HeldRoot() = default;
  ~HeldRoot();
  HeldRoot(const HeldRoot&) = delete;
  HeldRoot& operator=(const HeldRoot&) = delete;

  // Holds the folder at path (ending in the path separator), which must not be a link. 0 when
  // done, otherwise the error number.
  int Hold(const std::string& path);
  const OpenedFolder& folder() const { return folder_; }

 private:
  OpenedFolder folder_;
#ifdef _WIN32
  void* handle_ = nullptr;  // held without sharing deletion, so the root cannot be moved away
#endif
};

// A plain file of one name in an open folder, opened for reading and appending and locked against
// every other process that opens it this way: a second run into the same place is told that the
// file is busy instead of writing beside the first.
class LockedFile {
 public:
  LockedFile() = default;
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  enum class Outcome { Opened, Created, Busy, Refused, Failed };
  // Opens the file of that name in the folder, or makes it when nothing has the name. Refused
  // (and left as it is) when it is a link, anything but a plain file, or a file with a second name
  // elsewhere; problem then says why, as for Busy and Failed.
  Outcome Open(const OpenedFolder& folder, const std::string& name, std::string& problem);
  bool IsOpen() const;
  // The whole content. "" when read; otherwise why not.
  std::string Read(std::string& content) const {
    content.clear();
    return ReadPieces([&content](std::string_view piece) {
      content.append(piece);
      return true;
    });
  }
  // The content from its start, handed to piece a part at a time for as long as it returns true,
  // so that a large file need not be held whole. "" when read; otherwise why not.
  std::string ReadPieces(const std::function<bool(std::string_view)>& piece) const;
  // Cuts the file to size bytes. "" when done; otherwise why not.
  std::string Resize(std::uint64_t size) const;
  // Adds the bytes at the end, reaching the file at once. "" when every byte was written;
  // otherwise why not.
  std::string Append(std::string_view bytes) const;
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int descriptor_ = -1;
#endif
};

// Gives the open file the modification time secondsSinceEpoch. Called once everything is written
// and flushed, before the file is closed. 0 when done, otherwise the error number.
int SetModificationTime(std::FILE* file, std::int64_t secondsSinceEpoch);

// Makes a new folder in parent (which ends in the path separator) whose name is prefix followed
// by an unpredictable ending, readable by its owner only. "" and made set to its path when done;
// otherwise why not.
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix, std::string& made);

// Makes the folder at path (its parent must exist), for its owner only. "" when done; otherwise
// why not.
std::string MakeOwnFolder(const std::string& path);

// What tells the file at path from any other file on the system while both exist (its device and
// file number); "" when it cannot be told. A file replaced under the same name has another.
std::string FileIdentity(const std::string& path);

// True when path is a folder (not a link) that belongs to the user running this program.
bool IsOwnFolder(const std::string& path);

// True when two names of one level of a path name the same file or folder: the same bytes, or on
// Windows the same letters in any case.
bool SameName(const std::string& first, const std::string& second);

// Lets a write that would grow a file past the user's file size limit (ulimit -f) fail with an
// error the run reports, instead of the signal that ends the process without a word. Nothing to do
// where there is no such signal.
void FailWritesPastTheFileSizeLimit();

// The number of this process, for names only this run uses.
unsigned long CurrentProcessNumber();

// Whether a process of that number is running (true when that cannot be told).
bool IsProcessRunning(unsigned long processNumber);

}  // namespace mailshift::mail
