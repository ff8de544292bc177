// The Windows form of the date text: the user's regional short date (widened to a four-digit
// year) and long time, read from and written in the pictures of the national language support.
#include <windows.h>

#include <array>
#include <cwctype>
#include <vector>

#include "common/DateText.h"
#include "common/LocalTimeWindows.h"
#include "common/WideText.h"

namespace mailshift {
namespace {

struct LocaleData {
  std::wstring name;  // empty for the invariant locale
  std::wstring datePicture;
  std::wstring timePicture;
  std::array<std::vector<std::wstring>, 12> monthNames;  // full, abbreviated and genitive forms
  std::vector<std::wstring> dayNames;
  std::wstring am;
  std::wstring pm;
};

using windows::CivilTime;
using windows::ToSystemTime;

const wchar_t* LocaleName(const std::wstring& name) {
  return name.empty() ? LOCALE_NAME_INVARIANT : name.c_str();
}

std::wstring LocaleText(const std::wstring& name, LCTYPE type) {
  std::array<wchar_t, 128> buffer{};
  const int length = GetLocaleInfoEx(LocaleName(name), type, buffer.data(), static_cast<int>(buffer.size()));
  return length > 0 ? std::wstring(buffer.data(), static_cast<std::size_t>(length - 1)) : std::wstring();
}

// Every run of "y" outside quoted text becomes "yyyy".
std::wstring FourDigitYear(const std::wstring& picture) {
  std::wstring widened;
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const wchar_t c = picture[i];
    if (c == L'\'') quoted = !quoted;
    if (quoted || c != L'y') {
      widened += c;
      continue;
    }
    while (i + 1 < picture.size() && picture[i + 1] == L'y') ++i;
    widened += L"yyyy";
  }
  return widened;
}

LocaleData LoadLocale(const std::wstring& name) {
  LocaleData data;
  LocaleData* locale = &data;
  locale->name = name;
  locale->datePicture = FourDigitYear(LocaleText(name, LOCALE_SSHORTDATE));
  locale->timePicture = LocaleText(name, LOCALE_STIMEFORMAT);
  if (locale->datePicture.empty()) locale->datePicture = L"MM/dd/yyyy";
  if (locale->timePicture.empty()) locale->timePicture = L"HH:mm:ss";
  for (int month = 0; month < 12; ++month) {
    auto& names = locale->monthNames[static_cast<std::size_t>(month)];
    const auto offset = static_cast<LCTYPE>(month);
    names.push_back(LocaleText(name, LOCALE_SMONTHNAME1 + offset));
    names.push_back(LocaleText(name, LOCALE_SABBREVMONTHNAME1 + offset));
    names.push_back(LocaleText(name, (LOCALE_SMONTHNAME1 + offset) | LOCALE_RETURN_GENITIVE_NAMES));
    names.push_back(LocaleText(name, (LOCALE_SABBREVMONTHNAME1 + offset) | LOCALE_RETURN_GENITIVE_NAMES));
  }
  for (int day = 0; day < 7; ++day) {
    locale->dayNames.push_back(LocaleText(name, LOCALE_SDAYNAME1 + static_cast<LCTYPE>(day)));
    locale->dayNames.push_back(LocaleText(name, LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(day)));
  }
  locale->am = LocaleText(name, LOCALE_S1159);
  locale->pm = LocaleText(name, LOCALE_S2359);
  return data;
}

// Reads a text written in a date or time picture.
class PictureReader {
 public:
  PictureReader(const LocaleData& locale, std::wstring_view text) : locale_(locale), text_(text) {}

  bool Read(std::wstring_view picture) {
    for (std::size_t i = 0; i < picture.size();) {
      const wchar_t c = picture[i];
      if (c == L'\'') {
        const std::size_t end = picture.find(L'\'', i + 1);
        const std::size_t stop = end == std::wstring_view::npos ? picture.size() : end;
        if (!Literal(picture.substr(i + 1, stop - i - 1))) return false;
        i = stop + 1;
        continue;
      }
      std::size_t run = 1;
      while (i + run < picture.size() && picture[i + run] == c) ++run;
      if (!Field(c, run)) return false;
      i += run;
    }
    return true;
  }

