#pragma once
// Numbers written as text in configuration entries, function lines and
// sheet references: optional blanks, an optional sign, digits and an
// optional fraction, rounded to the nearest whole number (halves to even).
#include <cstdint>
#include <optional>
#include <string>

namespace tallyvane {

// The number's value, or nothing when the text is not a number.
std::optional<double> ParseNumberText(const std::string& text);

bool IsNumericText(const std::string& text);

// Throws PlatformError "Type mismatch" for text that is not a number and
// "Overflow" for a number outside -32,768 to 32,767.
std::int16_t ToInt16(const std::string& text);

// Throws PlatformError "Overflow" when a + b leaves the 16-bit range.
std::int16_t CheckedAdd16(long a, long b);

}  // namespace tallyvane
