#include "config/run_parameters.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

TEST(LoadParameters, FillsPositionsWithoutGapsAndAppliesCommandLineValues) {
  test::TempDir dir;
  test::TestContext t;
  t.context.CfgFileName = dir.Write("a.ini",
                                    "[PARAMETER]\n"
                                    "Name1=[YEAR]\nDefault1=2003\nDesc1=The year\n"
                                    "Desc2=ignored without a name\nDefault2=ignored\n"
                                    "Name3=[MONTH]\nDefault3=01\n"
                                    "Name10=[TEN]\n");
  t.context.CmdValues[0] = "2004";
  t.context.CmdValueCount = 1;
  LoadParameters(t.context);
  ASSERT_EQ(t.context.ParameterCount, 3);
  const RunParameter& first = t.context.Parameters[0];
  EXPECT_EQ(first.Name, "[YEAR]");
  EXPECT_EQ(first.Desc, "The year");
  EXPECT_EQ(first.Value, "2004");
  EXPECT_EQ(first.Number, 1);
  EXPECT_EQ(t.context.Parameters[1].Name, "[MONTH]");
  EXPECT_EQ(t.context.Parameters[1].Value, "01");
  EXPECT_EQ(t.context.Parameters[1].Number, 3);
  EXPECT_EQ(t.context.Parameters[2].Value, "");
  EXPECT_EQ(t.context.Parameters[2].Number, 10);

  // Values beyond the declared parameters are ignored.
  t.context.CfgFileName = dir.Write("b.ini", "[PARAMETER]\nName1=A\nName2=B\n");
  for (int i = 0; i < 7; ++i) t.context.CmdValues[i] = std::to_string(i);
  t.context.CmdValueCount = 7;
  LoadParameters(t.context);
  ASSERT_EQ(t.context.ParameterCount, 2);
  EXPECT_EQ(t.context.Parameters[1].Value, "1");

  t.context.CfgFileName = dir.Write("c.ini", "no parameter section\n");
  LoadParameters(t.context);
  EXPECT_EQ(t.context.ParameterCount, 0);
}

}  // namespace
}  // namespace tallyvane
