// Calls on a COM automation object bound late, by member name (GetIDsOfNames, then Invoke), the
// way the Notes client's classes are meant to be called. A failed call becomes a NotesError that
// carries the object's own description of the fault.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win/AutomationValues.h"
#include "platform/win/ComRef.h"

namespace mailshift::platform::win {

class AutomationObject {
 public:
  // className names the object in error messages ("NotesDocument").
  AutomationObject(ComRef<IDispatch> object, std::string className);

  // Reads a property or calls a method; the arguments in their written order.
  Variant Invoke(std::string_view member, std::vector<Variant> arguments = {});
  // Sets a property.
  void SetProperty(std::string_view member, Variant value);
  // Whether the object has a member of that name.
  bool HasMember(std::string_view member);

  IDispatch* get() const { return object_.get(); }
  const std::string& className() const { return className_; }

 private:
  // The member's dispatch id, or DISPID_UNKNOWN when the object has no such member.
  DISPID FindMember(std::string_view member);
  Variant Call(std::string_view member, WORD kind, std::vector<VARIANT>& passed, bool namedValue);

  ComRef<IDispatch> object_;
  std::string className_;
  std::vector<std::pair<std::string, DISPID>> knownMembers_;
};

// The message of a failed COM call: the description the object gave (or the system's text of the
// error code), then where it happened and the code.
std::string ComErrorMessage(HRESULT result, const std::string& description, std::string_view where);

}  // namespace mailshift::platform::win
