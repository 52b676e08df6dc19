#pragma once
// A SQLite database behind an ODBC data source name, for tests that run
// statements through the real driver manager and driver.
#include <string>

#include "temp_dir.h"

namespace tallyvane::test {

class SqliteDataSource {
 public:
  // The process's one data source. Its odbc.ini is installed through
  // ODBCINI on first use, before any ODBC call (unixODBC reads it once),
  // and the ODBC drivers are held loaded for the life of the process.
  static SqliteDataSource& Instance();

  static constexpr const char* kName = "TallyvaneTest";
  const std::string& odbc_ini() const { return odbc_ini_; }
  const std::string& database() const { return database_; }

  // Replaces the database by a fresh one made by the SQL script.
  void Reset(const std::string& sql_script);

 private:
  SqliteDataSource();
  TempDir dir_;
  std::string odbc_ini_;
  std::string database_;
};

}  // namespace tallyvane::test
