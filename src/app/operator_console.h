#pragma once
// The unattended run's terminal output. Every error the log receives is
// repeated on the stream; a run that ends badly ends it with a line naming
// the log, the error count and the exit status. On a terminal a live
// progress line is rewritten in place and ends as a summary line. A clean
// run on a stream that is not a terminal prints nothing.
#include <chrono>
#include <cstdio>
#include <string>

#include "log/run_console.h"

namespace tallyvane {

struct RunContext;

class OperatorConsole : public RunConsole {
 public:
  OperatorConsole(std::FILE* stream, bool terminal);

  // Before the run: the start time and how many SQL files it will read.
  void Start(const RunContext& context);
  void LineLogged(const RunLog& log, const std::string& line) override;
  void ErrorLogged(const RunLog& log, const std::string& where_line, const std::string& info_line) override;
  void RecordWritten() override;
  // Removes the live line, so that other output starts on a clean line.
  void EndLiveLine();
  // After the run: the summary line on a terminal, the closing line when
  // the exit status is not 0.
  void Finish(const RunContext& context, int exit_status);

 private:
  void ShowProgress(bool now);
  // Print shows the text with its control characters escaped; Emit writes
  // the console's own control sequences as they are.
  void Print(const std::string& text);
  void Emit(const std::string& text);
  long ElapsedSeconds() const;

  std::FILE* stream_;
  bool terminal_;
  bool live_line_shown_ = false;
  bool gone_ = false;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_drawn_;
  long file_total_ = 0;  // -1 when the list cannot be read
  long file_count_ = 0;
  long records_ = 0;
  std::string statement_;
};

}  // namespace tallyvane
