// Runs the built program itself, as a scheduler would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_run.h"
#include "run_ini.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

TEST(Program, AMissingConfigurationGoesToStandardErrorWithoutADisplay) {
  test::TempDir dir;
  const test::ProgramRun run = test::RunProgram("-C -F /nonexistent.ini", dir.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "Error!\nError Info: Configuration file \"/nonexistent.ini\" does not exist.\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Program, AMissingTemplateLeavesTheOpeningAndErrorLines) {
  test::TempDir dir;
  test::RunIni ini;
  ini.template_file = "none.xlsx";
  ini.Write(dir, "My Reports/month.ini");
  const test::ProgramRun run = test::RunProgram("-F 'My Reports/month.ini' -C 2004 10", dir.path());
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
