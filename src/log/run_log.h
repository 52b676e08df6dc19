#pragma once
// The run log: time-stamped lines in the log file, the main window's log
// view, error counting and the error box.
#include <memory>
#include <string>

#include "platform/value.h"

namespace tallyvane {

struct RunContext;
struct RunCounters;
struct RunWiring;
class TextStream;

// What a log line touches: the open log and the statement it belongs to,
// the counters it keeps, and where else it shows (the window, the
// terminal). A view over the run's record, so that a step that logs takes
// it beside only the other parts it uses.
struct RunLog {
  std::unique_ptr<TextStream>& stream;
  const std::string& sql_tag;
  RunCounters& counters;
  const RunWiring& wiring;
  bool interactive;
};

RunLog LogOf(RunContext& context);

// "[YYYYMMDD hh:mm:ss]    " followed by the message.
std::string FormatLogLine(const DateTime& moment, const std::string& text);
// Whether the line starts as FormatLogLine makes it: the first line of an
// earlier run's log, which a new run may overwrite.
bool IsLogLine(const std::string& line);

// Writes one line to the run log: line breaks in the text become blanks.
// A failure to write throws to the caller.
void WriteLog(const RunLog& log, const std::string& text);
// Two lines, "Error: " + where and "Error Info: " + info, and one error
// more; the terminal is told of the error as such.
void LogError(const RunLog& log, const std::string& where, const std::string& info);
// The modal box "Error!" / "Error Info: " + message.
void ShowError(const RunWiring& wiring, const std::string& message);

}  // namespace tallyvane
