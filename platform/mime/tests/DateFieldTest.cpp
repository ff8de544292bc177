#include <gtest/gtest.h>

#include <climits>

#include "export/EmailComposition.h"
#include "platform/mime/DateField.h"

namespace mailshift::platform {
namespace {

TEST(DateField, WritesTheClockTimeOfTheDatesOwnOffset) {
  EXPECT_EQ(DateFieldValue({1225895400, 90}), "Wed, 05 Nov 2008 16:00:00 +0130");
  EXPECT_EQ(DateFieldValue({1225895400, 0}), "Wed, 05 Nov 2008 14:30:00 +0000");
  EXPECT_EQ(DateFieldValue({1225895400, -300}), "Wed, 05 Nov 2008 09:30:00 -0500");
  EXPECT_EQ(DateFieldValue({1225895400, -870}), "Wed, 05 Nov 2008 00:00:00 -1430");
  EXPECT_EQ(DateFieldValue({1225895400, -871}), "Tue, 04 Nov 2008 23:59:00 -1431");
}

TEST(DateField, CountsDaysRightAcrossLeapYearsAndBeforeTheEpoch) {
  EXPECT_EQ(DateFieldValue({0, 0}), "Thu, 01 Jan 1970 00:00:00 +0000");
  EXPECT_EQ(DateFieldValue({-1, 0}), "Wed, 31 Dec 1969 23:59:59 +0000");
  EXPECT_EQ(DateFieldValue({951782400, 0}), "Tue, 29 Feb 2000 00:00:00 +0000");
  EXPECT_EQ(DateFieldValue({4107542400, 0}), "Mon, 01 Mar 2100 00:00:00 +0000");
  EXPECT_EQ(DateFieldValue({-2208988800, 0}), "Mon, 01 Jan 1900 00:00:00 +0000");
  EXPECT_EQ(DateFieldValue({253402300799, 0}), "Fri, 31 Dec 9999 23:59:59 +0000");
}

TEST(DateField, WritesAnOffsetOfADayOrMoreInUtc) {
  EXPECT_EQ(DateFieldValue({1225895400, INT32_MAX}), "Wed, 05 Nov 2008 14:30:00 +0000");
  EXPECT_EQ(DateFieldValue({1225895400, -1440}), "Wed, 05 Nov 2008 14:30:00 +0000");
  EXPECT_EQ(DateFieldValue({1225895400, 1439}), "Thu, 06 Nov 2008 14:29:00 +2359");
}

TEST(DateField, RefusesDatesOutsideTheYears1900To9999) {
  EXPECT_THROW(CheckMessageDate({-2208988801, 0}), mail::EmailError);
  EXPECT_THROW(CheckMessageDate({253402300800, 0}), mail::EmailError);
  EXPECT_THROW(DateFieldValue({-5000000000, 0}), mail::EmailError);
  EXPECT_NO_THROW(CheckMessageDate({-2208988800, 0}));
}

}  // namespace
}  // namespace mailshift::platform
