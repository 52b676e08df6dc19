#include "sqlite_data_source.h"

#include <dlfcn.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace tallyvane::test {

SqliteDataSource& SqliteDataSource::Instance() {
  static SqliteDataSource source;
  return source;
}

SqliteDataSource::SqliteDataSource() {
  database_ = dir_.File("test.db");
  odbc_ini_ =
      dir_.Write("odbc.ini", std::string("[") + kName + "]\nDriver=SQLite3\nDatabase=" + database_ + "\nNoCreat=1\n");
  setenv("ODBCINI", odbc_ini_.c_str(), 1);
  // The driver manager unloads a driver when its last connection closes;
  // what the driver leaked then has no module name, and LeakSanitizer
  // cannot match it against the suppressions. Holding each driver loaded
  // keeps the names.
  for (const char* name : {"libsqlite3odbc.so", "psqlodbcw.so"}) {
    for (const char* folder : {"", "/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/odbc/", "/usr/local/lib/"}) {
      if (dlopen((std::string(folder) + name).c_str(), RTLD_NOW | RTLD_GLOBAL)) break;
    }
  }
  Reset("");
}

void SqliteDataSource::Reset(const std::string& sql_script) {
  std::filesystem::remove(database_);
  sqlite3* db = nullptr;
  if (sqlite3_open(database_.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create the test database");
  }
  char* message = nullptr;
  const int result = sqlite3_exec(db, sql_script.c_str(), nullptr, nullptr, &message);
  const std::string error = message != nullptr ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (result != SQLITE_OK) throw std::runtime_error("test database script failed: " + error);
}

}  // namespace tallyvane::test
