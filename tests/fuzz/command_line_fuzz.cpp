// The command-line tokenizer on any text, and the re-quoting of any
// argument vector, which must split back into the same arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "run/run_context.h"

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RunContext context;
  ReadCommandLine(context, text);
  if (context.parameters.CmdValueCount > kMaxCmdValues) std::abort();

  // NUL cannot stand in an argument: it separates them here.
  std::vector<std::string> arguments;
  std::istringstream pieces(text + '\0');
  for (std::string piece; std::getline(pieces, piece, '\0');) arguments.push_back(piece);
  const std::string joined = JoinArguments(arguments);
  std::vector<std::string> tokens;
  std::size_t position = 1;
  while (joined.find_first_not_of(" \t\r\n", position - 1) != std::string::npos) {
    tokens.push_back(NextCommandToken(joined, position));
  }
  if (tokens != arguments) std::abort();
  return 0;
}
