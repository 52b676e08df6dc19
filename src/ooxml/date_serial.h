#pragma once
// Dates and times as the serial numbers a workbook stores: days since the
// epoch of its date system (1900 with its phantom 29 February, or 1904),
// with the time as the fraction of a day.
#include "platform/value.h"

namespace tallyvane::ooxml {

// False when the date lies before the date system's first day or is not a
// valid calendar date.
bool DateSerial(int year, int month, int day, bool date1904, double* serial);
double TimeFraction(int hour, int minute, int second, unsigned nanosecond);

}  // namespace tallyvane::ooxml
