// Local wall-clock time of this Windows machine, by its time-zone settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "common/DateTime.h"

namespace mailshift::windows {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// The civil time as a Windows SYSTEMTIME (milliseconds and weekday zero).
SYSTEMTIME ToSystemTime(const CivilTime& civil);

// Whole days from 1970-01-01 to the given day of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
CivilTime CivilFromSeconds(std::int64_t secondsSinceEpoch);
std::int64_t SecondsFromCivil(const CivilTime& civil);

// The wall-clock time this machine shows at the instant, with the instant and its UTC offset.
// Nothing outside the years 1601 to 30827.
std::optional<CivilTime> ToLocalCivilTime(std::int64_t secondsSinceEpoch,
                                          std::int32_t* utcOffsetMinutes = nullptr);

// The instant at which this machine shows the wall-clock time, with that time's UTC offset.
// A time that occurs twice (when the clock goes back) gives one of them. Nothing outside the
// years 1601 to 30827.
std::optional<DateTime> FromLocalCivilTime(const CivilTime& local);

// The current instant with this machine's offset.
DateTime CurrentLocalTime();

}  // namespace mailshift::windows
