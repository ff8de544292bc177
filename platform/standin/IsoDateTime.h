// Date-times as ISO 8601 text with a UTC offset, as the store fixtures write them:
// "2008-11-05T14:30:00-05:00" (or "Z" for UTC). Whole seconds, years 0001 to 9999.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace mailshift::standin {

std::optional<DateTime> ParseIsoDateTime(std::string_view text);
// The clock time of the recorded offset, with that offset: "2008-11-05T14:30:00-05:00".
std::string FormatIsoDateTime(const DateTime& when);

// Offsets beyond a day are not clocks anywhere.
inline constexpr int kLargestUtcOffsetMinutes = 24 * 60 - 1;

// True for the date-times a store holds: years 0001 to 9999 (in UTC and on the recorded clock)
// and an offset of less than a day either way.
bool IsStorableDateTime(const DateTime& when);

}  // namespace mailshift::standin
