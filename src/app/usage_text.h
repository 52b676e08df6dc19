#pragma once
// The short usage text printed for --help.
#include <string>

namespace tallyvane {

std::string UsageText();

}  // namespace tallyvane
