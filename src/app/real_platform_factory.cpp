#include "odbc/odbc_factory.h"
#include "ooxml/ooxml_application.h"
#include "platform/platform_factory.h"

namespace tallyvane {
namespace {

class RealPlatformFactory : public PlatformFactory {
 public:
  std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() override { return CreateOoxmlSpreadsheetApp(); }
  std::shared_ptr<DatabaseConnection> CreateDbConnection() override { return odbc::CreateOdbcConnection(); }
  std::unique_ptr<Recordset> CreateDbRecordset() override { return odbc::CreateOdbcRecordset(); }
};

}  // namespace

std::unique_ptr<PlatformFactory> CreateRealPlatformFactory() { return std::make_unique<RealPlatformFactory>(); }

}  // namespace tallyvane
