#include "log/terminal_text.h"

#include <cstdio>

namespace tallyvane {
namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  char code[8];
  std::snprintf(code, sizeof code, "\\x%02X", byte);
  out += code;
}

}  // namespace

std::string EscapeControlCharacters(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      AppendEscaped(out, byte);
      AppendEscaped(out, next);
      ++i;
    } else if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
      AppendEscaped(out, byte);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace tallyvane
