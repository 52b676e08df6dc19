#include "platform/plain_text.h"

namespace tallyvane {

bool IsWhitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimSpaces(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return std::string();
  std::size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string SqlFileTag(int number) { return "[SQLFILE" + std::to_string(number) + "]"; }

}  // namespace tallyvane
