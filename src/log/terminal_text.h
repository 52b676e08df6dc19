#pragma once
// Text from configuration files and databases on its way to a terminal.
#include <string>

namespace tallyvane {

// The text with every control character except line feed and tab shown as
// "\xHH": an escape sequence in a server's message must not retitle, clear
// or reprogram the operator's terminal. C1 controls (U+0080 to U+009F in
// UTF-8) count too, as some terminals obey them.
std::string EscapeControlCharacters(const std::string& text);

}  // namespace tallyvane
