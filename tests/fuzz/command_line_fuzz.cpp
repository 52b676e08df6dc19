// The command-line tokenizer on any text, and the re-quoting of any
// argument vector, which must split back into the same arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_context.h"

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RunContext context;
  ReadCommandLine(context, text);
  if (context.CmdValueCount > kMaxCmdValues) std::abort();

  // NUL cannot stand in an argument: it separates them here.
  std::vector<std::string> arguments;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const std::string joined = JoinArguments(arguments);
  std::vector<std::string> tokens;
  std::size_t position = 1;
  while (joined.find_first_not_of(" \t\r\n", position - 1) != std::string::npos) {
    tokens.push_back(NextCommandToken(joined, position));
  }
  if (tokens != arguments) std::abort();
  return 0;
}
