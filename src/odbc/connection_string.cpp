#include "odbc/connection_string.h"

namespace tallyvane::odbc {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool NeedsBraces(const std::string& value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  return value.find_first_of(";{}=") != std::string::npos;
}

}  // namespace

std::string QuoteConnectionValue(const std::string& value) {
  if (!NeedsBraces(value)) return value;
  std::string quoted = "{";
  for (char c : value) {
    quoted.push_back(c);
    if (c == '}') quoted.push_back('}');
  }
  quoted.push_back('}');
  return quoted;
}

std::string BuildConnectionString(const std::string& data_source, const std::string& user,
                                  const std::string& password) {
  std::string text = "DSN=" + QuoteConnectionValue(data_source);
  if (!user.empty()) text += ";UID=" + QuoteConnectionValue(user);
  if (!password.empty()) text += ";PWD=" + QuoteConnectionValue(password);
  return text;
}

}  // namespace tallyvane::odbc
