#include "platform/win/AutomationValues.h"

#include <windows.h>

#include <cmath>
#include <utility>

#include "common/LocalTimeWindows.h"
#include "platform/win/WideText.h"

namespace mailshift::platform::win {
namespace {

using notes::NotesError;

// Days from 1899-12-30 (DATE zero) to 1970-01-01.
constexpr std::int64_t kDateEpochDays = 25569;
// The range of DATE: 100-01-01 to 9999-12-31.
constexpr double kFirstDate = -657434.0;
constexpr double kEndDate = 2958466.0;

std::string TypeName(VARTYPE type) { return "type " + std::to_string(type); }

[[noreturn]] void Unexpected(const VARIANT& value, std::string_view what, std::string_view expected) {
  throw NotesError(std::string(what) + " gave " + TypeName(value.vt) + " where " + std::string(expected) +
                   " was expected");
}

bool IsNumeric(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

double NumberOf(const VARIANT& value, std::string_view what) {
  if (value.vt == VT_R8) return value.dblVal;
  Variant converted;
  if (!IsNumeric(value.vt) ||
      FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_R8))) {
    Unexpected(value, what, "a number");
  }
  return (*converted).dblVal;
}

}  // namespace

Variant Variant::Text(std::string_view utf8) {
  Variant variant;
  variant.value_.bstrVal = NewBstr(utf8);
  variant.value_.vt = VT_BSTR;
  return variant;
}

Variant Variant::Object(IDispatch* object) {
  Variant variant;
  variant.value_.vt = VT_DISPATCH;
  variant.value_.pdispVal = object;
  if (object != nullptr) object->AddRef();
  return variant;
}

Variant Variant::Number(double number) {
  Variant variant;
  variant.value_.vt = VT_R8;
  variant.value_.dblVal = number;
  return variant;
}

Variant Variant::Boolean(bool truth) {
  Variant variant;
  variant.value_.vt = VT_BOOL;
  variant.value_.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
  return variant;
}

Variant Variant::Date(double automationDate) {
  Variant variant;
  variant.value_.vt = VT_DATE;
  variant.value_.date = automationDate;
  return variant;
}

Variant Variant::Adopt(VARIANT& value) noexcept {
  Variant variant;
  variant.value_ = value;
  VariantInit(&value);
  return variant;
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&value_);
    value_ = other.value_;
    VariantInit(&other.value_);
  }
  return *this;
}

Variant Dereferenced(const VARIANT& value) {
  Variant copy;
  const HRESULT result = VariantCopyInd(copy.get(), const_cast<VARIANT*>(&value));
  if (FAILED(result)) throw NotesError("a value passed by reference could not be read");
  return copy;
}

bool IsNothing(const VARIANT& value) {
  if ((value.vt & VT_BYREF) != 0) return IsNothing(*Dereferenced(value));
  return value.vt == VT_EMPTY || value.vt == VT_NULL ||
         (value.vt == VT_DISPATCH && value.pdispVal == nullptr) ||
         (value.vt == VT_UNKNOWN && value.punkVal == nullptr);
}

bool IsArray(const VARIANT& value) { return (value.vt & VT_ARRAY) != 0 && value.parray != nullptr; }

std::string TextOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return TextOf(*Dereferenced(value), what);
  if (value.vt == VT_BSTR) return BstrToUtf8(value.bstrVal);
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return {};
  Unexpected(value, what, "text");
}

std::int64_t IntegerOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return IntegerOf(*Dereferenced(value), what);
  const double number = NumberOf(value, what);
  // 2^63 as a double; the integer part of anything below it fits.
  if (!std::isfinite(number) || std::fabs(number) >= 9223372036854775808.0) {
    throw NotesError(std::string(what) + " gave a number out of range");
  }
  return static_cast<std::int64_t>(std::trunc(number));
}

bool TruthOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return TruthOf(*Dereferenced(value), what);
  if (value.vt == VT_BOOL) return value.boolVal != VARIANT_FALSE;
  if (IsNumeric(value.vt)) return NumberOf(value, what) != 0.0;
  Unexpected(value, what, "true or false");
}

