#pragma once
// The data sources the ODBC tests run against: a temporary odbc.ini that
// names a fresh SQLite database per test and a throwaway PostgreSQL server.
#include <memory>
#include <string>

#include "platform/database.h"

namespace tallyvane::testing {

// A data source a test connects to and the credentials it takes.
struct Backend {
  std::string name;  // "SQLite" or "PostgreSQL"
  std::string data_source;
  std::string user;
  std::string password;
};

// The DSN that no odbc.ini names; the SQLite DSN whose database file does
// not exist (NoCreat=1); the SQLite database under a name longer than ODBC
// allows.
inline constexpr const char* kMissingDataSource = "tallyvane_missing_dsn";
inline constexpr const char* kSqliteNoFileDsn = "tallyvane_sqlite_nofile";
inline constexpr const char* kSqliteLongDsn = "tallyvane_sqlite_under_a_name_of_over_32_characters";

// Called before the first ODBC call of the process: unixODBC reads
// ODBCINI once.
void InstallOdbcIni();

// A fresh, empty SQLite database behind the SQLite DSN.
Backend FreshSqliteDatabase();
// The file behind kSqliteNoFileDsn.
std::string MissingSqliteFile();

// Whether the server is available; if not, why, and whether that is a
// reason to skip (its binaries are absent) rather than to fail.
struct PostgresStatus {
  bool available = false;
  bool skip = false;
  std::string reason;
};
// Starts the server on first use; then a fresh database owned by a user
// whose password holds a semicolon, braces and blanks.
PostgresStatus PreparePostgres(Backend* backend);
void StopPostgres();

// A connected connection; throws PlatformError when that fails.
std::shared_ptr<DatabaseConnection> Connect(const Backend& backend);

}  // namespace tallyvane::testing
