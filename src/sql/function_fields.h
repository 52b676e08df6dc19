#pragma once
// The fields of a function line: "function;sheet or name;row;column;by column".
#include <cstdint>
#include <string>

namespace tallyvane {

struct FunctionFields {
  std::int16_t function = 0;
  std::string target;  // the sheet for functions 1 and 2, the name for 3
  std::int16_t begin_row = 0;
  std::int16_t begin_col = 0;
  bool by_column = false;
};

// Throws PlatformError when a number field is not a 16-bit whole number.
FunctionFields DecodeFunctionFields(const std::string& fields);

}  // namespace tallyvane
