#include "log/count_format.h"

#include <cstdlib>

namespace tallyvane {

std::string FormatCountWithZero(long count) {
  std::string digits = std::to_string(count < 0 ? -static_cast<long long>(count) : count);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return count < 0 ? "-" + grouped : grouped;
}

std::string FormatCount(long count) { return count == 0 ? std::string() : FormatCountWithZero(count); }

}  // namespace tallyvane
