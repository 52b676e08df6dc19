#include "ooxml/date_serial.h"

#include <algorithm>

namespace tallyvane::ooxml {
namespace {

constexpr double kLastMillisecondOfDay = 86399.999;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool ValidDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  int max = kDays[m - 1] + (m == 2 && leap ? 1 : 0);
  return d <= max;
}

}  // namespace

bool DateSerial(int year, int month, int day, bool date1904, double* serial) {
  if (!ValidDate(year, month, day)) return false;
  long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  if (date1904) {
    long long s = days - DaysFromCivil(1904, 1, 1);
    if (s < 0) return false;
    *serial = static_cast<double>(s);
    return true;
  }
  // Serial 1 is 1900-01-01 and serial 60 the phantom 1900-02-29, so from
  // 1900-03-01 on the epoch is effectively 1899-12-30.
  long long s = days - DaysFromCivil(1899, 12, 31);
  if (s < 1) return false;
  if (s >= 60) ++s;
  *serial = static_cast<double>(s);
  return true;
}

double TimeFraction(int hour, int minute, int second, unsigned nanosecond) {
  // Readers show times to the millisecond, rounded: the last half
  // millisecond of a day would read as midnight of the next one, and on
  // 9999-12-31 as a day past the last a workbook can hold. A time stays
  // within its own day, at 23:59:59.999 at most.
  double seconds = hour * 3600.0 + minute * 60.0 + second + nanosecond / 1e9;
  return std::min(seconds, kLastMillisecondOfDay) / 86400.0;
}

}  // namespace tallyvane::ooxml
