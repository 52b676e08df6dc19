#pragma once
// The run log: time-stamped lines in the log file, the main window's log
// view, error counting and the error box.
#include <string>

#include "platform/value.h"

namespace tallyvane {

struct RunContext;

// "[YYYYMMDD hh:mm:ss]    " followed by the message.
std::string FormatLogLine(const DateTime& moment, const std::string& text);
// Whether the line starts as FormatLogLine makes it: the first line of an
// earlier run's log, which a new run may overwrite.
bool IsLogLine(const std::string& line);

// Writes one line to the run log: line breaks in the text become blanks.
// A failure to write throws to the caller.
void WriteLog(RunContext& context, const std::string& text);
// Two lines, "Error: " + where and "Error Info: " + info, and one error more.
void LogError(RunContext& context, const std::string& where, const std::string& info);
// The modal box "Error!" / "Error Info: " + message.
void ShowError(RunContext& context, const std::string& message);

}  // namespace tallyvane
