#include "platform/win/AutomationObject.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "platform/win/WideText.h"

namespace mailshift::platform::win {
namespace {

using notes::NotesError;

std::string SystemErrorText(HRESULT result) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.')) {
    text.pop_back();
  }
  return WideToUtf8(text);
}

// Frees the strings an EXCEPINFO holds.
class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
  EXCEPINFO info{};
};

}  // namespace

std::string ComErrorMessage(HRESULT result, const std::string& description, std::string_view where) {
  std::string message = description;
  if (message.empty()) message = SystemErrorText(result);
  if (message.empty()) message = "failed";
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  return message + " (" + std::string(where) + ", " + code + ")";
}

AutomationObject::AutomationObject(ComRef<IDispatch> object, std::string className)
    : object_(std::move(object)), className_(std::move(className)) {
  if (!object_) throw NotesError(className_ + ": no object");
}

DISPID AutomationObject::FindMember(std::string_view member) {
  const auto known = std::find_if(knownMembers_.begin(), knownMembers_.end(),
                                  [member](const auto& entry) { return entry.first == member; });
  if (known != knownMembers_.end()) return known->second;

  std::wstring name = Utf8ToWide(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT result = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (result == DISP_E_UNKNOWNNAME || result == DISP_E_MEMBERNOTFOUND) return DISPID_UNKNOWN;
  if (FAILED(result)) throw NotesError(ComErrorMessage(result, {}, className_ + "." + std::string(member)));
  knownMembers_.emplace_back(std::string(member), id);
  return id;
}

bool AutomationObject::HasMember(std::string_view member) { return FindMember(member) != DISPID_UNKNOWN; }

Variant AutomationObject::Invoke(std::string_view member, std::vector<Variant> arguments) {
  // Automation takes the arguments last one first.
  std::vector<VARIANT> passed;
  passed.reserve(arguments.size());
  for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
    passed.push_back(**argument);
  return Call(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, passed, false);
}

void AutomationObject::SetProperty(std::string_view member, Variant value) {
  std::vector<VARIANT> passed{*value};
  Call(member, DISPATCH_PROPERTYPUT, passed, true);
}

Variant AutomationObject::Call(std::string_view member, WORD kind, std::vector<VARIANT>& passed,
                               bool namedValue) {
  const std::string where = className_ + "." + std::string(member);
  const DISPID id = FindMember(member);
  if (id == DISPID_UNKNOWN) throw NotesError(ComErrorMessage(DISP_E_UNKNOWNNAME, "no such member", where));

  // A property's new value is passed as the named argument DISPID_PROPERTYPUT.
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{passed.data(), namedValue ? &putId : nullptr, static_cast<UINT>(passed.size()),
                        namedValue ? 1u : 0u};

  Variant result;
  ExceptionInfo exception;
  UINT argumentInError = 0;
  const HRESULT outcome =
      object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                      namedValue ? nullptr : result.Receive(), &exception.info, &argumentInError);
  if (outcome == DISP_E_EXCEPTION) {
    if (exception.info.pfnDeferredFillIn != nullptr) exception.info.pfnDeferredFillIn(&exception.info);
    const HRESULT code =
        exception.info.scode != 0 ? exception.info.scode : static_cast<HRESULT>(exception.info.wCode);
    throw NotesError(
        ComErrorMessage(code != 0 ? code : outcome, BstrToUtf8(exception.info.bstrDescription), where));
  }
  if (FAILED(outcome)) throw NotesError(ComErrorMessage(outcome, {}, where));
  return result;
}

}  // namespace mailshift::platform::win
