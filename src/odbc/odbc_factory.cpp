#include "odbc/odbc_factory.h"

#include <new>

#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {

std::shared_ptr<DatabaseConnection> CreateOdbcConnection() {
  try {
    return std::make_shared<OdbcConnection>();
  } catch (const std::bad_alloc&) {
    throw PlatformError("out of memory while creating a database connection");
  }
}

std::unique_ptr<Recordset> CreateOdbcRecordset() {
  try {
    return std::make_unique<OdbcRecordset>();
  } catch (const std::bad_alloc&) {
    throw PlatformError("out of memory while creating a record set");
  }
}

}  // namespace tallyvane::odbc
