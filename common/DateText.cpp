#include "common/DateText.h"

#include <langinfo.h>
#include <locale.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstring>
#include <ctime>
#include <optional>

namespace mailshift {

struct RegionalDateForm::Locale {
  explicit Locale(locale_t owned) : handle(owned) {}
  ~Locale() { freelocale(handle); }
  Locale(const Locale&) = delete;
  Locale& operator=(const Locale&) = delete;
  locale_t handle;
};

namespace {

// The regional short date, widened to a four-digit year.
std::string FourDigitYear(std::string pattern) {
  for (std::size_t at = pattern.find("%y"); at != std::string::npos; at = pattern.find("%y", at)) {
    pattern[at + 1] = 'Y';
  }
  if (pattern.find("%D") != std::string::npos) {
    pattern.replace(pattern.find("%D"), 2, "%m/%d/%Y");
  }
  return pattern;
}

std::string LongTime(std::string pattern) {
  if (pattern.empty()) return "%H:%M:%S";
  if (pattern == "%r") return "%I:%M:%S %p";
  return pattern;
}

bool IsMidnight(const std::tm& local) { return local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0; }

std::string FormatTm(const std::string& pattern, const std::tm& local, locale_t locale) {
  std::array<char, 256> buffer{};
  const std::size_t length = strftime_l(buffer.data(), buffer.size(), pattern.c_str(), &local, locale);
  return std::string(buffer.data(), length);
}

// What mktime gives for local fields with tm_isdst -1, and the fields normalized as mktime leaves
// them. glibc's mktime looks at the system's time zone file again on every call, which an export
// would pay once per message; localtime_r reads it once.
std::time_t LocalSeconds(std::tm& local) {
  std::tm fields = local;
  fields.tm_isdst = 0;
  const std::time_t asUniversal = timegm(&fields);
  constexpr std::time_t kDay = 24 * 60 * 60;
  const auto offsetAt = [](std::time_t instant) -> std::optional<long> {
    std::tm at{};
    if (localtime_r(&instant, &at) == nullptr) return std::nullopt;
    return at.tm_gmtoff;
  };
  // The offsets a day before and a day after: the one or two the fields can be in.
  const std::optional<long> before = offsetAt(asUniversal - kDay);
  const std::optional<long> after = offsetAt(asUniversal + kDay);
  if (!before || !after) return -1;
  std::optional<std::time_t> instant;
  for (const long offset : {*before, *after}) {
    const std::time_t candidate = asUniversal - offset;
    // The earlier of two instants with these local fields, as mktime takes it.
    if (offsetAt(candidate) == offset && (!instant || candidate < *instant)) instant = candidate;
  }
  // Fields in the hour skipped by a change: read with the offset before it.
  if (!instant) instant = asUniversal - *before;
  if (localtime_r(&*instant, &local) == nullptr) return -1;
  return *instant;
}

// Parses the whole text (surrounding blanks allowed) with the pattern.
bool ParseWhole(const std::string& text, const std::string& pattern, locale_t locale, std::tm& out) {
  std::tm parsed{};
  const char* end = strptime_l(text.c_str(), pattern.c_str(), &parsed, locale);
  if (end == nullptr) return false;
  while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (*end != '\0') return false;
  out = parsed;
  return true;
}

}  // namespace

RegionalDateForm::RegionalDateForm(std::shared_ptr<Locale> locale)
    : locale_(std::move(locale)),
      datePattern_(FourDigitYear(nl_langinfo_l(D_FMT, locale_->handle))),
      timePattern_(LongTime(nl_langinfo_l(T_FMT, locale_->handle))) {}

const RegionalDateForm& RegionalDateForm::System() {
  static const RegionalDateForm form = [] {
    locale_t handle = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (handle == static_cast<locale_t>(nullptr)) {
      handle = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    return RegionalDateForm(std::make_shared<Locale>(handle));
  }();
  return form;
}

std::optional<RegionalDateForm> RegionalDateForm::ForLocale(const std::string& localeName) {
  locale_t handle = newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(nullptr));
  if (handle == static_cast<locale_t>(nullptr)) return std::nullopt;
  return RegionalDateForm(std::make_shared<Locale>(handle));
}

std::string RegionalDateForm::Format(const DateTime& when) const {
  const auto seconds = static_cast<std::time_t>(when.secondsSinceEpoch);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return {};
  std::string text = FormatTm(datePattern_, local, locale_->handle);
  if (!IsMidnight(local)) text += ' ' + FormatTm(timePattern_, local, locale_->handle);
  return text;
}

std::optional<DateTime> RegionalDateForm::Parse(std::string_view text) const {
  const std::string whole(text);
  std::tm local{};
  if (!ParseWhole(whole, datePattern_ + ' ' + timePattern_, locale_->handle, local) &&
      !ParseWhole(whole, datePattern_, locale_->handle, local)) {
    return std::nullopt;
  }
  const std::time_t seconds = LocalSeconds(local);
  return DateTime{static_cast<std::int64_t>(seconds), static_cast<std::int32_t>(local.tm_gmtoff / 60)};
}

std::string DateText(const DateTime& when) { return RegionalDateForm::System().Format(when); }

std::optional<DateTime> ParseDateText(std::string_view text) {
  return RegionalDateForm::System().Parse(text);
}

DateTime StartOfLocalDay(const DateTime& when) {
  const auto seconds = static_cast<std::time_t>(when.secondsSinceEpoch);
  std::tm local{};
  localtime_r(&seconds, &local);
  local.tm_hour = 0;
  local.tm_min = 0;
  local.tm_sec = 0;
  const std::time_t midnight = LocalSeconds(local);
  return DateTime{static_cast<std::int64_t>(midnight), static_cast<std::int32_t>(local.tm_gmtoff / 60)};
}

DateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  return DateTime{static_cast<std::int64_t>(seconds), static_cast<std::int32_t>(local.tm_gmtoff / 60)};
}

}  // namespace mailshift
