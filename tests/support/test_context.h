#pragma once
// A run context wired for tests: a fixed clock, an error box that records
// what it shows, and a view that records what the run writes into it.
#include <map>
#include <string>
#include <vector>

#include "log/error_box.h"
#include "log/run_view.h"
#include "platform/clock.h"
#include "run/run_context.h"

namespace tallyvane::test {

class FixedClock : public Clock {
 public:
  DateTime moment{2004, 3, 7, 14, 5, 0, 0};
  DateTime Now() const override { return moment; }
};

class RecordingErrorBox : public ErrorBox {
 public:
  std::vector<std::string> prompts;
  void Show(const std::string& prompt) override { prompts.push_back(prompt); }
};

class RecordingView : public RunView {
 public:
  std::map<RunViewBox, std::string> boxes;
  std::string log_info;
  int clears = 0;
  void SetBoxText(RunViewBox box, const std::string& text) override { boxes[box] = text; }
  void ClearLogInfo() override {
    log_info.clear();
    ++clears;
  }
  void AppendLogInfo(const std::string& text) override { log_info += text; }
  void ErrorLogged(const std::string&, const std::string&) override {}
};

struct TestContext {
  RunContext context;
  FixedClock clock;
  RecordingErrorBox errors;
  RecordingView view;

  TestContext();
};

// The log's lines without their time stamps, split at CR LF.
std::vector<std::string> LogMessages(const std::string& log_path);

}  // namespace tallyvane::test
