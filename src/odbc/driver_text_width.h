#pragma once
// Whether a connected driver takes text as UTF-16 or only as bytes.
#include <sql.h>

namespace tallyvane::odbc {

// True when the connection's driver has no UTF-16 entry points (an ANSI
// driver such as psqlODBC's "PostgreSQL ANSI"). The driver manager then
// converts UTF-16 statement text to the process's locale, which mangles
// every non-ASCII letter, and the driver may refuse UTF-16 values
// altogether: such a driver gets its statements as UTF-8 bytes and gives
// its text as bytes. Decided as the driver manager decides it, by the
// entry points of the loaded driver library.
bool DriverTakesNarrowText(SQLHDBC connection);

}  // namespace tallyvane::odbc
