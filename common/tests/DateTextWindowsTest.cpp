// The date text on Windows: the pictures of the national language support and the machine's
// time zone. The zone-specific cases run when the machine is set to US Eastern time (the Wine
// test run sets TZ=America/New_York).
#include <gtest/gtest.h>
#include <windows.h>

#include "common/DateText.h"
#include "common/LocalTimeWindows.h"

namespace mailshift {
namespace {

using windows::CivilTime;

RegionalDateForm Form(const std::string& locale) {
  auto form = RegionalDateForm::ForLocale(locale);
  if (!form) ADD_FAILURE() << "locale " << locale << " is not known";
  return form ? *form : *RegionalDateForm::ForLocale("C");
}

DateTime Local(int year, int month, int day, int hour, int minute, int second) {
  const auto when = windows::FromLocalCivilTime(CivilTime{year, month, day, hour, minute, second});
  EXPECT_TRUE(when.has_value());
  return when.value_or(DateTime{});
}

bool MachineIsOnUsEasternTime() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD result = GetTimeZoneInformation(&zone);
  return result != TIME_ZONE_ID_INVALID && zone.Bias == 300 && zone.DaylightBias == -60;
}

TEST(DateTextWindows, WritesTheRegionalShortDateWithFourDigitYearAndLongTime) {
  const DateTime afternoon = Local(2008, 11, 5, 14, 30, 0);
  EXPECT_EQ(Form("C").Format(afternoon), "11/05/2008 14:30:00");
  EXPECT_EQ(Form("en-US").Format(afternoon), "11/5/2008 2:30:00 PM");
  // Windows writes German dates as dd.MM.yyyy, Wine as d.M.yyyy.
  const std::string german = Form("de_DE.UTF-8").Format(afternoon);
  EXPECT_TRUE(german == "05.11.2008 14:30:00" || german == "5.11.2008 14:30:00") << german;
  EXPECT_EQ(Form("en-GB").Format(afternoon), "05/11/2008 14:30:00");
  EXPECT_EQ(Form("en-US").datePattern(), "M/d/yyyy");
}

TEST(DateTextWindows, LeavesOutTheTimeAtMidnight) {
  const DateTime midnight = Local(2009, 1, 31, 0, 0, 0);
  EXPECT_EQ(Form("C").Format(midnight), "01/31/2009");
  EXPECT_EQ(Form("en-GB").Format(midnight), "31/01/2009");
  EXPECT_EQ(Form("de-DE").Parse("31.01.2009")->secondsSinceEpoch, midnight.secondsSinceEpoch);
  EXPECT_EQ(Form("de-DE").Parse("31.1.2009")->secondsSinceEpoch, midnight.secondsSinceEpoch);
  EXPECT_EQ(Form("C").Format({midnight.secondsSinceEpoch + 1, 0}), "01/31/2009 00:00:01");
}

TEST(DateTextWindows, ReadsBackExactlyToTheSecondInEveryLocale) {
  for (const char* locale : {"C", "en-US", "de-DE", "en-GB", "fr-FR", "ja-JP"}) {
    const RegionalDateForm form = Form(locale);
    for (std::int64_t when = 631152000; when < 2524608000; when += 7777777 + 13) {
      const std::string text = form.Format({when, 0});
      const auto back = form.Parse(text);
      ASSERT_TRUE(back.has_value()) << locale << ": " << text;
      EXPECT_EQ(back->secondsSinceEpoch, when) << locale << ": " << text;
      EXPECT_EQ(form.Format(*back), text);
    }
  }
}

TEST(DateTextWindows, RejectsTextsThatAreNotDates) {
  const RegionalDateForm form = Form("C");
  EXPECT_FALSE(form.Parse("").has_value());
  EXPECT_FALSE(form.Parse("yesterday").has_value());
  EXPECT_FALSE(form.Parse("11/05/2008 14:30:00 and more").has_value());
  EXPECT_FALSE(form.Parse("13/45/2008").has_value());
  EXPECT_FALSE(form.Parse("02/30/2009").has_value());
  EXPECT_FALSE(Form("en-US").Parse("11/5/2008 13:30:00 PM").has_value());
  EXPECT_TRUE(form.Parse(" 11/05/2008 14:30:00 ").has_value());
  EXPECT_FALSE(RegionalDateForm::ForLocale("xx-NOWHERE").has_value());
}

TEST(DateTextWindows, ConvertsCalendarDaysBothWays) {
  EXPECT_EQ(windows::DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(windows::DaysFromCivil(1899, 12, 30), -25569);
  EXPECT_EQ(windows::DaysFromCivil(2000, 3, 1), 11017);
  for (std::int64_t seconds : {std::int64_t{-2209161600}, std::int64_t{0}, std::int64_t{951782400},
                               std::int64_t{1225895400}, std::int64_t{253402300799}}) {
    EXPECT_EQ(windows::SecondsFromCivil(windows::CivilFromSeconds(seconds)), seconds);
  }
  EXPECT_EQ(windows::CivilFromSeconds(951782400), (CivilTime{2000, 2, 29, 0, 0, 0}));
}

TEST(DateTextWindows, UsesTheMachinesTimeZoneWithItsSummerTime) {
  if (!MachineIsOnUsEasternTime()) GTEST_SKIP() << "the machine is not on US Eastern time";
  // 2008-11-05 14:30:00 UTC is 09:30 EST; 2010-07-01 16:00:00 UTC is 12:00 EDT.
  EXPECT_EQ(Form("C").Format({1225895400, 0}), "11/05/2008 09:30:00");
  const auto summer = Form("C").Parse("07/01/2010 12:00:00");
  ASSERT_TRUE(summer.has_value());
  EXPECT_EQ(summer->secondsSinceEpoch, 1278000000);
  EXPECT_EQ(summer->utcOffsetMinutes, -240);
  EXPECT_EQ(Form("C").Parse("01/15/2010 12:00:00")->utcOffsetMinutes, -300);
  const DateTime midnight = StartOfLocalDay({1225895400, 0});
  EXPECT_EQ(midnight.secondsSinceEpoch, 1225861200);
  EXPECT_EQ(midnight.utcOffsetMinutes, -300);
}

}  // namespace
}  // namespace mailshift
