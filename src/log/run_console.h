#pragma once
// What an unattended run shows its operator on the terminal beside the run
// log. The log calls it for every line and every error; the sheet fill for
// every record.
#include <string>

namespace tallyvane {

struct RunLog;

class RunConsole {
 public:
  virtual ~RunConsole() = default;
  // Called for every log line, before it is written to the log.
  virtual void LineLogged(const RunLog& log, const std::string& line) = 0;
  // Called for every error, with its two log lines, before they are written.
  virtual void ErrorLogged(const RunLog& log, const std::string& where_line, const std::string& info_line) = 0;
  virtual void RecordWritten() = 0;
};

}  // namespace tallyvane
