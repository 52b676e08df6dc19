#include "odbc/odbc_handle.h"

#include <utility>

#include "odbc/odbc_diagnostics.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HANDLE;
    if (parent == SQL_NULL_HANDLE) {
      throw PlatformError("cannot allocate the ODBC environment");
    }
    SQLSMALLINT parent_type = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
    ThrowOdbcError(rc, parent_type, parent, "SQLAllocHandle");
  }
}

OdbcHandle::~OdbcHandle() { Reset(); }

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void OdbcHandle::Reset() {
  if (handle_ != SQL_NULL_HANDLE) {
    SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
  }
}

}  // namespace tallyvane::odbc
