#pragma once
// An ODBC handle (environment, connection or statement) that frees itself.
#include <sql.h>

namespace tallyvane::odbc {

class OdbcHandle {
 public:
  OdbcHandle() = default;
  // Allocates a handle of the given type under parent (SQL_NULL_HANDLE for
  // an environment); throws PlatformError with the parent's diagnostics.
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  ~OdbcHandle();
  OdbcHandle(OdbcHandle&& other) noexcept;
  OdbcHandle& operator=(OdbcHandle&& other) noexcept;
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  void Reset();

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace tallyvane::odbc
