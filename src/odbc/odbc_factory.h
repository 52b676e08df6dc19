#pragma once
#include <memory>

#include "platform/database.h"

namespace tallyvane::odbc {

std::shared_ptr<DatabaseConnection> CreateOdbcConnection();
std::unique_ptr<Recordset> CreateOdbcRecordset();

}  // namespace tallyvane::odbc
