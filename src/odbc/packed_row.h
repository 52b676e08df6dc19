#pragma once
// A record kept in a few bytes per value instead of a Value each (about a
// hundred bytes): a record set that keeps a whole result holds it at
// about the size of its values.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tallyvane::odbc {

// Every value of the row, in order, as one block of bytes.
std::string PackRow(const std::vector<Value>& row);
// The value that starts at *offset of a packed row; moves *offset past it.
Value UnpackValue(const std::string& packed, std::size_t* offset);
// Moves *offset past the value that starts there.
void SkipValue(const std::string& packed, std::size_t* offset);

}  // namespace tallyvane::odbc
