// The conversions of automation values, and the DATE in the machine's local time. The zone-
// specific cases run when the machine is on US Eastern time (the Wine test run sets
// TZ=America/New_York).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/win/AutomationObject.h"
#include "platform/win/AutomationValues.h"
#include "platform/win/WideText.h"

namespace mailshift::platform::win {
namespace {

using notes::ItemValues;
using notes::NotesError;

bool MachineIsOnUsEasternTime() {
  TIME_ZONE_INFORMATION zone{};
  return GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 300 &&
         zone.DaylightBias == -60;
}

Variant Short(SHORT number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;
  value.iVal = number;
  return Variant::Adopt(value);
}

Variant Long(LONG number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = number;
  return Variant::Adopt(value);
}

Variant Null() {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_NULL;
  return Variant::Adopt(value);
}

// A one-dimensional array of VARIANT with the given lower bound.
Variant ArrayOf(std::vector<Variant> elements, LONG lowerBound = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), lowerBound};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
    LONG index = lowerBound + i;
    SafeArrayPutElement(array, &index, elements[static_cast<std::size_t>(i)].get());
  }
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = array;
  return Variant::Adopt(value);
}

Variant TextArray(const std::vector<std::wstring>& texts) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
  for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
    BSTR text = SysAllocString(texts[static_cast<std::size_t>(i)].c_str());
    SafeArrayPutElement(array, &i, text);
    SysFreeString(text);
  }
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_ARRAY | VT_BSTR;
  value.parray = array;
  return Variant::Adopt(value);
}

TEST(AutomationDate, ReadsDatesAsTheMachinesLocalTime) {
  if (!MachineIsOnUsEasternTime()) GTEST_SKIP() << "the machine is not on US Eastern time";
  // 2008-11-05 09:30 EST is 14:30 UTC; 2010-07-01 12:00 EDT is 16:00 UTC.
  EXPECT_EQ(DateTimeOfAutomationDate(39757.0 + 9.5 / 24), (DateTime{1225895400, -300}));
  EXPECT_EQ(DateTimeOfAutomationDate(40360.5), (DateTime{1278000000, -240}));
  // Before 1899-12-30 the fraction counts forward from the (negative) day: 1899-12-29 06:00.
  EXPECT_EQ(DateTimeOfAutomationDate(-1.25), (DateTime{-2209208400, -300}));
  EXPECT_DOUBLE_EQ(AutomationDateOf({1278000000, 0}), 40360.5);
  EXPECT_DOUBLE_EQ(AutomationDateOf({-2209208400, 0}), -1.25);
}

TEST(AutomationDate, RoundTripsToTheSecondInAnyZone) {
  for (std::int64_t when = -2000000000; when < 4000000000; when += 7777777 + 13) {
    const double date = AutomationDateOf({when, 0});
    const DateTime back = DateTimeOfAutomationDate(date);
    EXPECT_EQ(back.secondsSinceEpoch, when) << date;
  }
  // Half a second rounds to the nearest second.
  EXPECT_EQ(DateTimeOfAutomationDate(AutomationDateOf({1225895400, 0}) + 0.4 / 86400).secondsSinceEpoch,
            1225895400);
}

TEST(AutomationDate, RejectsWhatIsNoDate) {
  EXPECT_THROW(DateTimeOfAutomationDate(std::numeric_limits<double>::quiet_NaN()), NotesError);
  EXPECT_THROW(DateTimeOfAutomationDate(std::numeric_limits<double>::infinity()), NotesError);
  EXPECT_THROW(DateTimeOfAutomationDate(3e6), NotesError);
  EXPECT_THROW(DateTimeOfAutomationDate(-7e5), NotesError);
  // Before the years of the time-zone rules the date is read as UTC.
  EXPECT_EQ(DateTimeOfAutomationDate(-109206.0).utcOffsetMinutes, 0);  // 1600-12-31
}

