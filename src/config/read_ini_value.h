#pragma once
// The one configuration read: a value of the run's configuration file, or
// the empty text for anything absent.
#include <string>

namespace tallyvane {

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file_name);

// Removes leading and trailing space characters (not tabs).
std::string TrimSpaces(const std::string& text);

}  // namespace tallyvane
