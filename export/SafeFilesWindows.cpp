// The Windows form of the export's safe file operations, over the wide-character file API.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h:
#include <bcrypt.h>
#include <sddl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "common/WideText.h"
#include "export/SafeFiles.h"
#include "export/WindowsFileNames.h"

namespace mailshift::mail {
namespace {

using windows::ErrorNumber;
using windows::ErrorText;
using windows::WidePath;

// The owner-only security of a private folder: the current user alone, with full access, for
// the folder and everything made in it; nothing inherited from the folder above.
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    wchar_t* sidText = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText)) {
      const std::wstring sddl = L"O:" + std::wstring(sidText) + L"D:P(A;OICI;FA;;;" + sidText + L")";
      LocalFree(sidText);
      ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                           nullptr);
    }
    CloseHandle(token);
  }
  ~OwnerOnlySecurity() {
    if (descriptor_ != nullptr) LocalFree(descriptor_);
  }
  OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
  OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

  // Null when the security could not be built; the caller then refuses to make the folder.
  SECURITY_ATTRIBUTES* attributes() {
    if (descriptor_ == nullptr) return nullptr;
    attributes_ = {sizeof(SECURITY_ATTRIBUTES), descriptor_, FALSE};
    return &attributes_;
  }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

std::string UnpredictableEnding() {
  unsigned char bytes[8] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string ending;
  for (const unsigned char byte : bytes) {
    ending += kDigits[byte >> 4];
    ending += kDigits[byte & 0xF];
  }
  return ending;
}

// A new file at path, opened for writing in binary mode; never an existing file or link.
std::FILE* CreateNewFile(const std::string& path, int& error) {
  // CREATE_NEW: made new or not at all, so no existing file (or link) is ever written through.
  const HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorNumber(GetLastError());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) {
    error = errno != 0 ? errno : EMFILE;
    CloseHandle(handle);
    DeleteFileW(WidePath(path).c_str());
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "wb");
  if (file == nullptr) {
    error = errno != 0 ? errno : ENOMEM;
    _close(descriptor);
    DeleteFileW(WidePath(path).c_str());
    return nullptr;
  }
  error = 0;
  return file;
}

// Gives the file at `from` the path `to`, unless something already has that path.
int RenameNoReplace(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when anything has the new name.
  if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0)) return 0;
  return ErrorNumber(GetLastError());
}

// The output root held by the run (see HeldRoot), by its path.
std::mutex heldRootMutex;
std::string heldRootPath;

