#pragma once
// Counter texts for the main window: digits grouped by thousands.
#include <string>

namespace tallyvane {

// The "#,##0" form: zero shows as "0".
std::string FormatCountWithZero(long count);
// The "#,###" form: zero shows as the empty text.
std::string FormatCount(long count);

}  // namespace tallyvane
