#include "odbc/temporal_text.h"

namespace tallyvane::odbc {
namespace {

// Reads 1 to max_digits digits (all that follow when max_digits is 0).
bool ReadNumber(std::string_view text, std::size_t* at, std::size_t min_digits, std::size_t max_digits, int* value) {
  std::size_t digits = 0;
  long number = 0;
  while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9' && (max_digits == 0 || digits < max_digits)) {
    if (number > 99999999) return false;
    number = number * 10 + (text[*at] - '0');
    ++*at;
    ++digits;
  }
  *value = static_cast<int>(number);
  return digits >= min_digits && digits > 0;
}

bool Expect(std::string_view text, std::size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

bool ValidDate(const DateTime& d) {
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > kDays[d.month - 1]) return false;
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.month != 2 || d.day < 29 || leap;
}

bool ReadDate(std::string_view text, std::size_t* at, DateTime* out) {
  return ReadNumber(text, at, 4, 0, &out->year) && Expect(text, at, '-') && ReadNumber(text, at, 1, 2, &out->month) &&
         Expect(text, at, '-') && ReadNumber(text, at, 1, 2, &out->day) && ValidDate(*out);
}

bool ReadTime(std::string_view text, std::size_t* at, DateTime* out) {
  if (!ReadNumber(text, at, 1, 2, &out->hour) || !Expect(text, at, ':') || !ReadNumber(text, at, 2, 2, &out->minute)) {
    return false;
  }
  // Seconds may be left out (SQLite holds whatever text it was given).
  out->second = 0;
  if (*at < text.size() && text[*at] == ':') {
    ++*at;
    if (!ReadNumber(text, at, 2, 2, &out->second)) return false;
  }
  out->nanosecond = 0;
  out->fraction_digits = 0;
  if (*at < text.size() && text[*at] == '.') {
    ++*at;
    std::uint32_t scale = 100000000;
    for (; *at < text.size() && text[*at] >= '0' && text[*at] <= '9'; ++*at) {
      // Digits beyond nanoseconds are dropped.
      if (out->fraction_digits == 9) continue;
      out->nanosecond += static_cast<std::uint32_t>(text[*at] - '0') * scale;
      scale /= 10;
      ++out->fraction_digits;
    }
    if (out->fraction_digits == 0) return false;
  }
  return out->hour <= 23 && out->minute <= 59 && out->second <= 59;
}

// "Z", "+hh", "+hhmm", "+hh:mm" or the same with "-", then nothing.
bool ReadZoneAndEnd(std::string_view text, std::size_t at) {
  if (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && text[at] == 'Z') return at + 1 == text.size();
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    ++at;
    int zone = 0;
    if (!ReadNumber(text, &at, 2, 2, &zone)) return false;
    if (at < text.size() && text[at] == ':') ++at;
    if (at < text.size() && !ReadNumber(text, &at, 2, 2, &zone)) return false;
  }
  return at == text.size();
}

}  // namespace

bool ParseTemporalText(Value::Kind kind, std::string_view text, DateTime* out) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  DateTime parsed;
  std::size_t at = 0;
  // A time alone has its colon within the first three characters.
  const std::size_t colon = text.find(':');
  const bool time_only = colon != std::string_view::npos && colon <= 2;
  if (!time_only) {
    if (!ReadDate(text, &at, &parsed)) return false;
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
      ++at;
      if (!ReadTime(text, &at, &parsed)) return false;
    } else if (kind == Value::Kind::Time) {
      return false;
    }
  } else {
    if (kind != Value::Kind::Time || !ReadTime(text, &at, &parsed)) return false;
  }
  if (!ReadZoneAndEnd(text, at)) return false;
  if (kind == Value::Kind::Date) {
    parsed.hour = parsed.minute = parsed.second = 0;
    parsed.nanosecond = 0;
    parsed.fraction_digits = 0;
  } else if (kind == Value::Kind::Time) {
    parsed.year = parsed.month = parsed.day = 0;
  }
  *out = parsed;
  return true;
}

}  // namespace tallyvane::odbc
