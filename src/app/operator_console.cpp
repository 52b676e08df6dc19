#include "app/operator_console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>

#include "log/count_format.h"
#include "log/run_log.h"
#include "log/terminal_text.h"
#include "run/run_context.h"
#include "sql/sql_file_list.h"

namespace tallyvane {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval(100);

// A live line longer than the terminal would wrap, and "\r" would then
// rewrite only its last part.
std::size_t TerminalWidth(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1;
  return 79;
}

std::string Plural(long count, const char* word) {
  return FormatCountWithZero(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

OperatorConsole::OperatorConsole(std::FILE* stream, bool terminal) : stream_(stream), terminal_(terminal) {}

void OperatorConsole::Start(const RunContext& context) {
  started_ = std::chrono::steady_clock::now();
  try {
    file_total_ = static_cast<long>(ListSqlFiles(context.settings.CfgFileName).size());
  } catch (const std::exception&) {
    file_total_ = -1;  // the run itself reports it
  }
}

void OperatorConsole::LineLogged(const RunLog& log, const std::string&) {
  if (!terminal_) return;
  // A new file or statement shows at once; record counts at most every tenth of a second.
  const bool moved_on = file_count_ != log.counters.SqlFileCount || statement_ != log.sql_tag;
  file_count_ = log.counters.SqlFileCount;
  statement_ = log.sql_tag;
  ShowProgress(moved_on);
}

void OperatorConsole::ErrorLogged(const RunLog& log, const std::string& where_line, const std::string& info_line) {
  EndLiveLine();
  const std::string prefix = log.sql_tag.empty() ? "" : log.sql_tag + "    ";
  Print(prefix + where_line + "\n" + prefix + info_line + "\n");
}

void OperatorConsole::RecordWritten() {
  ++records_;
  if (terminal_) ShowProgress(false);
}

void OperatorConsole::ShowProgress(bool now) {
  const auto moment = std::chrono::steady_clock::now();
  if (!now && live_line_shown_ && moment - last_drawn_ < kRedrawInterval) return;
  last_drawn_ = moment;
  const long seconds = ElapsedSeconds();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%ld:%02ld", seconds / 60, seconds % 60);
  std::string line = "SQL file " + std::to_string(file_count_) + " of " +
                     (file_total_ < 0 ? std::string("?") : std::to_string(file_total_)) + "  " +
                     (statement_.empty() ? "" : statement_ + "  ") + Plural(records_, "record") + " written  " +
                     elapsed;
  line = EscapeControlCharacters(line);
  line.resize(std::min(line.size(), TerminalWidth(stream_)));
  Emit("\r\x1b[K" + line);
  live_line_shown_ = true;
}

void OperatorConsole::EndLiveLine() {
  if (!live_line_shown_) return;
  Emit("\r\x1b[K");
  live_line_shown_ = false;
}

void OperatorConsole::Finish(const RunContext& context, int exit_status) {
  EndLiveLine();
  if (terminal_) {
    Print("Report \"" + context.settings.ReportFileName + "\", log \"" + context.settings.LogFileName +
          "\": " + Plural(context.counters.SqlStatementCount, "statement") + ", " +
          Plural(context.counters.ErrorCount, "error") + ", " + Plural(ElapsedSeconds(), "second") + "\n");
  }
  if (exit_status == 0) return;
  const std::string log = context.session.LogStream ? "see the run log \"" + context.settings.LogFileName + "\""
                                                    : std::string("no run log was written");
  Print("Tallyvane ended with " + Plural(context.counters.ErrorCount, "error") + ", exit status " +
        std::to_string(exit_status) + "; " + log + ".\n");
}

void OperatorConsole::Print(const std::string& text) { Emit(EscapeControlCharacters(text)); }

void OperatorConsole::Emit(const std::string& text) {
  if (gone_) return;
  // A stream whose reader has gone (a closed pipe) takes nothing more; the
  // run and its log go on without it.
  if (std::fputs(text.c_str(), stream_) == EOF || std::fflush(stream_) != 0) {
    if (errno == EPIPE) gone_ = true;
    std::clearerr(stream_);
  }
}

long OperatorConsole::ElapsedSeconds() const {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
}

}  // namespace tallyvane
