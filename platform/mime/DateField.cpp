#include "platform/mime/DateField.h"

#include <cstdint>

#include "export/EmailComposition.h"

namespace mailshift::platform {
namespace {

// The instants a Date field can carry: 1900-01-01 00:00:00 to 9999-12-31 23:59:59 UTC.
constexpr std::int64_t kEarliestDate = -2208988800;
constexpr std::int64_t kLatestDate = 253402300799;
constexpr std::int32_t kMinutesPerDay = 24 * 60;
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct CivilDate {
  std::int64_t year;
  int month;  // 1 to 12
  int day;    // 1 to 31
};

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
  return value / divisor - (value % divisor < 0 ? 1 : 0);
}

std::int64_t FloorModulo(std::int64_t value, std::int64_t divisor) {
  return value - FloorDivide(value, divisor) * divisor;
}

// The proleptic Gregorian date of a day counted from 1970-01-01 (H. Hinnant's days_from_civil,
// reversed).
CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = FloorDivide(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

void AppendTwoDigits(std::string& text, std::int64_t value) {
  text += static_cast<char>('0' + value / 10);
  text += static_cast<char>('0' + value % 10);
}

}  // namespace

void CheckMessageDate(const DateTime& date) {
  if (date.secondsSinceEpoch < kEarliestDate || date.secondsSinceEpoch > kLatestDate) {
    throw mail::EmailError("the date lies outside the years 1900 to 9999");
  }
}

std::string DateFieldValue(const DateTime& date) {
  CheckMessageDate(date);
  const bool realOffset = date.utcOffsetMinutes > -kMinutesPerDay && date.utcOffsetMinutes < kMinutesPerDay;
  const std::int32_t offset = realOffset ? date.utcOffsetMinutes : 0;
  const std::int64_t local = date.secondsSinceEpoch + std::int64_t{offset} * 60;
  const std::int64_t days = FloorDivide(local, kSecondsPerDay);
  const std::int64_t secondOfDay = FloorModulo(local, kSecondsPerDay);
  const CivilDate civil = CivilFromDays(days);
  const auto weekday = static_cast<std::size_t>(FloorModulo(days + 4, 7));  // 1970-01-01 was a Thursday
  const std::int32_t offsetMagnitude = offset < 0 ? -offset : offset;

  // "Wed, 05 Nov 2008 16:00:00 +0130". The local year lies between 1899 and 10000: it needs no
  // padding.
  std::string text;
  text.reserve(32);
  text.append(kWeekdays[weekday]).append(", ");
  AppendTwoDigits(text, civil.day);
  text.append(" ").append(kMonths[civil.month - 1]).append(" ").append(std::to_string(civil.year));
  text += ' ';
  AppendTwoDigits(text, secondOfDay / 3600);
  text += ':';
  AppendTwoDigits(text, secondOfDay / 60 % 60);
  text += ':';
  AppendTwoDigits(text, secondOfDay % 60);
  text.append(offset < 0 ? " -" : " +");
  AppendTwoDigits(text, offsetMagnitude / 60);
  AppendTwoDigits(text, offsetMagnitude % 60);
  return text;
}

}  // namespace mailshift::platform
