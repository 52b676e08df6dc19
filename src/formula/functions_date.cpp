// DATE, YEAR, MONTH and DAY in both date systems. Before 1900-03-01 the
// 1900 system counts a 29 February that never was, and spreadsheets differ
// there, so such dates are not certain.
#include <cmath>

#include "formula/function_table.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }

long long DaysFromCivil(long long y, long long m, long long d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int* year, int* month, int* day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

// Days from 1970-01-01 of serial 0 of the date system (for the 1900 system
// valid from serial 61 on).
long long Epoch(bool date1904) { return date1904 ? DaysFromCivil(1904, 1, 1) : DaysFromCivil(1899, 12, 30); }

constexpr double kLastSerial1900 = 2958465;  // 9999-12-31

Operand Date(Evaluation& ev, const FunctionArgs& args) {
  double part[3];
  for (int i = 0; i < 3; ++i) {
    FormulaValue v = ev.Number(*args[static_cast<size_t>(i)]);
    if (v.IsError()) return Operand::Of(v);
    part[i] = std::trunc(v.number);
  }
  // Two-digit years, months and days out of their range are read by
  // rules that differ between spreadsheets.
  if (part[0] < 1900 || part[0] > 9999 || part[1] < 1 || part[1] > 12 || part[2] < 1 || part[2] > 31) {
    ev.Uncertain();
    return Error(ErrorCode::Num);
  }
  long long days = DaysFromCivil(static_cast<long long>(part[0]), static_cast<long long>(part[1]), 1) +
                   static_cast<long long>(part[2]) - 1;
  double serial = static_cast<double>(days - Epoch(ev.Date1904()));
  if (!ev.Date1904() && serial < 61) {
    ev.Uncertain();
    --serial;  // before the phantom 29 February
  }
  // Dates before the first day of the system are refused by one
  // spreadsheet and counted backwards by another.
  if (serial < 0 || serial > kLastSerial1900) {
    ev.Uncertain();
    return Error(ErrorCode::Num);
  }
  return Operand::Of(FormulaValue::Number(serial));
}

Operand DatePart(Evaluation& ev, const FunctionArgs& args, int which) {
  FormulaValue v = ev.Number(*args[0]);
  if (v.IsError()) return Operand::Of(v);
  double serial = std::floor(v.number);
  if (serial != std::floor(ApproxValue(v.number))) ev.Uncertain();
  const double last = ev.Date1904() ? kLastSerial1900 - 1462 : kLastSerial1900;
  if (serial < 0 || serial > last) {
    ev.Uncertain();
    return Error(ErrorCode::Num);
  }
  if (!ev.Date1904() && serial < 61) ev.Uncertain();
  int year = 0, month = 0, day = 0;
  if (!ev.Date1904() && serial == 60) {
    year = 1900, month = 2, day = 29;
  } else {
    const double shift = !ev.Date1904() && serial < 60 ? 1 : 0;
    CivilFromDays(static_cast<long long>(serial + shift) + Epoch(ev.Date1904()), &year, &month, &day);
  }
  return Operand::Of(FormulaValue::Number(which == 0 ? year : which == 1 ? month : day));
}

Operand Year(Evaluation& ev, const FunctionArgs& args) { return DatePart(ev, args, 0); }
Operand Month(Evaluation& ev, const FunctionArgs& args) { return DatePart(ev, args, 1); }
Operand Day(Evaluation& ev, const FunctionArgs& args) { return DatePart(ev, args, 2); }

}  // namespace

const FunctionEntry kDateFunctions[] = {
    {"DATE", Date, 3, 3}, {"YEAR", Year, 1, 1}, {"MONTH", Month, 1, 1}, {"DAY", Day, 1, 1}, {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
