#pragma once
#include <memory>

#include "platform/spreadsheet.h"

namespace tallyvane {

std::unique_ptr<SpreadsheetApp> CreateOoxmlSpreadsheetApp();

}  // namespace tallyvane
