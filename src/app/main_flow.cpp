#include "app/main_flow.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "app/command_line.h"
#include "app/operator_console.h"
#include "app/preflight.h"
#include "app/report_run.h"
#include "app/usage_text.h"
#include "config/missing_config_file.h"
#include "config/run_parameters.h"
#include "log/run_log.h"
#include "run/program_info.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

constexpr int kStoppedStatus = 2;

std::string JoinFolder(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

int RunUnattended(RunContext& context) {
  if (!context.wiring.FileSystem->FileExists(context.settings.CfgFileName)) {
    ShowError(context.wiring, MissingConfigFileText(context.settings));
    return kStoppedStatus;
  }
  LoadParameters(context.settings.CfgFileName, context.parameters);
  OperatorConsole console(stderr, isatty(fileno(stderr)) != 0);
  console.Start(context);
  context.wiring.Console = &console;
  const RunResult result = RunReport(context);
  context.wiring.Console = nullptr;
  console.EndLiveLine();
  if (result.outcome == RunOutcome::Aborted && !result.logged) ShowError(context.wiring, result.error);
  const int status = ExitStatusOf(result, context.counters.ErrorCount);
  console.Finish(context, status);
  context.wiring.FileSystem.reset();
  context.session.LogStream.reset();
  return status;
}

// True when the command line starts with "--check"; rest is what follows it.
bool AfterCheckSwitch(const std::string& text, std::string& rest) {
  std::size_t position = 1;
  if (NextCommandToken(text, position) != "--check") return false;
  rest = position <= text.size() ? text.substr(position - 1) : std::string();
  return true;
}

}  // namespace

std::vector<std::string> DefaultConfigCandidates(const StartupEnvironment& environment) {
  const std::filesystem::path program(environment.program_path);
  const std::string name = program.stem().string() + ".ini";
  std::vector<std::string> candidates = {JoinFolder(program.parent_path().string(), name)};
  if (!environment.windir.empty()) candidates.push_back(JoinFolder(environment.windir, name));
  return candidates;
}

std::string FindDefaultConfigFile(const FileSystem& files, const StartupEnvironment& environment) {
  for (const std::string& candidate : DefaultConfigCandidates(environment)) {
    if (files.FileExists(candidate)) return candidate;
  }
  return std::string();
}

int Main(RunContext& context, const StartupEnvironment& environment, const InteractiveMode& interactive_mode) {
  const std::string& text = environment.command_text;
  if (text == "--help" || text == "-h") {
    std::cout << UsageText();
    return 0;
  }
  if (text == "--version") {
    std::cout << kProductName << " " << kVersionText << "\n";
    return 0;
  }
  std::string checked;
  const bool check = AfterCheckSwitch(text, checked);
  context.Interactive = true;
  ReadCommandLine(context, check ? checked : text);
  context.wiring.FileSystem = std::make_unique<FileSystem>();
  context.settings.DefaultConfigPlaces = DefaultConfigCandidates(environment);
  if (context.settings.CfgFileName.empty())
    context.settings.CfgFileName = FindDefaultConfigFile(*context.wiring.FileSystem, environment);
  if (check) return RunPreflight(context, std::cout);
  if (context.Interactive) return interactive_mode(context);
  return RunUnattended(context);
}

}  // namespace tallyvane
