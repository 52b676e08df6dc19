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

void ShowInLogView(const RunLog& log, const std::string& text) {
  if (!log.interactive || log.wiring.View == nullptr) return;
  if (log.counters.LogViewLineCount == 0 || log.counters.LogViewLineCount >= kLogViewCapacity) {
    log.counters.LogViewLineCount = 0;
    log.wiring.View->ClearLogInfo();
  }
  ++log.counters.LogViewLineCount;
  log.wiring.View->AppendLogInfo(text + "\r\n");
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

RunLog LogOf(RunContext& context) {
  return RunLog{context.session.LogStream, context.session.SqlTag, context.counters, context.wiring,
                context.Interactive};
}

void WriteLog(const RunLog& log, const std::string& message) {
  if (!log.stream) throw PlatformError("The run log is not open.");
  const std::string text = OnePhysicalLine(message);
  if (log.wiring.Console != nullptr) log.wiring.Console->LineLogged(log, text);
  log.stream->WriteLine(FormatLogLine(NowOf(log.wiring.Time), text));
  ShowInLogView(log, text);
}

void LogError(const RunLog& log, const std::string& where, const std::string& info) {
  const std::string where_text = OnePhysicalLine(where);
  const std::string info_text = OnePhysicalLine(info);
  const std::string where_line = "Error: " + where_text;
  const std::string info_line = "Error Info: " + info_text;
  // First, so that the operator sees an error even when the log cannot take it.
  if (log.wiring.Console != nullptr) log.wiring.Console->ErrorLogged(log, where_line, info_line);
  WriteLog(log, where_line);
  WriteLog(log, info_line);
  ++log.counters.ErrorCount;
  if (log.interactive && log.wiring.View != nullptr) {
    log.wiring.View->SetBoxText(RunViewBox::ErrorCount, FormatCount(log.counters.ErrorCount));
    log.wiring.View->ErrorLogged(where_text, info_text);
  }
}

void ShowError(const RunWiring& wiring, const std::string& message) {
  const std::string prompt = "Error!\r\nError Info: " + message;
  if (wiring.Errors != nullptr) {
    wiring.Errors->Show(prompt);
  } else {
    StderrErrorBox().Show(prompt);
  }
}

}  // namespace tallyvane
