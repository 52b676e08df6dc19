// Runs the window tests inside one application object on the offscreen
// platform, with ODBC pointed at a data source of the tests' own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "odbc_driver_pinning.h"
#include "ui/message_box_error_box.h"

namespace {

// An SQLite database through the real driver manager and driver. ODBC reads
// ODBCINI once, at its first call: set it before any test runs.
void DeclareTestDataSource() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tallyvane-ui-odbc-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string ini = (folder / "odbc.ini").string();
  std::ofstream(ini) << "[TallyvaneUiTest]\nDriver=SQLite3\nDatabase=" << (folder / "ui.db").string() << "\n";
  setenv("ODBCINI", ini.c_str(), 1);
  tallyvane::test::KeepOdbcDriversLoaded();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests must work without any display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  DeclareTestDataSource();
  tallyvane::EnsureGuiApplication();
  const int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(
      std::filesystem::temp_directory_path() / ("tallyvane-ui-odbc-" + std::to_string(getpid())), ignored);
  return status;
}
