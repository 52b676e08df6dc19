#pragma once
// The message for a configuration file that is not there.
#include <string>

namespace tallyvane {

struct RunSettings;

// "Configuration file "<name>" does not exist."; for an empty name (no -F,
// nothing in the box) followed by the places the default configuration
// was looked for, so that the operator sees where to put it.
std::string MissingConfigFileText(const RunSettings& settings);

}  // namespace tallyvane
