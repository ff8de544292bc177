// Date-times as text in the system's regional form, and back.
//
// The form is the regional short date with a four-digit year, a space and the regional long
// time; the time is left out when it is exactly midnight. The text is local time of this
// machine. Reading a text back gives the same instant, to the second.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace mailshift {

class RegionalDateForm {
 public:
  // The form of the regional settings of this process (LC_ALL, LC_TIME, LANG; "C" when unset
  // or when the named locale is not installed).
  static const RegionalDateForm& System();
  // The form of a named locale, or nothing when that locale is not installed.
  static std::optional<RegionalDateForm> ForLocale(const std::string& localeName);

  std::string Format(const DateTime& when) const;
  std::optional<DateTime> Parse(std::string_view text) const;

  const std::string& datePattern() const { return datePattern_; }
  const std::string& timePattern() const { return timePattern_; }

 private:
  struct Locale;
  explicit RegionalDateForm(std::shared_ptr<Locale> locale);

  std::shared_ptr<Locale> locale_;
  std::string datePattern_;
  std::string timePattern_;
};

// The two functions every part of the program uses, in the system's form.
std::string DateText(const DateTime& when);
std::optional<DateTime> ParseDateText(std::string_view text);

// Midnight, local time, of the day that holds the given instant.
DateTime StartOfLocalDay(const DateTime& when);
// The current instant.
DateTime Now();

}  // namespace mailshift
