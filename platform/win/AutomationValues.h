// Values of COM automation as the Notes client's classes pass them: text as BSTR, numbers as
// doubles (or smaller integers), date-times as DATE in the machine's local time, arrays as
// SAFEARRAYs, objects as IDispatch, and "nothing" as an empty, null or null-object value.
// Every conversion names what it read when it fails, with a NotesError.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/DateTime.h"
#include "notes/NotesObjects.h"
#include "platform/win/ComRef.h"

namespace mailshift::platform::win {

// An owned VARIANT.
class Variant {
 public:
  Variant() noexcept { VariantInit(&value_); }
  static Variant Text(std::string_view utf8);
  static Variant Object(IDispatch* object);  // adds a reference of its own
  static Variant Number(double number);
  static Variant Date(double automationDate);
  static Variant Boolean(bool truth);
  // Takes over the contents of a VARIANT, leaving it empty.
  static Variant Adopt(VARIANT& value) noexcept;

  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { VariantClear(&value_); }

  const VARIANT& operator*() const { return value_; }
  VARIANT* get() { return &value_; }
  // Clears the value and gives the slot to fill, for out-parameters.
  VARIANT* Receive() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// The value itself when it is passed by reference.
Variant Dereferenced(const VARIANT& value);

bool IsNothing(const VARIANT& value);
bool IsArray(const VARIANT& value);

std::string TextOf(const VARIANT& value, std::string_view what);
std::int64_t IntegerOf(const VARIANT& value, std::string_view what);
bool TruthOf(const VARIANT& value, std::string_view what);
// The object, or an empty reference for "nothing".
ComRef<IDispatch> ObjectOf(const VARIANT& value, std::string_view what);
// The elements of a one-dimensional array, in index order.
std::vector<Variant> ElementsOf(const VARIANT& value, std::string_view what);

notes::ItemValue ItemValueOf(const VARIANT& value, std::string_view what);
// An array gives its elements, a single value gives itself, "nothing" gives no value.
notes::ItemValues ItemValuesOf(const VARIANT& value, std::string_view what);

// A DATE read as the machine's local wall-clock time, and the DATE of an instant in that time.
// Outside the years the time-zone rules cover (1601 to 9999) the time is taken as UTC.
DateTime DateTimeOfAutomationDate(double automationDate);
double AutomationDateOf(const DateTime& when);

}  // namespace mailshift::platform::win
