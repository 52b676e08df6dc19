#pragma once
// The data sources the ODBC tests run against (the shared SQLite data
// source, a SQLite name whose file does not exist, throwaway PostgreSQL
// and MariaDB servers) and the checks the tests share.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/database.h"

namespace tallyvane::testing {

// A data source a test connects to and the credentials it takes.
struct Backend {
  std::string data_source;
  std::string user;
  std::string password;
};

// The SQLite DSN whose database file does not exist (NoCreat=1).
inline constexpr const char* kSqliteNoFileDsn = "tallyvane_sqlite_nofile";

// A fresh, empty SQLite database behind the SQLite DSN.
Backend FreshSqliteDatabase();
// The file behind kSqliteNoFileDsn.
std::string MissingSqliteFile();

// Starts the PostgreSQL server on first use; then a fresh database owned
// by a user whose password holds a semicolon, braces and blanks. Without
// a server the test is skipped (no server binaries) or fails.
void PreparePostgres(Backend* backend);
// The same database through psqlODBC's ANSI driver.
void PreparePostgresAnsi(Backend* backend);
// Starts the MariaDB server on first use (a private data folder and socket,
// no system service); then a fresh utf8mb4 database for a user whose
// password holds a semicolon, braces and blanks. Skipped without its
// binaries.
void PrepareMaria(Backend* backend);

// A connected connection; throws PlatformError when that fails.
std::shared_ptr<DatabaseConnection> Connect(const Backend& backend);

// Every part of the value, the unused ones too: a value made for one kind
// carries nothing from another.
::testing::AssertionResult SameValue(const Value& actual, const Value& expected);

// The description of the PlatformError that call throws; a test failure
// and "" when it throws none.
std::string ErrorOf(const std::function<void()>& call);

}  // namespace tallyvane::testing
