// ISO 8601 date-times as fixtures carry them.
#include <gtest/gtest.h>

#include "platform/standin/IsoDateTime.h"

namespace mailshift::standin {
namespace {

TEST(IsoDateTimeTest, ReadsTheInstantAndKeepsTheOffset) {
  EXPECT_EQ(ParseIsoDateTime("1970-01-01T00:00:00Z"), (DateTime{0, 0}));
  EXPECT_EQ(ParseIsoDateTime("1970-01-01T00:00:00+01:00"), (DateTime{-3600, 60}));
  EXPECT_EQ(ParseIsoDateTime("2008-11-05T14:30:00-05:00"), (DateTime{1225913400, -300}));
  EXPECT_EQ(ParseIsoDateTime("1969-12-31T23:59:59-00:30"), (DateTime{1799, -30}));
  EXPECT_EQ(ParseIsoDateTime("2000-02-29T12:00:00+00:00"), (DateTime{951825600, 0}));
}

TEST(IsoDateTimeTest, WritesTheClockTimeOfTheOffset) {
  EXPECT_EQ(FormatIsoDateTime(DateTime{1225913400, -300}), "2008-11-05T14:30:00-05:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{0, 0}), "1970-01-01T00:00:00+00:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{-1, 0}), "1969-12-31T23:59:59+00:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{1246415400, 330}), "2009-07-01T08:00:00+05:30");
  for (const char* text :
       {"0001-01-01T00:00:00+00:00", "9999-12-31T23:59:59+00:00", "1900-03-01T00:00:00-23:59",
        "2400-02-29T23:00:00+14:00", "1600-12-31T10:10:10+00:01"}) {
    const auto when = ParseIsoDateTime(text);
    ASSERT_TRUE(when) << text;
    EXPECT_EQ(FormatIsoDateTime(*when), text);
  }
}

TEST(IsoDateTimeTest, RefusesWhatIsNotADateTime) {
  for (const char* text : {"",
                           "2008-11-05",
                           "2008-11-05T14:30:00",
                           "2008-11-05 14:30:00Z",
                           "2008-11-05T14:30Z",
                           "2008-13-05T14:30:00Z",
                           "2008-11-31T14:30:00Z",
                           "1900-02-29T00:00:00Z",
                           "2008-11-05T24:00:00Z",
                           "2008-11-05T14:60:00Z",
                           "2008-11-05T14:30:60Z",
                           "2008-11-05T14:30:00.5Z",
                           "2008-11-05T14:30:00+0500",
                           "2008-11-05T14:30:00+24:00",
                           "2008-11-05T14:30:00+05:60",
                           "0000-01-01T00:00:00Z",
                           "2008-11-05T14:30:00Zjunk",
                           "２００８-11-05T14:30:00Z",
                           "0001-01-01T00:00:00+01:00",
                           "9999-12-31T23:00:00-01:00",
                           "+2008-11-05T14:30:00Z"}) {
    EXPECT_FALSE(ParseIsoDateTime(text)) << text;
  }
}

}  // namespace
}  // namespace mailshift::standin
