#include "sql/text_operations.h"

#include "platform/platform_error.h"

namespace tallyvane {

void SkipWhitespace(const std::string& text, std::int16_t& position) {
  const long length = static_cast<long>(text.size());
  while (position >= 1 && position <= length && IsWhitespace(text[position - 1]) && position < length) {
    if (position == INT16_MAX) throw PlatformError("Overflow");
    ++position;
  }
}

std::string TrimTrailingWhitespace(const std::string& text) {
  std::string result = text.substr(0, text.find('\0'));
  while (!result.empty() && IsWhitespace(result.back())) result.pop_back();
  return result;
}

}  // namespace tallyvane
