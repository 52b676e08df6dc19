#pragma once
// A field value as text, for a defined name.
#include <string>

#include "platform/value.h"

namespace tallyvane {

// Whole numbers plainly, floating-point numbers with up to 15 significant
// digits (exponent form only below 0.00001 or from 10^15), dates as
// YYYY-MM-DD (with " hh:mm:ss" when there is a time, and its fraction of a
// second in the database's digits), Booleans as True or False. Null and binary values throw PlatformError.
// Takes the value by value, so that a long text moves on uncopied.
std::string FieldValueText(Value value);

}  // namespace tallyvane
