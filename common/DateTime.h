// A point in time as Notes items and messages carry it.
#pragma once

#include <cstdint>

namespace mailshift {

struct DateTime {
  std::int64_t secondsSinceEpoch = 0;  // the instant, UTC
  std::int32_t utcOffsetMinutes = 0;   // the offset of the clock it was recorded by
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace mailshift
