#include "app/main_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using test::TempDir;
using test::TestContext;

int NoWindow(RunContext&) {
  ADD_FAILURE() << "the window must not open";
  return -1;
}

// Without arguments the window opens on the configuration found.
TEST(Main, InteractiveWithoutArgumentsOpensTheWindowWithTheDefaultConfiguration) {
  TempDir dir;
  TestContext t;
  StartupEnvironment environment{"", dir.File("bin/report"), dir.File("windows")};
  EXPECT_EQ(FindDefaultConfigFile(*t.context.wiring.FileSystem, environment), "");
  const std::string in_windir = dir.Write("windows/report.ini", "");
  EXPECT_EQ(FindDefaultConfigFile(*t.context.wiring.FileSystem, environment), in_windir);
  const std::string beside_program = dir.Write("bin/report.ini", "");
  EXPECT_EQ(FindDefaultConfigFile(*t.context.wiring.FileSystem, environment), beside_program);
  environment.windir.clear();
  RunContext* seen = nullptr;
  EXPECT_EQ(Main(t.context, environment,
                 [&](RunContext& c) {
                   seen = &c;
                   return 0;
                 }),
            0);
  EXPECT_EQ(seen, &t.context);
  EXPECT_TRUE(t.context.Interactive);
  EXPECT_EQ(t.context.settings.CfgFileName, beside_program);
  EXPECT_EQ(t.context.parameters.CmdValueCount, 0);
}

TEST(Main, UnattendedWithoutItsConfigurationShowsTheBoxAndWritesNothing) {
  for (const std::string& ini : {std::string("none.ini"), std::string()}) {
    TempDir dir;
    TestContext t;
    const std::string path = ini.empty() ? ini : dir.File(ini);
    StartupEnvironment environment{"-C" + (ini.empty() ? "" : " -F " + path), dir.File("tallyvane"), ""};
    EXPECT_EQ(Main(t.context, environment, NoWindow), 2);
    const std::string looked_for =
        ini.empty() ? " The default configuration was looked for as \"" + dir.File("tallyvane.ini") + "\"." : "";
    EXPECT_EQ(t.errors.prompts, std::vector<std::string>{"Error!\r\nError Info: Configuration file \"" + path +
                                                         "\" does not exist." + looked_for});
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

}  // namespace
}  // namespace tallyvane
