#include "platform/spreadsheet/ooxml_application.h"

#include "platform/platform_error.h"

namespace tallyvane {

// Placeholder until the engine lands.
std::unique_ptr<SpreadsheetApp> CreateOoxmlSpreadsheetApp() {
  throw PlatformError("The workbook engine is not available in this build.");
}

}  // namespace tallyvane
