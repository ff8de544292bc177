#include "common/LocalTimeWindows.h"

#include <windows.h>

namespace mailshift::windows {
namespace {

// Seconds from 1601-01-01 (the FILETIME origin) to 1970-01-01.
constexpr std::int64_t kFileTimeEpochOffset = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

CivilTime FromSystemTime(const SYSTEMTIME& time) {
  return CivilTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

bool InRange(const CivilTime& civil) { return civil.year >= kFirstYear && civil.year <= kLastYear; }

}  // namespace

SYSTEMTIME ToSystemTime(const CivilTime& civil) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(civil.year);
  time.wMonth = static_cast<WORD>(civil.month);
  time.wDay = static_cast<WORD>(civil.day);
  time.wHour = static_cast<WORD>(civil.hour);
  time.wMinute = static_cast<WORD>(civil.minute);
  time.wSecond = static_cast<WORD>(civil.second);
  return time;
}

std::int64_t DaysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days_from_civil.
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CivilTime CivilFromSeconds(std::int64_t secondsSinceEpoch) {
  const std::int64_t days = FloorDiv(secondsSinceEpoch, 86400);
  const std::int64_t secondOfDay = secondsSinceEpoch - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  CivilTime civil;
  civil.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  civil.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  civil.year = static_cast<int>(yearOfEra + era * 400 + (civil.month <= 2 ? 1 : 0));
  civil.hour = static_cast<int>(secondOfDay / 3600);
  civil.minute = static_cast<int>(secondOfDay / 60 % 60);
  civil.second = static_cast<int>(secondOfDay % 60);
  return civil;
}

std::int64_t SecondsFromCivil(const CivilTime& civil) {
  return DaysFromCivil(civil.year, civil.month, civil.day) * 86400 + civil.hour * 3600 + civil.minute * 60 +
         civil.second;
}

std::optional<CivilTime> ToLocalCivilTime(std::int64_t secondsSinceEpoch, std::int32_t* utcOffsetMinutes) {
  const CivilTime utc = CivilFromSeconds(secondsSinceEpoch);
  if (!InRange(utc)) return std::nullopt;
  const SYSTEMTIME utcTime = ToSystemTime(utc);
  SYSTEMTIME localTime{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &localTime)) return std::nullopt;
  const CivilTime local = FromSystemTime(localTime);
  if (utcOffsetMinutes != nullptr) {
    *utcOffsetMinutes = static_cast<std::int32_t>((SecondsFromCivil(local) - secondsSinceEpoch) / 60);
  }
  return local;
}

std::optional<DateTime> FromLocalCivilTime(const CivilTime& local) {
  if (!InRange(local)) return std::nullopt;
  const SYSTEMTIME localTime = ToSystemTime(local);
  SYSTEMTIME utcTime{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utcTime)) return std::nullopt;
  const std::int64_t instant = SecondsFromCivil(FromSystemTime(utcTime));
  return DateTime{instant, static_cast<std::int32_t>((SecondsFromCivil(local) - instant) / 60)};
}

DateTime CurrentLocalTime() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  const std::int64_t seconds = ticks / kTicksPerSecond - kFileTimeEpochOffset;
  std::int32_t offset = 0;
  ToLocalCivilTime(seconds, &offset);
  return DateTime{seconds, offset};
}

}  // namespace mailshift::windows
