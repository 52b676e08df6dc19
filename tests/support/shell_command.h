#pragma once
// Running shell commands from tests.
#include <string>

namespace tallyvane::test {

// The text as one single-quoted shell word.
std::string ShellQuote(const std::string& text);

// Runs the command with /bin/sh; returns its standard output and sets
// *status to its exit status (-1 when it did not exit normally).
std::string RunCommand(const std::string& command, int* status);

}  // namespace tallyvane::test
