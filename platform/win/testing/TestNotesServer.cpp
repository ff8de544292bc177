// The module of the test Notes server: class factory, registration and unloading.
#include <olectl.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <string>

#include "platform/win/testing/TestNotesObjects.h"
#include "platform/win/testing/TestNotesServerNames.h"

namespace mailshift::platform::win::testing {
namespace {

HMODULE serverModule = nullptr;
std::atomic<long> serverLocks{0};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class SessionFactory : public IClassFactory {
 public:
  explicit SessionFactory(SessionKind kind) : kind_(kind) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    ++serverLocks;
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    --serverLocks;
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    wchar_t fault[32] = {};
    const DWORD length = GetEnvironmentVariableW(kTestServerFaultVariable, fault, 32);
    if (length > 0 && length < 32 && lstrcmpiW(fault, L"CreateInstance") == 0) return E_OUTOFMEMORY;
    DispatchObject* session = NewTestSession(kind_);
    const HRESULT result = session->QueryInterface(interfaceId, object);
    session->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++serverLocks;
    } else {
      --serverLocks;
    }
    return S_OK;
  }

 private:
  SessionKind kind_;
};
#pragma GCC diagnostic pop

SessionFactory dominoFactory(SessionKind::Domino);
SessionFactory notesFactory(SessionKind::Notes);

struct RegisteredClass {
  const GUID* classId;
  const wchar_t* progId;
  const wchar_t* description;
};

constexpr std::array<RegisteredClass, 2> kClasses{{
    {&kTestDominoSessionClassId, kTestDominoSessionProgId, L"Corvane test Notes session (Domino classes)"},
    {&kTestNotesSessionClassId, kTestNotesSessionProgId, L"Corvane test Notes session (Notes classes)"},
}};

std::wstring ClassIdText(const GUID& classId) {
  wchar_t text[40] = {};
  StringFromGUID2(classId, text, 40);
  return text;
}

// Windows reads classes of the current user from HKCU\Software\Classes, which needs no
// administrator rights; Wine reads only HKEY_CLASSES_ROOT. The server registers in both, and
// one of the two is enough.
struct ClassesRoot {
  HKEY root;
  const wchar_t* prefix;
};
const std::array<ClassesRoot, 2> kClassesRoots{
    {{HKEY_CURRENT_USER, L"Software\\Classes\\"}, {HKEY_CLASSES_ROOT, L""}}};

bool SetValue(const ClassesRoot& where, const std::wstring& key, const wchar_t* name,
              const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(where.root, (where.prefix + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool written = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                      bytes) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return written;
}

bool RegisterClassIn(const ClassesRoot& where, const RegisteredClass& entry, const std::wstring& path) {
  const std::wstring classId = ClassIdText(*entry.classId);
  const std::wstring classKey = L"CLSID\\" + classId;
  const std::wstring progIdKey = entry.progId;
  return SetValue(where, classKey, nullptr, entry.description) &&
         SetValue(where, classKey + L"\\InprocServer32", nullptr, path) &&
         SetValue(where, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
         SetValue(where, classKey + L"\\ProgID", nullptr, entry.progId) &&
         SetValue(where, progIdKey, nullptr, entry.description) &&
         SetValue(where, progIdKey + L"\\CLSID", nullptr, classId);
}

}  // namespace
}  // namespace mailshift::platform::win::testing

using namespace mailshift::platform::win::testing;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    serverModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualCLSID(classId, kTestDominoSessionClassId))
    return dominoFactory.QueryInterface(interfaceId, object);
  if (IsEqualCLSID(classId, kTestNotesSessionClassId))
    return notesFactory.QueryInterface(interfaceId, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return DispatchObject::liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(serverModule, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  for (const auto& entry : kClasses) {
    bool registered = false;
    for (const auto& where : kClassesRoots) registered = RegisterClassIn(where, entry, path) || registered;
    if (!registered) return SELFREG_E_CLASS;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (const auto& entry : kClasses) {
    for (const auto& where : kClassesRoots) {
      RegDeleteTreeW(where.root, (where.prefix + (L"CLSID\\" + ClassIdText(*entry.classId))).c_str());
      RegDeleteTreeW(where.root, (where.prefix + std::wstring(entry.progId)).c_str());
    }
  }
  return S_OK;
}