TEST(AutomationValues, ReadsItemValuesOfEveryKind) {
  std::vector<Variant> elements;
  elements.push_back(Variant::Text("Ann Lee/Org"));
  elements.push_back(Variant::Number(2.5));
  elements.push_back(Short(-3));
  elements.push_back(Long(70000));
  elements.push_back(Variant::Date(AutomationDateOf({1225895400, 0})));
  elements.push_back(Variant());
  const ItemValues values = ItemValuesOf(*ArrayOf(std::move(elements), 1), "test");
  ASSERT_EQ(values.size(), 6u);
  EXPECT_EQ(std::get<std::string>(values[0]), "Ann Lee/Org");
  EXPECT_EQ(std::get<double>(values[1]), 2.5);
  EXPECT_EQ(std::get<double>(values[2]), -3.0);
  EXPECT_EQ(std::get<double>(values[3]), 70000.0);
  EXPECT_EQ(std::get<DateTime>(values[4]).secondsSinceEpoch, 1225895400);
  EXPECT_EQ(std::get<std::string>(values[5]), "");

  EXPECT_EQ(ItemValuesOf(*TextArray({L"a", L"\u00e9\U0001F600"}), "test"),
            (ItemValues{std::string("a"), std::string("\xC3\xA9\xF0\x9F\x98\x80")}));
  EXPECT_EQ(ItemValuesOf(*Variant::Text("one"), "test"), (ItemValues{std::string("one")}));
  EXPECT_TRUE(ItemValuesOf(*Variant(), "test").empty());
  EXPECT_TRUE(ItemValuesOf(*Null(), "test").empty());
  EXPECT_TRUE(ItemValuesOf(*ArrayOf({}), "test").empty());
}

TEST(AutomationValues, ReadsValuesPassedByReference) {
  Variant inner = Variant::Text("by reference");
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_VARIANT;
  reference.pvarVal = inner.get();
  EXPECT_EQ(TextOf(reference, "test"), "by reference");
  EXPECT_EQ(ItemValuesOf(reference, "test"), (ItemValues{std::string("by reference")}));
}

TEST(AutomationValues, RefusesValuesOfTheWrongKind) {
  std::vector<Variant> elements;
  elements.push_back(Variant::Object(nullptr));
  EXPECT_THROW(ItemValuesOf(*ArrayOf(std::move(elements)), "test"), NotesError);
  EXPECT_THROW(TextOf(*Variant::Number(1), "NotesDatabase.Title"), NotesError);
  EXPECT_THROW(IntegerOf(*Variant::Text("12"), "test"), NotesError);
  EXPECT_THROW(IntegerOf(*Variant::Number(1e300), "test"), NotesError);
  EXPECT_THROW(TruthOf(*Variant::Text("True"), "test"), NotesError);
  EXPECT_THROW(ObjectOf(*Variant::Text("view"), "test"), NotesError);
  EXPECT_THROW(ElementsOf(*Variant::Text("view"), "test"), NotesError);
  try {
    TextOf(*Variant::Number(1), "NotesDatabase.Title");
    FAIL();
  } catch (const NotesError& error) {
    EXPECT_NE(std::string(error.what()).find("NotesDatabase.Title"), std::string::npos) << error.what();
  }
}

TEST(AutomationValues, ReadsNumbersTruthsTextsAndNothing) {
  EXPECT_EQ(IntegerOf(*Short(7), "test"), 7);
  EXPECT_EQ(IntegerOf(*Long(40000), "test"), 40000);
  EXPECT_EQ(IntegerOf(*Variant::Number(32768.9), "test"), 32768);
  EXPECT_TRUE(TruthOf(*Short(-1), "test"));
  EXPECT_FALSE(TruthOf(*Long(0), "test"));
  EXPECT_EQ(TextOf(*Variant(), "test"), "");
  EXPECT_EQ(TextOf(*Variant::Text(std::string("a\0b", 3)), "test"), std::string("a\0b", 3));
  EXPECT_FALSE(ObjectOf(*Variant(), "test"));
  EXPECT_FALSE(ObjectOf(*Null(), "test"));
  EXPECT_FALSE(ObjectOf(*Variant::Object(nullptr), "test"));
  EXPECT_TRUE(IsNothing(*Variant::Object(nullptr)));
  EXPECT_FALSE(IsNothing(*Variant::Text("")));
}

TEST(AutomationValues, TextCrossesUtf16BothWays) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
  BSTR wide = NewBstr(text);
  EXPECT_EQ(SysStringLen(wide), 11u);  // the emoji is a surrogate pair
  EXPECT_EQ(BstrToUtf8(wide), text);
  SysFreeString(wide);
  EXPECT_EQ(BstrToUtf8(nullptr), "");
}

TEST(ComErrors, CarryTheDescriptionThePlaceAndTheCode) {
  EXPECT_EQ(ComErrorMessage(static_cast<HRESULT>(0x80040FA0), "Database is locked", "NotesDatabase.Views"),
            "Database is locked (NotesDatabase.Views, 0x80040FA0)");
  const std::string system = ComErrorMessage(E_ACCESSDENIED, "", "NotesDocument.Size");
  EXPECT_NE(system.find("0x80070005"), std::string::npos) << system;
  EXPECT_GT(system.find(" (NotesDocument.Size"), 0u) << system;
}

}  // namespace
}  // namespace mailshift::platform::win
