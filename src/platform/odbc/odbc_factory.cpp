#include "platform/odbc/odbc_factory.h"

#include "platform/platform_error.h"

namespace tallyvane {

// Placeholders until the ODBC layer lands.
std::shared_ptr<DatabaseConnection> CreateOdbcConnection() {
  throw PlatformError("The database layer is not available in this build.");
}

std::unique_ptr<Recordset> CreateOdbcRecordset() {
  throw PlatformError("The database layer is not available in this build.");
}

}  // namespace tallyvane
