#include "sql/function_fields.h"

#include <vector>

#include "config/read_ini_value.h"
#include "platform/number_text.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"

namespace tallyvane {
namespace {

constexpr std::size_t kMeaningfulFields = 5;

std::vector<std::string> SplitFields(const std::string& fields) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (parts.size() < kMeaningfulFields) {
    const std::size_t end = fields.find(';', start);
    parts.push_back(fields.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  parts.resize(kMeaningfulFields);
  return parts;
}

// What each numeric field of a function line must hold, by position.
const char* FieldMeaning(std::size_t index) {
  switch (index) {
    case 0: return "the function, 0 to 3";
    case 2: return "the begin row, a whole number";
    case 3: return "the begin column, a whole number";
    default: return "0 for rows, another whole number for columns";
  }
}

// "Type mismatch" or "Overflow" first, then which field held what and what
// it must hold, so that the operator knows what to write instead.
std::int16_t NumberField(const std::vector<std::string>& parts, std::size_t index) {
  const std::string& field = parts[index];
  if (TrimSpaces(field).empty()) return 0;
  try {
    return ToInt16(field);
  } catch (const PlatformError& error) {
    throw PlatformError(std::string(error.what()) + " (field " + std::to_string(index + 1) + " is \"" + field +
                        "\"; it must be " + FieldMeaning(index) + ")");
  }
}

}  // namespace

FunctionFields DecodeFunctionFields(const std::string& fields) {
  const std::vector<std::string> parts = SplitFields(fields);
  FunctionFields decoded;
  decoded.function = NumberField(parts, 0);
  decoded.target = TrimSpaces(parts[1]);
  decoded.begin_row = NumberField(parts, 2);
  decoded.begin_col = NumberField(parts, 3);
  decoded.by_column = NumberField(parts, 4) != 0;
  return decoded;
}

}  // namespace tallyvane
