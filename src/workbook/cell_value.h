#pragma once
// What a field value becomes in a cell.
#include <string>

#include "platform/value.h"

namespace tallyvane {

// The value for the cell of a field: Null as the empty text; an integer
// that a number cell cannot hold exactly (beyond 2^53 either way) as the
// text of its exact digits, so that no identifier or account number
// changes a digit; everything else as it came. Binary data throws
// "Type mismatch" naming the field (number from 1, and name). Takes the
// field by value, so that a long text moves into the cell uncopied.
Value CellValueOf(Value field, int field_number, const std::string& field_name);

// "Type mismatch (column 2 "name" holds binary data)".
std::string BinaryMismatch(int field_number, const std::string& field_name);

}  // namespace tallyvane
