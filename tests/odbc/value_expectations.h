#pragma once
// Compares field values by kind and by the part of the value that kind uses.
#include <gtest/gtest.h>

#include <string>

#include "platform/value.h"

namespace tallyvane::testing {

std::string Describe(const Value& value);

::testing::AssertionResult SameValue(const Value& actual, const Value& expected);

}  // namespace tallyvane::testing
