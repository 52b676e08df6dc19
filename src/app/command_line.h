#pragma once
// The command line as one text: its tokenizer, its switches and values, and
// the re-quoting that turns an argument vector back into one text.
#include <cstddef>
#include <string>
#include <vector>

namespace tallyvane {

struct RunContext;

// Reads the next token from the 1-based position, which it advances to the
// blank that ended the token or one past the end of the text.
std::string NextCommandToken(const std::string& text, std::size_t& position);

// Applies the switches -F and -C and stores up to ten plain values.
void ReadCommandLine(RunContext& context, const std::string& text);

// One command text that NextCommandToken splits back into exactly these
// arguments.
std::string JoinArguments(const std::vector<std::string>& arguments);

}  // namespace tallyvane
