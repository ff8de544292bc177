#include "platform/win/tests/TestServerSupport.h"

#include <atomic>
#include <filesystem>
#include <fstream>

#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesServerNames.h"

namespace mailshift::platform::win::testing {
namespace {

HMODULE serverModule = nullptr;
std::atomic<int> fileCounter{0};

std::wstring UniqueTemporaryName(const wchar_t* stem) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + stem + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++fileCounter);
}

HRESULT CallExport(const char* name) {
  if (serverModule == nullptr) return E_UNEXPECTED;
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(serverModule, name)));
  return entry != nullptr ? entry() : E_NOINTERFACE;
}

}  // namespace

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length)).parent_path().wstring();
}

bool RegisterTestServer() {
  const std::wstring path = ExecutableFolder() + L"\\" + kTestServerFileName;
  serverModule = LoadLibraryW(path.c_str());
  return SUCCEEDED(CallExport("DllRegisterServer"));
}

void UnregisterTestServer() {
  CallExport("DllUnregisterServer");
  if (serverModule != nullptr) FreeLibrary(serverModule);
  serverModule = nullptr;
}

bool IsRegistered(const wchar_t* progId) {
  CLSID classId{};
  return SUCCEEDED(CLSIDFromProgID(progId, &classId));
}

// Windows reads per-user classes from HKCU\Software\Classes, Wine only HKEY_CLASSES_ROOT.
const std::pair<HKEY, const wchar_t*> kClassesRoots[] = {{HKEY_CURRENT_USER, L"Software\\Classes\\"},
                                                         {HKEY_CLASSES_ROOT, L""}};

ProgIdAlias::ProgIdAlias(const wchar_t* progId, const GUID& classId) : progId_(progId) {
  if (IsRegistered(progId)) return;
  wchar_t classText[40] = {};
  StringFromGUID2(classId, classText, 40);
  for (const auto& [root, prefix] : kClassesRoots) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(root, (prefix + progId_ + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
      continue;
    }
    active_ =
        RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(classText),
                       static_cast<DWORD>((lstrlenW(classText) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS ||
        active_;
    RegCloseKey(handle);
  }
}

ProgIdAlias::~ProgIdAlias() {
  if (!active_) return;
  for (const auto& [root, prefix] : kClassesRoots) RegDeleteTreeW(root, (prefix + progId_).c_str());
}

FixtureFile::FixtureFile(const std::string& json) {
  const std::wstring path = UniqueTemporaryName(L"mailshift-fixture-") + L".json";
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out << json;
  path_ = WideToUtf8(path);
}

FixtureFile::~FixtureFile() {
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(Utf8ToWide(path_)), ignored);
}

TemporaryFolder::TemporaryFolder() : path_(UniqueTemporaryName(L"mailshift-files-")) {
  std::filesystem::create_directories(std::filesystem::path(path_));
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

ServerFaultSwitch::ServerFaultSwitch(const wchar_t* fault) {
  SetEnvironmentVariableW(kTestServerFaultVariable, fault);
}

ServerFaultSwitch::~ServerFaultSwitch() { SetEnvironmentVariableW(kTestServerFaultVariable, nullptr); }

}  // namespace mailshift::platform::win::testing
