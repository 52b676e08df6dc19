#pragma once
// The one configuration read: a value of the run's configuration file, or
// the empty text for anything absent.
#include <string>

namespace tallyvane {

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file_name);

}  // namespace tallyvane
