#include "config/read_ini_value.h"

#include "platform/private_profile.h"

namespace tallyvane {

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file_name) {
  return ReadProfileString(section, key, file_name);
}

}  // namespace tallyvane
