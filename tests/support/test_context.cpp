#include "test_context.h"

#include <memory>

#include "temp_dir.h"

namespace tallyvane::test {

TestContext::TestContext() {
  context.wiring.Time = &clock;
  context.wiring.Errors = &errors;
  context.wiring.FileSystem = std::make_unique<FileSystem>();
}

std::vector<std::string> LogMessages(const std::string& log_path) {
  const std::string content = ReadFileBytes(log_path);
  std::vector<std::string> messages;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    // "[YYYYMMDD hh:mm:ss]    " is 23 characters.
    messages.push_back(line.size() >= 23 ? line.substr(23) : line);
    start = end + 2;
  }
  return messages;
}

}  // namespace tallyvane::test
