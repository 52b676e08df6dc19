#include <cstdio>
#include <string>

#include "log/error_box.h"
#include "log/terminal_text.h"

namespace tallyvane {

void StderrErrorBox::Show(const std::string& prompt) {
  std::string text;
  for (std::size_t i = 0; i < prompt.size(); ++i) {
    // The box's line break is CR LF; a terminal wants LF alone.
    if (prompt[i] == '\r' && i + 1 < prompt.size() && prompt[i + 1] == '\n') continue;
    text.push_back(prompt[i]);
  }
  std::fprintf(stderr, "%s\n", EscapeControlCharacters(text).c_str());
  std::fflush(stderr);
}

}  // namespace tallyvane
