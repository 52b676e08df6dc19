#pragma once
// Where the help document is installed: beside the program.
#include <string>

namespace tallyvane {

inline constexpr const char* kHelpDocumentRelativePath = "Tallyvane/Help/tallyvane-help.htm";

// The program's folder, a slash and the relative path above.
std::string HelpDocumentPath();

}  // namespace tallyvane
