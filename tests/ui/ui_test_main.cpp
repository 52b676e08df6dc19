// Runs the window tests inside one application object on the offscreen
// platform, with ODBC pointed at a data source of the tests' own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sqlite_data_source.h"
#include "ui/message_box_error_box.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests must work without any display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  tallyvane::test::SqliteDataSource::Instance();  // before ODBC's first call, which reads ODBCINI
  tallyvane::EnsureGuiApplication();
  return RUN_ALL_TESTS();
}