  bool AtEnd() const { return position_ == text_.size(); }

  std::optional<CivilTime> Result() const {
    CivilTime civil;
    civil.year = year_;
    civil.month = month_;
    civil.day = day_;
    civil.hour = hour_;
    if (twelveHour_) {
      if (hour_ < 1 || hour_ > 12) return std::nullopt;
      civil.hour = hour_ % 12 + (afternoon_ ? 12 : 0);
    }
    civil.minute = minute_;
    civil.second = second_;
    if (civil.month < 1 || civil.month > 12 || civil.day < 1 || civil.hour > 23 || civil.minute > 59 ||
        civil.second > 59) {
      return std::nullopt;
    }
    const int nextMonth = civil.month == 12 ? 1 : civil.month + 1;
    const int nextYear = civil.month == 12 ? civil.year + 1 : civil.year;
    const auto daysInMonth =
        windows::DaysFromCivil(nextYear, nextMonth, 1) - windows::DaysFromCivil(civil.year, civil.month, 1);
    if (civil.day > daysInMonth) return std::nullopt;
    return civil;
  }

 private:
  bool Field(wchar_t c, std::size_t run) {
    switch (c) {
      case L'd':
        return run <= 2 ? Number(1, 2, day_) : Name(locale_.dayNames, nullptr);
      case L'M':
        return run <= 2 ? Number(1, 2, month_) : MonthName();
      case L'y':
        return Number(4, 4, year_);
      case L'h':
        twelveHour_ = true;
        return Number(1, 2, hour_);
      case L'H':
        return Number(1, 2, hour_);
      case L'm':
        return Number(1, 2, minute_);
      case L's':
        return Number(1, 2, second_);
      case L't':
        return Designator(run);
      case L'g':
        return true;  // era names are not written by this program's forms
      default:
        return Literal(std::wstring_view(&c, 1));
    }
  }

  bool Number(std::size_t least, std::size_t most, int& value) {
    std::size_t digits = 0;
    int number = 0;
    while (position_ < text_.size() && digits < most && text_[position_] >= L'0' &&
           text_[position_] <= L'9') {
      number = number * 10 + (text_[position_] - L'0');
      ++position_;
      ++digits;
    }
    value = number;
    return digits >= least;
  }

  bool Literal(std::wstring_view literal) {
    if (text_.substr(position_, literal.size()) != literal) return false;
    position_ += literal.size();
    return true;
  }

  bool StartsWithIgnoringCase(const std::wstring& word) const {
    if (word.empty() || text_.size() - position_ < word.size()) return false;
    return CompareStringEx(LocaleName(locale_.name), NORM_IGNORECASE, text_.data() + position_,
                           static_cast<int>(word.size()), word.data(), static_cast<int>(word.size()), nullptr,
                           nullptr, 0) == CSTR_EQUAL;
  }

  // Takes the longest name of the list that the text continues with.
  bool Name(const std::vector<std::wstring>& names, std::size_t* index) {
    std::size_t best = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (StartsWithIgnoringCase(names[i]) &&
          (best == names.size() || names[i].size() > names[best].size())) {
        best = i;
      }
    }
    if (best == names.size()) return false;
    position_ += names[best].size();
    if (index != nullptr) *index = best;
    return true;
  }

  bool MonthName() {
    std::vector<std::wstring> names;
    for (const auto& forms : locale_.monthNames) names.insert(names.end(), forms.begin(), forms.end());
    std::size_t index = 0;
    if (!Name(names, &index)) return false;
    month_ = static_cast<int>(index / locale_.monthNames[0].size()) + 1;
    return true;
  }

  bool Designator(std::size_t run) {
    auto shortened = [run](const std::wstring& designator) {
      return run == 1 ? designator.substr(0, 1) : designator;
    };
    const std::vector<std::wstring> designators{shortened(locale_.am), shortened(locale_.pm)};
    if (designators[0].empty() && designators[1].empty()) return true;
    std::size_t index = 0;
    if (!Name(designators, &index)) return false;
    afternoon_ = index == 1;
    return true;
  }

