#include "app/main_flow.h"

#include <filesystem>
#include <memory>

#include "app/command_line.h"
#include "app/report_run.h"
#include "app/run_context.h"
#include "config/run_parameters.h"
#include "log/run_log.h"

namespace tallyvane {
namespace {

constexpr int kStoppedStatus = 2;

std::string JoinFolder(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

int RunUnattended(RunContext& context) {
  if (!context.FileSystem->FileExists(context.CfgFileName)) {
    ShowError(context, "Configuration file \"" + context.CfgFileName + "\" does not exist.");
    return kStoppedStatus;
  }
  LoadParameters(context);
  const RunResult result = RunReport(context);
  if (result.outcome == RunOutcome::Aborted) ShowError(context, result.error);
  const int status = ExitStatusOf(result, context.ErrorCount);
  context.FileSystem.reset();
  context.LogStream.reset();
  return status;
}

}  // namespace

std::string FindDefaultConfigFile(const RunContext& context, const StartupEnvironment& environment) {
  const std::filesystem::path program(environment.program_path);
  const std::string name = program.stem().string() + ".ini";
  const std::string candidates[] = {
      JoinFolder(program.parent_path().string(), name),
      environment.windir.empty() ? std::string() : JoinFolder(environment.windir, name),
  };
  for (const std::string& candidate : candidates) {
    if (!candidate.empty() && context.FileSystem->FileExists(candidate)) return candidate;
  }
  return std::string();
}

int Main(RunContext& context, const StartupEnvironment& environment,
         const InteractiveMode& interactive_mode) {
  context.Interactive = true;
  ReadCommandLine(context, environment.command_text);
  context.FileSystem = std::make_unique<FileSystem>();
  if (context.CfgFileName.empty()) context.CfgFileName = FindDefaultConfigFile(context, environment);
  if (context.Interactive) return interactive_mode(context);
  return RunUnattended(context);
}

}  // namespace tallyvane
