#pragma once
// Rounding to a number of decimal places as the spreadsheets do it: on the
// value's 15 significant digits, so 2.675 (stored as 2.67499999...) rounds
// to 2.68 as it reads.
namespace tallyvane::formula {

enum class RoundingMode { Nearest, Up, Down };  // Up and Down: away from and towards zero

// digits may be negative (to tens, hundreds ...). *exact_differs is set
// when rounding the stored binary value itself would give another result.
double RoundDecimal(double value, int digits, RoundingMode mode, bool* exact_differs);

}  // namespace tallyvane::formula
