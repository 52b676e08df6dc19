#pragma once
// Keeps the ODBC drivers loaded for the life of a test process.

namespace tallyvane::test {

// The driver manager unloads a driver when its last connection closes;
// what the driver leaked then has no module name, and LeakSanitizer cannot
// match it against the suppressions. Holding each driver loaded keeps the
// names. Call before the first connection.
void KeepOdbcDriversLoaded();

}  // namespace tallyvane::test