// 0 when no folder between the held root and the last name of path is a reparse point (or path
// is not below the held root); ELOOP when one is, otherwise the error number.
int CheckStepsBelowHeldRoot(const std::string& path) {
  std::lock_guard lock(heldRootMutex);
  if (heldRootPath.empty() || path.size() <= heldRootPath.size() || !path.starts_with(heldRootPath)) return 0;
  for (std::size_t end = path.find_first_of("\\/", heldRootPath.size()); end != std::string::npos;
       end = path.find_first_of("\\/", end + 1)) {
    if (end + 1 >= path.size()) break;  // the last name is checked by the caller
    const DWORD attributes = GetFileAttributesW(WidePath(path.substr(0, end)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorNumber(GetLastError());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ELOOP;
  }
  return 0;
}

}  // namespace

OpenedFolder::~OpenedFolder() { Close(); }

int OpenedFolder::Open(const std::string& path) {
  Close();
  if (const int error = CheckStepsBelowHeldRoot(path)) return error;
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorNumber(GetLastError());
  // Symbolic links and junctions alike are reparse points.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ELOOP;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
  path_ = path;
  return 0;
}

// No unnamed files are made ahead here: the system has none.
void OpenedFolder::StockEnder::operator()(UnnamedFileStock*) const {}

void OpenedFolder::Close() { path_.clear(); }

std::FILE* OpenedFolder::CreateNewFile(const std::string& name, int& error) const {
  if (!IsOneName(name)) {
    error = EINVAL;
    return nullptr;
  }
  return mail::CreateNewFile(path_ + name, error);
}

int OpenedFolder::RenameNoReplace(const std::string& from, const std::string& to) const {
  if (!IsOneName(from) || !IsOneName(to)) return EINVAL;
  return mail::RenameNoReplace(path_ + from, path_ + to);
}

int OpenedFolder::Remove(const std::string& name) const {
  if (!IsOneName(name)) return EINVAL;
  if (DeleteFileW(WidePath(path_ + name).c_str())) return 0;
  return ErrorNumber(GetLastError());
}

int OpenedFolder::RenameReplacing(const std::string& from, const std::string& to) const {
  if (!IsOneName(from) || !IsOneName(to)) return EINVAL;
  if (MoveFileExW(WidePath(path_ + from).c_str(), WidePath(path_ + to).c_str(), MOVEFILE_REPLACE_EXISTING))
    return 0;
  return ErrorNumber(GetLastError());
}

std::int64_t OpenedFolder::PlainFileSize(const std::string& name) const {
  if (!IsOneName(name)) return kNotAPlainFile;
  WIN32_FILE_ATTRIBUTE_DATA found{};
  if (!GetFileAttributesExW(WidePath(path_ + name).c_str(), GetFileExInfoStandard, &found)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kNoFile : kNotAPlainFile;
  }
  if ((found.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    return kNotAPlainFile;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) |
                                   found.nFileSizeLow);
}

std::FILE* OpenedFolder::OpenPlainFileForReading(const std::string& name, int& error) const {
  if (!IsOneName(name)) {
    error = EINVAL;
    return nullptr;
  }
  // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as itself and then refused, never followed.
  const HANDLE handle = CreateFileW(WidePath(path_ + name).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorNumber(GetLastError());
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    CloseHandle(handle);
    error = EINVAL;
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    error = EMFILE;
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "rb");
  if (file == nullptr) _close(descriptor);
  error = file == nullptr ? ENOMEM : 0;
  return file;
}

std::vector<std::string> OpenedFolder::Names(int& error) const {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(WidePath(path_ + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    error = code == ERROR_FILE_NOT_FOUND ? 0 : ErrorNumber(code);
    return names;
  }
  do {
    const std::string name = WideToUtf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  const DWORD code = GetLastError();
  error = code == ERROR_NO_MORE_FILES ? 0 : ErrorNumber(code);
  FindClose(search);
  return names;
}

HeldRoot::~HeldRoot() {
  {
    std::lock_guard lock(heldRootMutex);
    if (!folder_.path().empty() && heldRootPath == folder_.path()) heldRootPath.clear();
  }
  if (handle_ != nullptr) CloseHandle(handle_);
}

int HeldRoot::Hold(const std::string& path) {
  {
    std::lock_guard lock(heldRootMutex);
    heldRootPath.clear();
  }
  if (const int error = folder_.Open(path)) return error;
  // Without FILE_SHARE_DELETE nobody can rename or remove the root while the run holds it, so it
  // cannot be swapped for a link.
  std::string folder = path;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  const HANDLE handle =
      CreateFileW(WidePath(folder).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = ErrorNumber(GetLastError());
    folder_.Close();
    return error;
  }
  handle_ = handle;
  std::lock_guard lock(heldRootMutex);
  heldRootPath = path;
  return 0;
}

LockedFile::~LockedFile() { Close(); }

bool LockedFile::IsOpen() const { return handle_ != nullptr; }

void LockedFile::Close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
}

LockedFile::Outcome LockedFile::Open(const OpenedFolder& folder, const std::string& name,
                                     std::string& problem) {
  Close();
  const std::wstring path = WidePath(folder.path() + name);
  // Shared for reading only: a second run that opens it to write is refused by the system.
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
  Outcome made = Outcome::Created;
  HANDLE handle = CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE &&
      (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
    made = Outcome::Opened;
    handle = CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
      problem = "another export is using it";
      return Outcome::Busy;
    }
    problem = ErrorText(error);
    return error == ERROR_ACCESS_DENIED ? Outcome::Refused : Outcome::Failed;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information);
  if (!known || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || information.nNumberOfLinks != 1) {
    problem = !known || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                  ? "it is not a plain file"
              : (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                  ? "it is a link, which is not followed"
                  : "it has another name elsewhere, which is not written through";
    CloseHandle(handle);
    return Outcome::Refused;
  }
  handle_ = handle;
  return made;
}

std::string LockedFile::ReadPieces(const std::function<bool(std::string_view)>& piece) const {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) return ErrorText(GetLastError());
  char buffer[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(handle_, buffer, sizeof buffer, &read, nullptr)) return ErrorText(GetLastError());
    if (read == 0 || !piece(std::string_view(buffer, read))) return {};
  }
}

