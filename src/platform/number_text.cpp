#include "platform/number_text.h"

#include <charconv>
#include <cmath>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseNumberText(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  std::size_t i = begin;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < end && IsDigit(text[i])) ++i, ++digits;
  if (i < end && text[i] == '.') {
    ++i;
    while (i < end && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0 || i != end) return std::nullopt;
  // from_chars reads the same in every locale and takes no "+".
  if (text[begin] == '+') ++begin;
  double value = 0.0;
  std::from_chars(text.data() + begin, text.data() + end, value);
  return value;
}

bool IsNumericText(const std::string& text) { return ParseNumberText(text).has_value(); }

std::int16_t ToInt16(const std::string& text) {
  std::optional<double> number = ParseNumberText(text);
  if (!number) throw PlatformError("Type mismatch");
  const double rounded = std::nearbyint(*number);  // the default mode rounds halves to even
  if (rounded < -32768.0 || rounded > 32767.0) throw PlatformError("Overflow");
  return static_cast<std::int16_t>(rounded);
}

std::int16_t CheckedAdd16(long a, long b) {
  const long sum = a + b;
  if (sum < -32768 || sum > 32767) throw PlatformError("Overflow");
  return static_cast<std::int16_t>(sum);
}

}  // namespace tallyvane
