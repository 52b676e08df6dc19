#include "config/file_name_macros.h"

#include <algorithm>
#include <cstdio>
#include <utility>

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
  while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsMacroLetter(char c) {
  const char upper = Upper(c);
  return upper == 'Y' || upper == 'M' || upper == 'D' || upper == 'H' || upper == 'N' || upper == 'S';
}

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

std::vector<std::string> MistypedFileNameMacros(const std::string& text) {
  std::vector<std::string> found;
  const auto note = [&found](std::string macro) {
    if (std::find(found.begin(), found.end(), macro) == found.end()) found.push_back(std::move(macro));
  };
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    const char next = text[i + 1];
    if (text[i] == '&') {
      // The expansion pairs the "&" with the next character, whatever it is.
      if (IsLetter(next) && !IsMacroLetter(next)) note(text.substr(i, 2));
      ++i;
    } else if (text[i] == '%' && IsLetter(next)) {
      note(text.substr(i, 2));
    }
  }
  return found;
}

std::string ExpandFileNameMacros(const Clock* clock, const std::string& text) {
  return ExpandFileNameMacros(text, NowOf(clock));
}

}  // namespace tallyvane
