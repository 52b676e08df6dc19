#pragma once
// A field value as text, for a defined name.
#include <string>

#include "platform/value.h"

namespace tallyvane {

// Whole numbers plainly, other numbers in their shortest exact decimal
// form, dates as YYYY-MM-DD (with " hh:mm:ss" when there is a time),
// Booleans as True or False. Null and binary values throw PlatformError.
std::string FieldValueText(const Value& value);

}  // namespace tallyvane
