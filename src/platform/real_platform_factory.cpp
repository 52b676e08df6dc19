#include "platform/odbc/odbc_factory.h"
#include "platform/platform_factory.h"
#include "platform/spreadsheet/ooxml_application.h"

namespace tallyvane {
namespace {

class RealPlatformFactory : public PlatformFactory {
 public:
  std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() override { return CreateOoxmlSpreadsheetApp(); }
  std::shared_ptr<DatabaseConnection> CreateDbConnection() override { return CreateOdbcConnection(); }
  std::unique_ptr<Recordset> CreateDbRecordset() override { return CreateOdbcRecordset(); }
};

}  // namespace

std::unique_ptr<PlatformFactory> CreateRealPlatformFactory() {
  return std::make_unique<RealPlatformFactory>();
}

}  // namespace tallyvane
