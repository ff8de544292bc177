// A COM automation object whose members are called by name, the base of the test Notes server's
// classes. Member names ignore case, as in automation. A member raises a COM exception by
// throwing ComFault.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/win/AutomationValues.h"
#include "platform/win/testing/TestNotesFixture.h"

namespace mailshift::platform::win::testing {

struct ComFault {
  HRESULT code;
  std::wstring description;
  bool raised = true;
};

// {6E1B7C52-3B0E-4C39-9F0A-2D4C8E51A7FF}: answered by every object of this server with itself,
// so that an object handed back as an argument can be recognised.
inline constexpr GUID kDispatchObjectInterfaceId = {
    0x6e1b7c52, 0x3b0e, 0x4c39, {0x9f, 0x0a, 0x2d, 0x4c, 0x8e, 0x51, 0xa7, 0xff}};

// COM interfaces end their objects' lives through Release, never through a base destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DispatchObject : public IDispatch {
 public:
  // The number of objects alive in this module, for DllCanUnloadNow.
  static std::atomic<long> liveObjects;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentInError) override;

  // The server's object behind an IDispatch, or null for a foreign one.
  static DispatchObject* Recognise(IDispatch* object);

 protected:
  explicit DispatchObject(std::wstring className);
  virtual ~DispatchObject();

  // The member names; a member's dispatch id is its index plus one.
  virtual const std::vector<std::wstring>& Members() const = 0;
  // Runs a member with its arguments in their written order (dereferenced).
  virtual Variant Run(std::size_t member, const std::vector<Variant>& arguments) = 0;
  // Gives a property its new value: S_OK, or the failure (DISP_E_MEMBERNOTFOUND for a member
  // that cannot be set).
  virtual HRESULT Put(std::size_t member, const VARIANT& value) {
    static_cast<void>(member);
    static_cast<void>(value);
    return DISP_E_MEMBERNOTFOUND;
  }
  // The fixture's faults for this object's members.
  virtual const Faults* MemberFaults() const { return nullptr; }
  // True for a member of Members() that this object does not have after all.
  virtual bool Lacks(const std::wstring&) const { return false; }

 private:
  std::atomic<ULONG> references_{1};
  std::wstring className_;
};
#pragma GCC diagnostic pop

// Helpers for members.
std::wstring TextArgument(const std::vector<Variant>& arguments, std::size_t index, const wchar_t* member);
void ExpectArguments(const std::vector<Variant>& arguments, std::size_t least, std::size_t most);
Variant TextResult(const std::wstring& text);
Variant ObjectResult(DispatchObject* object);  // takes over the caller's reference; null for "nothing"
Variant ArrayResult(std::vector<Variant> elements);
Variant BoolResult(bool value);
std::wstring LowerName(std::wstring name);

}  // namespace mailshift::platform::win::testing
