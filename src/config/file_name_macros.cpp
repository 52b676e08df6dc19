#include "config/file_name_macros.h"

#include <cstdio>

#include "app/run_context.h"
#include "platform/clock.h"

namespace tallyvane {
namespace {

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string FourDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", value);
  return text;
}

std::string MacroValue(char letter, const DateTime& moment) {
  switch (letter) {
    case 'Y': return FourDigits(moment.year);
    case 'M': return TwoDigits(moment.month);
    case 'D': return TwoDigits(moment.day);
    case 'H': return TwoDigits(moment.hour);
    case 'N': return TwoDigits(moment.minute);
    case 'S': return TwoDigits(moment.second);
    default: return std::string();
  }
}

// Bytes that follow a UTF-8 lead byte belong to the same character, which
// an "&" drops whole.
std::size_t CharacterLength(const std::string& text, std::size_t at) {
  std::size_t length = 1;
  while (at + length < text.size() &&
         (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string ExpandFileNameMacros(const std::string& text, const DateTime& moment) {
  std::string result;
  bool pending_ampersand = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!pending_ampersand) {
      if (c == '&') {
        pending_ampersand = true;
      } else {
        result.push_back(c);
      }
      continue;
    }
    result += MacroValue(Upper(c), moment);
    i += CharacterLength(text, i) - 1;
    pending_ampersand = false;
  }
  return result;
}

std::string ExpandFileNameMacros(RunContext& context, const std::string& text) {
  return ExpandFileNameMacros(text, NowOf(context.Time));
}

}  // namespace tallyvane
