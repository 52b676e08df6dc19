#include "config/run_parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using Loaded = std::vector<std::tuple<std::string, std::string, std::string, int>>;  // name, desc, value, number

// Loads the parameters of a configuration with the given [PARAMETER] text.
Loaded Load(test::TestContext& t, const std::string& text) {
  test::TempDir dir;
  t.context.settings.CfgFileName = dir.Write("a.ini", text);
  LoadParameters(t.context.settings.CfgFileName, t.context.parameters);
  Loaded loaded;
  for (int i = 0; i < t.context.parameters.ParameterCount; ++i) {
    const RunParameter& p = t.context.parameters.Parameters[i];
    loaded.emplace_back(p.Name, p.Desc, p.Value, p.Number);
  }
  return loaded;
}

TEST(LoadParameters, FillsPositionsWithoutGapsAndAppliesCommandLineValues) {
  test::TestContext t;
  t.context.parameters.CmdValues[0] = "2004";
  t.context.parameters.CmdValueCount = 1;
  EXPECT_EQ(Load(t,
                 "[PARAMETER]\nName1=[YEAR]\nDefault1=2003\nDesc1=The year\n"
                 "Desc2=ignored without a name\nDefault2=ignored\nName3=[MONTH]\nDefault3=01\nName10=[TEN]\n"),
            (Loaded{{"[YEAR]", "The year", "2004", 1}, {"[MONTH]", "", "01", 3}, {"[TEN]", "", "", 10}}));
  // Values beyond the declared parameters are ignored.
  for (int i = 0; i < 7; ++i) t.context.parameters.CmdValues[i] = std::to_string(i);
  t.context.parameters.CmdValueCount = 7;
  EXPECT_EQ(Load(t, "[PARAMETER]\nName1=A\nName2=B\n"), (Loaded{{"A", "", "0", 1}, {"B", "", "1", 2}}));
  EXPECT_EQ(Load(t, "no parameter section\n"), Loaded{});
}

}  // namespace
}  // namespace tallyvane
