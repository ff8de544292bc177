#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/DateText.h"

namespace mailshift {
namespace {

// 2008-11-05 14:30:00 UTC and midnight of 2009-01-31 UTC.
constexpr std::int64_t kAfternoon = 1225895400;
constexpr std::int64_t kMidnight = 1233360000;

class DateTextTest : public ::testing::Test {
 protected:
  void SetUp() override { UseZone("UTC0"); }
  void TearDown() override { UseZone("UTC0"); }
  static void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  static RegionalDateForm Form(const std::string& locale) {
    auto form = RegionalDateForm::ForLocale(locale);
    if (!form) ADD_FAILURE() << "locale " << locale << " is not installed";
    return form ? *form : *RegionalDateForm::ForLocale("C");
  }
};

TEST_F(DateTextTest, WritesTheRegionalShortDateWithFourDigitYearAndLongTime) {
  EXPECT_EQ(Form("C").Format({kAfternoon, 0}), "11/05/2008 14:30:00");
  EXPECT_EQ(Form("en_US.UTF-8").Format({kAfternoon, 0}), "11/05/2008 02:30:00 PM");
  EXPECT_EQ(Form("de_DE.UTF-8").Format({kAfternoon, 0}), "05.11.2008 14:30:00");
  EXPECT_EQ(Form("en_GB.UTF-8").Format({kAfternoon, 0}), "05/11/2008 14:30:00");
}

TEST_F(DateTextTest, LeavesOutTheTimeAtMidnight) {
  EXPECT_EQ(Form("C").Format({kMidnight, 0}), "01/31/2009");
  EXPECT_EQ(Form("de_DE.UTF-8").Format({kMidnight, 0}), "31.01.2009");
  EXPECT_EQ(Form("de_DE.UTF-8").Parse("31.01.2009")->secondsSinceEpoch, kMidnight);
  EXPECT_EQ(Form("C").Format({kMidnight + 1, 0}), "01/31/2009 00:00:01");
}

TEST_F(DateTextTest, ReadsBackExactlyToTheSecondInEveryLocale) {
  for (const char* zone : {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3", "IST-5:30"}) {
    UseZone(zone);
    for (const char* locale : {"C", "en_US.UTF-8", "de_DE.UTF-8", "en_GB.UTF-8"}) {
      const RegionalDateForm form = Form(locale);
      for (std::int64_t when = 631152000; when < 2524608000; when += 7777777 + 13) {
        const std::string text = form.Format({when, 0});
        const auto back = form.Parse(text);
        ASSERT_TRUE(back.has_value()) << locale << " " << zone << ": " << text;
        EXPECT_EQ(back->secondsSinceEpoch, when) << locale << " " << zone << ": " << text;
        EXPECT_EQ(form.Format(*back), text);
      }
    }
  }
}

TEST_F(DateTextTest, KeepsTheLocalOffsetOfTheTextItReads) {
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  const auto summer = Form("C").Parse("07/01/2010 12:00:00");
  ASSERT_TRUE(summer.has_value());
  EXPECT_EQ(summer->utcOffsetMinutes, 120);
  EXPECT_EQ(summer->secondsSinceEpoch, 1277978400);
}

TEST_F(DateTextTest, ReadsTheHoursAroundAChangeOfOffsetAsMktimeDoes) {
  // Each quarter hour of the days the clocks go forward (an hour that does not exist) and back
  // (an hour that comes twice), in zones east and west of Greenwich.
  const struct {
    const char* zone;
    int year, month, day;
  } changes[] = {{"CET-1CEST,M3.5.0,M10.5.0/3", 2010, 3, 28},
                 {"CET-1CEST,M3.5.0,M10.5.0/3", 2010, 10, 31},
                 {"EST5EDT,M3.2.0,M11.1.0", 2010, 3, 14},
                 {"EST5EDT,M3.2.0,M11.1.0", 2010, 11, 7}};
  for (const auto& change : changes) {
    UseZone(change.zone);
    for (int minutes = 0; minutes < 24 * 60; minutes += 15) {
      std::tm fields{};
      fields.tm_year = change.year - 1900;
      fields.tm_mon = change.month - 1;
      fields.tm_mday = change.day;
      fields.tm_hour = minutes / 60;
      fields.tm_min = minutes % 60;
      fields.tm_isdst = -1;
      char text[32];
      std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &fields);
      const std::time_t expected = std::mktime(&fields);
      const auto read = Form("C").Parse(text);
      ASSERT_TRUE(read.has_value()) << change.zone << " " << text;
      EXPECT_EQ(read->secondsSinceEpoch, expected) << change.zone << " " << text;
      EXPECT_EQ(read->utcOffsetMinutes, fields.tm_gmtoff / 60) << change.zone << " " << text;
    }
  }
}

TEST_F(DateTextTest, RejectsTextsThatAreNotDates) {
  const RegionalDateForm form = Form("C");
  EXPECT_FALSE(form.Parse("").has_value());
  EXPECT_FALSE(form.Parse("yesterday").has_value());
  EXPECT_FALSE(form.Parse("11/05/2008 14:30:00 and more").has_value());
  EXPECT_FALSE(form.Parse("13/45/2008").has_value());
  EXPECT_TRUE(form.Parse(" 11/05/2008 14:30:00 ").has_value());
}

TEST_F(DateTextTest, StartOfLocalDayIsMidnightOfThatDay) {
  UseZone("EST5EDT,M3.2.0,M11.1.0");
  const DateTime midnight = StartOfLocalDay({kAfternoon, 0});
  EXPECT_EQ(Form("C").Format(midnight), "11/05/2008");
  EXPECT_LE(midnight.secondsSinceEpoch, kAfternoon);
  EXPECT_GT(midnight.secondsSinceEpoch, kAfternoon - 86400);
}

}  // namespace
}  // namespace mailshift
