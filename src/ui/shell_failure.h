#pragma once
// The failure table of the desktop's document opener: a numeric shell
// result turned into an error number and a readable description.
#include <optional>
#include <string>

namespace tallyvane {

// The object-error base plus 1048: failures without an error number of
// their own are reported as this base plus the shell result.
inline constexpr long kShellErrorBase = -2147220456L;

// A failure that the table has no row of its own for (an opener that
// failed, or could not even be asked): reported under the table's last row.
inline constexpr long kShellGeneralFailure = 1;

struct ShellFailure {
  long number = 0;
  std::string description;
};

// Results above 32 and negative ones mean that the request was accepted.
bool IsShellSuccess(long result);

// The table's row for a failing result (0 to 32); nothing for a success.
std::optional<ShellFailure> ShellFailureOf(long result);

}  // namespace tallyvane
