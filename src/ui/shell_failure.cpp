#include "ui/shell_failure.h"

namespace tallyvane {
namespace {

constexpr long kHighestFailure = 32;

ShellFailure Fixed(long number, const char* description) { return ShellFailure{number, description}; }

ShellFailure FromBase(long result, const char* description) {
  return ShellFailure{kShellErrorBase + result, description};
}

}  // namespace

bool IsShellSuccess(long result) { return result > kHighestFailure || result < 0; }

std::optional<ShellFailure> ShellFailureOf(long result) {
  if (IsShellSuccess(result)) return std::nullopt;
  switch (result) {
    case 0:
    case 8: return Fixed(7, "Out of memory");
    case 2: return Fixed(53, "File not found");
    case 3: return Fixed(76, "Path not found");
    case 5: return Fixed(75, "Path/file access error");
    case 11: return FromBase(result, "The executable file is invalid or corrupt");
    case 26: return Fixed(75, "A sharing violation occurred.");
    case 27: return FromBase(result, "This file type does not have a valid file association.");
    // The two blanks after the first full stop are part of these texts.
    case 28: return Fixed(286, "The file could not be opened due to time out.  Please try again in a moment.");
    case 29:
      return Fixed(285,
                   "The file could not be opened because the DDE transaction failed.  Please try again in a "
                   "moment.");
    case 30:
      return Fixed(285,
                   "The file could not be opened because the target application is busy.  Please try again "
                   "in a moment.");
    case 31: return FromBase(result, "No application is associated with this file type.");
    case 32: return Fixed(48, "The specified dynamic-link library was not found.");
    default:
      // "occurred occurred" is the message operators know; kept as it is.
      return FromBase(result, "An error occurred occurred whilst trying to open or print the selected file.");
  }
}

}  // namespace tallyvane
