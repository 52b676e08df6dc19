#include "log/run_log.h"

#include <cstdio>

#include "log/count_format.h"
#include "log/error_box.h"
#include "log/run_console.h"
#include "log/run_view.h"
#include "platform/clock.h"
#include "platform/platform_error.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

constexpr int kLogViewCapacity = 8;

void ShowInLogView(RunContext& context, const std::string& text) {
  if (!context.Interactive || context.wiring.View == nullptr) return;
  if (context.counters.LogViewLineCount == 0 || context.counters.LogViewLineCount >= kLogViewCapacity) {
    context.counters.LogViewLineCount = 0;
    context.wiring.View->ClearLogInfo();
  }
  ++context.counters.LogViewLineCount;
  context.wiring.View->AppendLogInfo(text + "\r\n");
}

// Every physical line of the log starts with its time stamp: a line break
// inside a message becomes one blank, and breaks at its end (a server's
// message often ends in one) are dropped.
std::string OnePhysicalLine(const std::string& text) {
  const std::size_t end = text.find_last_not_of("\r\n");
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; end != std::string::npos && i <= end; ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') continue;
    line.push_back(text[i] == '\r' || text[i] == '\n' ? ' ' : text[i]);
  }
  return line;
}

}  // namespace

std::string FormatLogLine(const DateTime& moment, const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%04d%02d%02d %02d:%02d:%02d]    ", moment.year, moment.month, moment.day,
                moment.hour, moment.minute, moment.second);
  return stamp + text;
}

bool IsLogLine(const std::string& line) {
  static const char kForm[] = "[99999999 99:99:99]    ";
  const std::size_t length = sizeof kForm - 1;
  if (line.size() < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kForm[i] == '9' ? !digit : line[i] != kForm[i]) return false;
  }
  return true;
}

void WriteLog(RunContext& context, const std::string& message) {
  if (!context.session.LogStream) throw PlatformError("The run log is not open.");
  const std::string text = OnePhysicalLine(message);
  // First, so that the operator sees an error even when the log cannot take it.
  if (context.wiring.Console != nullptr) context.wiring.Console->LogMessage(context, text);
  context.session.LogStream->WriteLine(FormatLogLine(NowOf(context.wiring.Time), text));
  ShowInLogView(context, text);
}

void LogError(RunContext& context, const std::string& where, const std::string& info) {
  WriteLog(context, "Error: " + where);
  WriteLog(context, "Error Info: " + info);
  ++context.counters.ErrorCount;
  if (context.Interactive && context.wiring.View != nullptr) {
    context.wiring.View->SetBoxText(RunViewBox::ErrorCount, FormatCount(context.counters.ErrorCount));
  }
}

void ShowError(RunContext& context, const std::string& message) {
  const std::string prompt = "Error!\r\nError Info: " + message;
  if (context.wiring.Errors != nullptr) {
    context.wiring.Errors->Show(prompt);
  } else {
    StderrErrorBox().Show(prompt);
  }
}

}  // namespace tallyvane
