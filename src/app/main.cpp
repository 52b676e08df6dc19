// The program's entry: wires the real platform to the run context.
#include <sys/prctl.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/huge_page_heap.h"
#include "app/main_flow.h"
#include "log/error_box.h"
#include "platform/clock.h"
#include "platform/interruption.h"
#include "platform/platform_factory.h"
#include "platform/standard_descriptors.h"
#include "run/program_folder.h"
#include "run/run_context.h"
#include "ui/interactive_mode.h"
#include "ui/message_box_error_box.h"

namespace {

using namespace tallyvane;

// A box only where someone can close it: never in the unattended mode,
// which must not wait for a person even when a display is there.
class ModeErrorBox : public ErrorBox {
 public:
  explicit ModeErrorBox(const RunContext& context) : context_(context) {}
  void Show(const std::string& prompt) override {
    if (context_.Interactive && HasDisplay()) {
      window_box_.Show(prompt);
    } else {
      stderr_box_.Show(prompt);
    }
  }

 private:
  const RunContext& context_;
  StderrErrorBox stderr_box_;
  MessageBoxErrorBox window_box_;
};

}  // namespace

int main(int argc, char** argv) {
  OpenNullOnClosedStandardDescriptors();
  PreferHugePagesForTheHeap();
  // The process holds the database password: a crash must not write it
  // into a core file, nor may another process of the user read its memory.
  const struct rlimit no_core = {0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  InstallInterruptionHandlers();
  // A file-size limit (or a full disk) must fail the write that meets it,
  // which the run reports, instead of killing the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader of standard error that has gone (a pipe into "head") must not
  // kill the run halfway: the write fails, and the run goes on without it.
  std::signal(SIGPIPE, SIG_IGN);
  RunContext context;
  SystemClock clock;
  std::unique_ptr<PlatformFactory> platform = CreateRealPlatformFactory();
  ModeErrorBox error_box(context);
  context.wiring.Time = &clock;
  context.wiring.Platform = platform.get();
  context.wiring.Errors = &error_box;

  StartupEnvironment environment;
  environment.command_text = JoinArguments(std::vector<std::string>(argv + 1, argv + argc));
  environment.program_path = ProgramPath();
  const char* windir = std::getenv("windir");
  environment.windir = windir != nullptr ? windir : "";
  return Main(context, environment, RunInteractiveMode);
}
