#pragma once
// What an unattended run shows its operator on the terminal beside the run
// log. The log calls it for every message; the sheet fill for every record.
#include <string>

namespace tallyvane {

struct RunContext;

class RunConsole {
 public:
  virtual ~RunConsole() = default;
  // Called for every log message, before it is written to the log.
  virtual void LogMessage(const RunContext& context, const std::string& message) = 0;
  virtual void RecordWritten() = 0;
};

}  // namespace tallyvane
