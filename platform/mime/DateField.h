// The Date field of a message (RFC 5322, 3.3).
#pragma once

#include <string>

#include "common/DateTime.h"

namespace mailshift::platform {

// Throws mail::EmailError when the date cannot stand in a Date field (years 1900 to 9999).
void CheckMessageDate(const DateTime& date);

// The date as "Wed, 05 Nov 2008 16:00:00 +0130": English names whatever the locale, the clock
// time of the date's own offset. An offset of a day or more belongs to no clock; the instant is
// then written in UTC.
std::string DateFieldValue(const DateTime& date);

}  // namespace mailshift::platform
