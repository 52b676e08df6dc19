#pragma once
// Small text operations shared by the command-line reader and the SQL file
// reader. Whitespace is blank, tab, carriage return and line feed.
#include <cstdint>
#include <string>

#include "platform/plain_text.h"

namespace tallyvane {

// Moves the 1-based position past whitespace, but never beyond the last
// character; a position already beyond the end stays where it is.
void SkipWhitespace(const std::string& text, std::int16_t& position);

// The text up to its first NUL, without trailing whitespace.
std::string TrimTrailingWhitespace(const std::string& text);

}  // namespace tallyvane
