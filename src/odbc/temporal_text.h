#pragma once
// Dates, times and time stamps as drivers write them in text. Read as text
// rather than as ODBC structures, they keep what the structures lose: the
// fraction of a second of a time, the engine's own digits of a fraction, a
// time outside the day that a driver would wrap or refuse without saying
// which value, and a date a driver could not parse (psqlODBC turns the
// year 10000 into "1000-00-00").
#include <string_view>

#include "platform/value.h"

namespace tallyvane::odbc {

// Parses "YYYY-MM-DD", "hh:mm[:ss[.fffffffff]]" or both, separated by a blank
// or "T", with an optional zone ("Z", "+02", "-05:30") that is dropped.
// A date column's value may carry a time and a time column's value a date:
// the part the kind wants is taken. True when the text holds a valid date,
// a valid time of day, or both, as kind asks.
bool ParseTemporalText(Value::Kind kind, std::string_view text, DateTime* out);

}  // namespace tallyvane::odbc
