#include "platform/standin/IsoDateTime.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace mailshift::standin {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads `width` decimal digits at `position`.
std::optional<unsigned> Digits(std::string_view text, std::size_t position, std::size_t width) {
  if (position + width > text.size()) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = position; i < position + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

constexpr std::int64_t kSecondsPerDay = 86400;

constexpr std::int64_t kEarliestSecond = -62135596800;  // 0001-01-01T00:00:00Z
constexpr std::int64_t kLatestSecond = 253402300799;    // 9999-12-31T23:59:59Z

}  // namespace

bool IsStorableDateTime(const DateTime& when) {
  if (when.utcOffsetMinutes < -kLargestUtcOffsetMinutes || when.utcOffsetMinutes > kLargestUtcOffsetMinutes) {
    return false;
  }
  if (when.secondsSinceEpoch < kEarliestSecond || when.secondsSinceEpoch > kLatestSecond) return false;
  const std::int64_t local = when.secondsSinceEpoch + std::int64_t{when.utcOffsetMinutes} * 60;
  return local >= kEarliestSecond && local <= kLatestSecond;
}

std::optional<DateTime> ParseIsoDateTime(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS followed by Z or +HH:MM / -HH:MM
  if (text.size() < 20) return std::nullopt;
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2);
  const auto minute = Digits(text, 14, 2);
  const auto second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month))
    return std::nullopt;
  if (*hour > 23 || *minute > 59 || *second > 59) return std::nullopt;

  int offsetMinutes = 0;
  const std::string_view zone = text.substr(19);
  if (zone != "Z") {
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return std::nullopt;
    const auto offsetHours = Digits(zone, 1, 2);
    const auto offsetRest = Digits(zone, 4, 2);
    if (!offsetHours || !offsetRest || *offsetHours > 23 || *offsetRest > 59) return std::nullopt;
    offsetMinutes = static_cast<int>(*offsetHours * 60 + *offsetRest) * (zone[0] == '-' ? -1 : 1);
  }

  const std::int64_t localSeconds = DaysFromCivil(*year, *month, *day) * kSecondsPerDay +
                                    std::int64_t{*hour} * 3600 + std::int64_t{*minute} * 60 + *second;
  const DateTime when{localSeconds - std::int64_t{offsetMinutes} * 60, offsetMinutes};
  if (!IsStorableDateTime(when)) return std::nullopt;
  return when;
}

std::string FormatIsoDateTime(const DateTime& when) {
  const std::int64_t local = when.secondsSinceEpoch + std::int64_t{when.utcOffsetMinutes} * 60;
  std::int64_t days = local / kSecondsPerDay;
  std::int64_t secondOfDay = local % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --days;
  }
  const CivilDate date = CivilFromDays(days);
  const int offset = std::abs(when.utcOffsetMinutes);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02lld:%02lld:%02lld%c%02d:%02d",
                static_cast<long long>(date.year), date.month, date.day,
                static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                static_cast<long long>(secondOfDay % 60), when.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return buffer;
}

}  // namespace mailshift::standin
