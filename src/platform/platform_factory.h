#pragma once
// Creates the platform components that a run needs. The program uses the
// real one; tests of the run driver substitute their own.
#include <memory>

#include "platform/database.h"
#include "platform/spreadsheet.h"

namespace tallyvane {

class PlatformFactory {
 public:
  virtual ~PlatformFactory() = default;
  virtual std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() = 0;
  virtual std::shared_ptr<DatabaseConnection> CreateDbConnection() = 0;
  virtual std::unique_ptr<Recordset> CreateDbRecordset() = 0;
};

// The workbook engine and the ODBC layer.
std::unique_ptr<PlatformFactory> CreateRealPlatformFactory();

}  // namespace tallyvane
