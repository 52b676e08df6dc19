#pragma once
// Date and time macros in file names: &Y &M &D &H &N &S.
#include <string>

#include "platform/value.h"

namespace tallyvane {

struct RunContext;

// Every macro of one call uses the one moment given.
std::string ExpandFileNameMacros(const std::string& text, const DateTime& moment);
// The same at the current local date and time.
std::string ExpandFileNameMacros(RunContext& context, const std::string& text);

}  // namespace tallyvane
