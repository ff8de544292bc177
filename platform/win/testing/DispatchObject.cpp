#include "platform/win/testing/DispatchObject.h"

#include <cwctype>
#include <exception>
#include <utility>

#include "platform/win/WideText.h"

namespace mailshift::platform::win::testing {
namespace {

bool SameMemberName(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// A failure that belongs to the call itself (argument count or type), not to the member.
struct CallFault {
  HRESULT code;
  UINT argument;
};

}  // namespace

std::atomic<long> DispatchObject::liveObjects{0};

DispatchObject::DispatchObject(std::wstring className) : className_(std::move(className)) { ++liveObjects; }

DispatchObject::~DispatchObject() { --liveObjects; }

HRESULT DispatchObject::QueryInterface(REFIID interfaceId, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDispatch) ||
      IsEqualIID(interfaceId, kDispatchObjectInterfaceId)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() { return ++references_; }

ULONG DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_POINTER;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const auto& members = Members();
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (SameMemberName(members[i], names[0]) && !Lacks(members[i])) ids[0] = static_cast<DISPID>(i + 1);
  }
  // Named arguments are not supported; only the member name is resolved.
  for (UINT i = 0; i < count; ++i) {
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentInError) {
  const auto& members = Members();
  if (id < 1 || static_cast<std::size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
  if (parameters == nullptr) return E_POINTER;
  const std::size_t member = static_cast<std::size_t>(id) - 1;
  const std::wstring& name = members[member];
  if ((flags & DISPATCH_PROPERTYPUT) != 0) {
    // The new value comes as the one named argument DISPID_PROPERTYPUT.
    if (parameters->cArgs != 1 || parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs == nullptr ||
        parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTFOUND;
    }
    Variant value;
    if (FAILED(VariantCopyInd(value.get(), &parameters->rgvarg[0]))) return DISP_E_TYPEMISMATCH;
    return Put(member, *value);
  }
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
  if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;

  try {
    std::vector<Variant> arguments;
    for (UINT i = parameters->cArgs; i > 0; --i) {
      Variant argument;
      if (FAILED(VariantCopyInd(argument.get(), &parameters->rgvarg[i - 1])))
        throw CallFault{DISP_E_TYPEMISMATCH, i - 1};
      arguments.push_back(std::move(argument));
    }
    std::wstring firstText;
    const bool hasText = !arguments.empty() && (*arguments[0]).vt == VT_BSTR;
    if (hasText) firstText = (*arguments[0]).bstrVal == nullptr ? L"" : (*arguments[0]).bstrVal;
    if (const Faults* faults = MemberFaults()) {
      if (const Fault* fault = FindFault(*faults, name, hasText ? &firstText : nullptr)) {
        throw ComFault{fault->code, fault->description, fault->raised};
      }
    }
    Variant value = Run(member, arguments);
    if (result != nullptr) {
      VariantInit(result);
      *result = *value;
      VariantInit(value.get());
    }
    return S_OK;
  } catch (const CallFault& fault) {
    if (argumentInError != nullptr) *argumentInError = fault.argument;
    return fault.code;
  } catch (const ComFault& fault) {
    if (!fault.raised || exception == nullptr) return fault.code;
    *exception = EXCEPINFO{};
    exception->scode = fault.code;
    exception->bstrSource = SysAllocString(className_.c_str());
    exception->bstrDescription = SysAllocString(fault.description.c_str());
    return DISP_E_EXCEPTION;
  } catch (const std::exception& error) {
    if (exception == nullptr) return E_FAIL;
    *exception = EXCEPINFO{};
    exception->scode = E_FAIL;
    exception->bstrSource = SysAllocString(className_.c_str());
    exception->bstrDescription = SysAllocString(Utf8ToWide(error.what()).c_str());
    return DISP_E_EXCEPTION;
  }
}

DispatchObject* DispatchObject::Recognise(IDispatch* object) {
  if (object == nullptr) return nullptr;
  void* own = nullptr;
  if (FAILED(object->QueryInterface(kDispatchObjectInterfaceId, &own)) || own == nullptr) return nullptr;
  auto* recognised = static_cast<DispatchObject*>(static_cast<IDispatch*>(own));
  recognised->Release();  // the caller still holds its own reference
  return recognised;
}

void ExpectArguments(const std::vector<Variant>& arguments, std::size_t least, std::size_t most) {
  if (arguments.size() < least || arguments.size() > most) throw CallFault{DISP_E_BADPARAMCOUNT, 0};
}

std::wstring TextArgument(const std::vector<Variant>& arguments, std::size_t index, const wchar_t*) {
  if (index >= arguments.size()) throw CallFault{DISP_E_BADPARAMCOUNT, 0};
  const VARIANT& value = *arguments[index];
  if (value.vt != VT_BSTR)
    throw CallFault{DISP_E_TYPEMISMATCH, static_cast<UINT>(arguments.size() - 1 - index)};
  return value.bstrVal == nullptr ? std::wstring() : std::wstring(value.bstrVal, SysStringLen(value.bstrVal));
}

Variant TextResult(const std::wstring& text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return Variant::Adopt(value);
}

Variant ObjectResult(DispatchObject* object) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_DISPATCH;
  value.pdispVal = object;
  return Variant::Adopt(value);
}

Variant ArrayResult(std::vector<Variant> elements) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
  if (array == nullptr) throw std::bad_alloc();
  VARIANT* data = nullptr;
  SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
  for (std::size_t i = 0; i < elements.size(); ++i) {
    data[i] = *elements[i];
    VariantInit(elements[i].get());
  }
  SafeArrayUnaccessData(array);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = array;
  return Variant::Adopt(value);
}

Variant BoolResult(bool truth) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BOOL;
  value.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
  return Variant::Adopt(value);
}

std::wstring LowerName(std::wstring name) {
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

}  // namespace mailshift::platform::win::testing
