#pragma once
// Checks shared by the ODBC tests: field values compared whole, and the
// description of the error a call raises.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/value.h"

namespace tallyvane::testing {

// Every part of the value, the unused ones too: a value made for one kind
// carries nothing from another.
::testing::AssertionResult SameValue(const Value& actual, const Value& expected);

// The description of the PlatformError that call throws; a test failure
// and "" when it throws none.
std::string ErrorOf(const std::function<void()>& call);

}  // namespace tallyvane::testing
