#include "config/read_ini_value.h"

#include "platform/private_profile.h"

namespace tallyvane {

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file_name) {
  return ReadProfileString(section, key, file_name);
}

std::string TrimSpaces(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return std::string();
  std::size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

}  // namespace tallyvane
