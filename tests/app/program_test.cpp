// Runs the built program itself, as a scheduler would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell_command.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

// Runs the program without a display, in folder.
ProgramRun RunProgram(const std::string& arguments, const std::string& folder) {
  const std::string command = "cd '" + folder + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                              std::string(TALLYVANE_PROGRAM) + "' " + arguments + " 2>&1";
  ProgramRun run;
  run.output = test::RunCommand(command, &run.status);
  return run;
}

TEST(Program, AMissingConfigurationGoesToStandardErrorWithoutADisplay) {
  test::TempDir dir;
  const ProgramRun run = RunProgram("-C -F /nonexistent.ini", dir.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "Error!\nError Info: Configuration file \"/nonexistent.ini\" does not exist.\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Program, AMissingTemplateLeavesTheOpeningAndErrorLines) {
  test::TempDir dir;
  dir.Write("My Reports/month.ini",
            "[FILE]\nLogFileName=run.log\nReportTemplateFileName=none.xlsx\nReportFileName=r.xlsx\n"
            "[ODBC]\nDSN=Sales\n");
  const ProgramRun run = RunProgram("-F 'My Reports/month.ini' -C 2004 10", dir.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output,
            "Error: The information in the configuration file is incorrect.\n"
            "Error Info: The template file \"none.xlsx\" does not exist.\n"
            "Tallyvane ended with 1 error, exit status 2; see the run log \"run.log\".\n");
  EXPECT_EQ(test::LogMessages(dir.File("run.log")),
            (std::vector<std::string>{
                "Tallyvane 1.4.0",
                "Copyright (C) 2026 The Tallyvane developers. All rights reserved.",
                "Open log file successfully.",
                "Error: The information in the configuration file is incorrect.",
                "Error Info: The template file \"none.xlsx\" does not exist.",
            }));
}

}  // namespace
}  // namespace tallyvane
