#include "formula/decimal_rounding.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tallyvane::formula {
namespace {

// Rounds |value| given by its significant digits (most significant first)
// and the decimal exponent of the first digit.
double RoundDigits(const std::string& digits, int exponent, int places, RoundingMode mode) {
  const int keep = exponent + 1 + places;  // significant digits kept
  const int total = static_cast<int>(digits.size());
  if (keep >= total)
    return std::strtod((digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(exponent)).c_str(),
                       nullptr);
  std::string kept = keep > 0 ? digits.substr(0, static_cast<size_t>(keep)) : std::string("0");
  bool rest_nonzero = false;
  for (int i = std::max(keep, 0); i < total; ++i) rest_nonzero = rest_nonzero || digits[static_cast<size_t>(i)] != '0';
  bool up = false;
  if (mode == RoundingMode::Up) up = rest_nonzero;
  if (mode == RoundingMode::Nearest) up = keep >= 0 && digits[static_cast<size_t>(keep)] >= '5';
  // Add one in the last kept place.
  if (up) {
    int i = static_cast<int>(kept.size()) - 1;
    for (; i >= 0; --i) {
      if (kept[static_cast<size_t>(i)] == '9') {
        kept[static_cast<size_t>(i)] = '0';
      } else {
        ++kept[static_cast<size_t>(i)];
        break;
      }
    }
    if (i < 0) kept.insert(kept.begin(), '1');
  }
  return std::strtod((kept + "e" + std::to_string(-places)).c_str(), nullptr);
}

double RoundAt(double value, int significant, int places, RoundingMode mode) {
  if (value == 0 || !std::isfinite(value)) return value;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(value));
  std::string text(buf);
  size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  double r = RoundDigits(digits, exponent, places, mode);
  return value < 0 ? -r : r;
}

}  // namespace

double RoundDecimal(double value, int digits, RoundingMode mode, bool* exact_differs) {
  double approx = RoundAt(value, 15, digits, mode);
  // 17 significant digits hold the stored binary value exactly enough to
  // tell which way it falls.
  double exact = RoundAt(value, 17, digits, mode);
  if (exact_differs) *exact_differs = approx != exact;
  return approx;
}

}  // namespace tallyvane::formula
