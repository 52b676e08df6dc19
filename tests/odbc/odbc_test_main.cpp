// Test entry point: installs the temporary ODBC configuration before any
// ODBC call and stops the PostgreSQL server however the tests end.
#include <gtest/gtest.h>

#include "test_data_sources.h"

namespace {

// Set up only when tests run (not when they are listed), before the
// first of them makes an ODBC call.
class OdbcEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { tallyvane::testing::InstallOdbcIni(); }
  void TearDown() override { tallyvane::testing::StopPostgres(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new OdbcEnvironment);
  return RUN_ALL_TESTS();
}
