#pragma once
// Date and time macros in file names: &Y &M &D &H &N &S.
#include <string>
#include <vector>

#include "platform/value.h"

namespace tallyvane {

class Clock;

// Every macro of one call uses the one moment given.
std::string ExpandFileNameMacros(const std::string& text, const DateTime& moment);
// The same at the current local date and time.
std::string ExpandFileNameMacros(const Clock* clock, const std::string& text);

// What looks like a mistyped macro, in order and each once: an "&" before a
// letter that is no macro (the expansion drops both) and a "%" before a
// letter (another tool's syntax, kept as it stands). "&&" and an "&" before
// anything but a letter are deliberate and not listed.
std::vector<std::string> MistypedFileNameMacros(const std::string& text);

}  // namespace tallyvane