  const LocaleData& locale_;
  std::wstring_view text_;
  std::size_t position_ = 0;
  int year_ = 0;
  int month_ = 0;
  int day_ = 0;
  int hour_ = 0;
  int minute_ = 0;
  int second_ = 0;
  bool twelveHour_ = false;
  bool afternoon_ = false;
};

std::optional<CivilTime> ReadCivil(const LocaleData& locale, std::wstring_view text,
                                   const std::wstring& picture) {
  PictureReader reader(locale, text);
  if (!reader.Read(picture) || !reader.AtEnd()) return std::nullopt;
  return reader.Result();
}

std::wstring_view TrimSpaces(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

struct RegionalDateForm::Locale : LocaleData {
  explicit Locale(LocaleData data) : LocaleData(std::move(data)) {}
};

RegionalDateForm::RegionalDateForm(std::shared_ptr<Locale> locale)
    : locale_(std::move(locale)),
      datePattern_(WideToUtf8(locale_->datePicture)),
      timePattern_(WideToUtf8(locale_->timePicture)) {}

const RegionalDateForm& RegionalDateForm::System() {
  static const RegionalDateForm form = [] {
    std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> name{};
    const int length = GetUserDefaultLocaleName(name.data(), static_cast<int>(name.size()));
    return RegionalDateForm(
        std::make_shared<Locale>(LoadLocale(length > 0 ? std::wstring(name.data()) : std::wstring())));
  }();
  return form;
}

std::optional<RegionalDateForm> RegionalDateForm::ForLocale(const std::string& localeName) {
  // Accepts Windows names ("de-DE") and the POSIX spelling of the same ("de_DE.UTF-8", "C").
  if (localeName == "C" || localeName == "POSIX")
    return RegionalDateForm(std::make_shared<Locale>(LoadLocale(std::wstring())));
  std::string name = localeName.substr(0, localeName.find_first_of(".@"));
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  const std::wstring wide = Utf8ToWide(name);
  if (wide.empty() || !IsValidLocaleName(wide.c_str())) return std::nullopt;
  return RegionalDateForm(std::make_shared<Locale>(LoadLocale(wide)));
}

std::string RegionalDateForm::Format(const DateTime& when) const {
  const auto local = windows::ToLocalCivilTime(when.secondsSinceEpoch);
  if (!local) return {};
  const SYSTEMTIME time = ToSystemTime(*local);
  std::array<wchar_t, 128> buffer{};
  const wchar_t* name = LocaleName(locale_->name);
  int length = GetDateFormatEx(name, 0, &time, locale_->datePicture.c_str(), buffer.data(),
                               static_cast<int>(buffer.size()), nullptr);
  if (length <= 0) return {};
  std::wstring text(buffer.data());
  if (local->hour != 0 || local->minute != 0 || local->second != 0) {
    length = GetTimeFormatEx(name, 0, &time, locale_->timePicture.c_str(), buffer.data(),
                             static_cast<int>(buffer.size()));
    if (length <= 0) return {};
    text += L' ';
    text += buffer.data();
  }
  return WideToUtf8(text);
}

std::optional<DateTime> RegionalDateForm::Parse(std::string_view text) const {
  const std::wstring wide = Utf8ToWide(text);
  const std::wstring_view trimmed = TrimSpaces(wide);
  auto civil = ReadCivil(*locale_, trimmed, locale_->datePicture + L' ' + locale_->timePicture);
  if (!civil) civil = ReadCivil(*locale_, trimmed, locale_->datePicture);
  if (!civil) return std::nullopt;
  return windows::FromLocalCivilTime(*civil);
}

std::string DateText(const DateTime& when) { return RegionalDateForm::System().Format(when); }

std::optional<DateTime> ParseDateText(std::string_view text) {
  return RegionalDateForm::System().Parse(text);
}

DateTime StartOfLocalDay(const DateTime& when) {
  auto local = windows::ToLocalCivilTime(when.secondsSinceEpoch);
  if (!local) return when;
  local->hour = 0;
  local->minute = 0;
  local->second = 0;
  return windows::FromLocalCivilTime(*local).value_or(when);
}

DateTime Now() { return windows::CurrentLocalTime(); }

}  // namespace mailshift
