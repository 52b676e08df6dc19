#pragma once
// Turns the diagnostic records of a failing ODBC call into an error text.
#include <sql.h>

#include <string>

namespace tallyvane::odbc {

// All diagnostic records of the handle's last call, in order, each as
// "message (SQLSTATE xxxxx)", joined by "; ". Empty when there are none.
std::string DescribeDiagnostics(SQLSMALLINT handle_type, SQLHANDLE handle);

// Throws PlatformError with the handle's diagnostics; when the driver gave
// none, the text names the call and its return code.
[[noreturn]] void ThrowOdbcError(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call);

// Throws as above unless rc is SQL_SUCCESS or SQL_SUCCESS_WITH_INFO.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call);

}  // namespace tallyvane::odbc
