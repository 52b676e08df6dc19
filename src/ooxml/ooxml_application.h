#pragma once
// Creates the spreadsheet application backed by the OOXML workbook engine.
#include <memory>

#include "platform/spreadsheet.h"

namespace tallyvane {

std::unique_ptr<SpreadsheetApp> CreateOoxmlSpreadsheetApp();

}  // namespace tallyvane