ComRef<IDispatch> ObjectOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return ObjectOf(*Dereferenced(value), what);
  if (IsNothing(value)) return {};
  if (value.vt == VT_DISPATCH) return ComRef<IDispatch>::Share(value.pdispVal);
  if (value.vt == VT_UNKNOWN) {
    ComRef<IDispatch> object;
    if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Receive())))) {
      throw NotesError(std::string(what) + " gave an object without automation");
    }
    return object;
  }
  Unexpected(value, what, "an object");
}

std::vector<Variant> ElementsOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return ElementsOf(*Dereferenced(value), what);
  if (!IsArray(value)) Unexpected(value, what, "an array");
  SAFEARRAY* array = value.parray;
  if (SafeArrayGetDim(array) != 1)
    throw NotesError(std::string(what) + " gave an array of several dimensions");
  const auto elementType = static_cast<VARTYPE>(value.vt & VT_TYPEMASK);
  // A DECIMAL fills a whole VARIANT, so arrays of it cannot be read element by element here.
  const bool readable = elementType == VT_VARIANT || elementType == VT_BSTR || elementType == VT_DISPATCH ||
                        elementType == VT_UNKNOWN || elementType == VT_BOOL || elementType == VT_DATE ||
                        (IsNumeric(elementType) && elementType != VT_DECIMAL);
  if (!readable) throw NotesError(std::string(what) + " gave an array of " + TypeName(elementType));
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
    throw NotesError(std::string(what) + " gave an unreadable array");
  }
  std::vector<Variant> elements;
  if (upper >= lower) elements.reserve(static_cast<std::size_t>(upper - lower) + 1);
  for (LONG index = lower; index <= upper; ++index) {
    Variant element;
    // SafeArrayGetElement copies the element (a new BSTR, an added reference) into the union of
    // the VARIANT, or the whole VARIANT for arrays of VARIANT.
    void* slot = elementType == VT_VARIANT ? static_cast<void*>(element.get()) : &element.get()->llVal;
    if (FAILED(SafeArrayGetElement(array, &index, slot))) {
      throw NotesError(std::string(what) + " gave an unreadable array element");
    }
    if (elementType != VT_VARIANT) element.get()->vt = elementType;
    elements.push_back(std::move(element));
  }
  return elements;
}

notes::ItemValue ItemValueOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return ItemValueOf(*Dereferenced(value), what);
  if (value.vt == VT_BSTR) return BstrToUtf8(value.bstrVal);
  if (value.vt == VT_DATE) return DateTimeOfAutomationDate(value.date);
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return std::string();
  if (IsNumeric(value.vt)) return NumberOf(value, what);
  Unexpected(value, what, "text, a number or a date-time");
}

notes::ItemValues ItemValuesOf(const VARIANT& value, std::string_view what) {
  if ((value.vt & VT_BYREF) != 0) return ItemValuesOf(*Dereferenced(value), what);
  notes::ItemValues values;
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return values;
  if (!IsArray(value)) {
    values.push_back(ItemValueOf(value, what));
    return values;
  }
  for (const Variant& element : ElementsOf(value, what)) values.push_back(ItemValueOf(*element, what));
  return values;
}

DateTime DateTimeOfAutomationDate(double automationDate) {
  if (!std::isfinite(automationDate) || automationDate < kFirstDate || automationDate >= kEndDate) {
    throw NotesError("a date-time out of range");
  }
  // The whole part counts days from 1899-12-30, the fraction (without its sign) the time of day.
  const double days = std::trunc(automationDate);
  const auto secondOfDay =
      static_cast<std::int64_t>(std::llround(std::fabs(automationDate - days) * 86400.0));
  const std::int64_t localSeconds = (static_cast<std::int64_t>(days) - kDateEpochDays) * 86400 + secondOfDay;
  if (const auto instant = windows::FromLocalCivilTime(windows::CivilFromSeconds(localSeconds)))
    return *instant;
  return DateTime{localSeconds, 0};
}

double AutomationDateOf(const DateTime& when) {
  const auto local = windows::ToLocalCivilTime(when.secondsSinceEpoch);
  const std::int64_t localSeconds = local ? windows::SecondsFromCivil(*local) : when.secondsSinceEpoch;
  const std::int64_t localDays = localSeconds / 86400 - (localSeconds % 86400 < 0 ? 1 : 0);
  const double fraction = static_cast<double>(localSeconds - localDays * 86400) / 86400.0;
  const std::int64_t days = localDays + kDateEpochDays;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

}  // namespace mailshift::platform::win