std::string LockedFile::Resize(std::uint64_t size) const {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
    return ErrorText(GetLastError());
  return {};
}

std::string LockedFile::Append(std::string_view bytes) const {
  LARGE_INTEGER end{};
  if (!SetFilePointerEx(handle_, end, nullptr, FILE_END)) return ErrorText(GetLastError());
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) return ErrorText(GetLastError());
    if (written == 0) return "nothing could be written";
    bytes.remove_prefix(written);
  }
  return {};
}

// Windows has no files without a name: the writer uses passing names instead.
std::FILE* OpenedFolder::CreateUnnamedFile(int& error) const {
  error = ENOTSUP;
  return nullptr;
}

bool OpenedFolder::IsNoUnnamedFiles(int error) { return error == ENOTSUP; }

int OpenedFolder::NameUnnamedFile(std::FILE*, const std::string&) const { return ENOTSUP; }

int SetModificationTime(std::FILE* file, std::int64_t secondsSinceEpoch) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  // FILETIME counts 100 ns steps since 1601-01-01.
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  if (secondsSinceEpoch < -kSecondsFrom1601To1970) return EINVAL;
  const auto ticks = static_cast<std::uint64_t>(secondsSinceEpoch + kSecondsFrom1601To1970) * 10000000u;
  FILETIME written{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  if (SetFileTime(handle, nullptr, nullptr, &written)) return 0;
  return ErrorNumber(GetLastError());
}

int RemoveFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorNumber(GetLastError());
  // A link to a folder is removed as the link it is; a folder itself never.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return EISDIR;
    return RemoveDirectoryW(wide.c_str()) ? 0 : ErrorNumber(GetLastError());
  }
  return DeleteFileW(wide.c_str()) ? 0 : ErrorNumber(GetLastError());
}

std::string MakeFolderNoFollow(const std::string& path) {
  if (CheckStepsBelowHeldRoot(path) == ELOOP) return "a folder on its way is a link, which is not followed";
  const std::wstring wide = WidePath(path);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return ErrorText(error);
    if (CreateDirectoryW(wide.c_str(), nullptr)) return {};
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return ErrorText(error);
    attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorText(GetLastError());
  }
  // Symbolic links and junctions alike are reparse points.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "it is a link, which is not followed";
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return "something that is not a folder has its name";
  return {};
}

std::string WritableFolderProblem(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorText(GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return "it is not a folder";
  std::string probe = path;
  if (probe.back() != '\\' && probe.back() != '/') probe += '\\';
  probe += ".mailshift-probe-" + std::to_string(GetCurrentProcessId());
  const HANDLE file = CreateFileW(WidePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ErrorText(GetLastError());
  CloseHandle(file);
  return {};
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix, std::string& made) {
  OwnerOnlySecurity security;
  if (security.attributes() == nullptr) {
    return "cannot create the folder " + parent + prefix + ": the owner-only access cannot be set (" +
           ErrorText(GetLastError()) + ")";
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string ending = UnpredictableEnding();
    if (ending.empty()) return "cannot create the folder " + parent + prefix + ": no random name";
    const std::string path = parent + prefix + ending;
    if (CreateDirectoryW(WidePath(path).c_str(), security.attributes())) {
      made = path;
      return {};
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return "cannot create the folder " + path + ": " + ErrorText(error);
  }
  return "cannot create the folder " + parent + prefix + ": every name tried was taken";
}

std::string MakeOwnFolder(const std::string& path) {
  // Made inside the private folder, whose owner-only access it inherits.
  if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) return {};
  return "cannot create the folder " + path + ": " + ErrorText(GetLastError());
}

std::string FileIdentity(const std::string& path) {
  const HANDLE handle =
      CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information);
  CloseHandle(handle);
  if (!known) return {};
  return std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(information.nFileIndexHigh) +
         ":" + std::to_string(information.nFileIndexLow);
}

// The temporary folder is the user's own; a folder in it that is no reparse point is taken as
// the user's.
bool IsOwnFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool SameName(const std::string& first, const std::string& second) {
  if (first == second) return true;
  const std::wstring a = WidePath(first);
  const std::wstring b = WidePath(second);
  // The file system's own rule: ordinal, case folded letter by letter.
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

void FailWritesPastTheFileSizeLimit() {}

unsigned long CurrentProcessNumber() { return GetCurrentProcessId(); }

bool IsProcessRunning(unsigned long processNumber) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processNumber);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace mailshift::mail
