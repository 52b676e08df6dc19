// GShell's failure table, its show-command rule and the real opener's
// exit statuses.
#include "ui/g_shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "main_window_fixture.h"
#include "temp_dir.h"
#include "ui/shell_failure.h"

namespace tallyvane::test {
namespace {

TEST(ShellFailureTable, EveryRowHasItsNumberAndTextAndAbove32IsSuccess) {
  const char* const kGeneral = "An error occurred occurred whilst trying to open or print the selected file.";
  std::vector<std::tuple<long, long, std::string>> rows = {
      {0, 7, "Out of memory"},
      {2, 53, "File not found"},
      {3, 76, "Path not found"},
      {5, 75, "Path/file access error"},
      {8, 7, "Out of memory"},
      {11, -2147220445L, "The executable file is invalid or corrupt"},
      {26, 75, "A sharing violation occurred."},
      {27, -2147220429L, "This file type does not have a valid file association."},
      {28, 286, "The file could not be opened due to time out.  Please try again in a moment."},
      {29, 285, "The file could not be opened because the DDE transaction failed.  Please try again in a moment."},
      {30, 285, "The file could not be opened because the target application is busy.  Please try again in a moment."},
      {31, -2147220425L, "No application is associated with this file type."},
      {32, 48, "The specified dynamic-link library was not found."},
      {12, -2147220444L, kGeneral},
  };
  for (long r : {1L, 4L, 6L, 7L, 9L, 10L, 13L, 20L, 25L}) rows.emplace_back(r, kShellErrorBase + r, kGeneral);
  for (const auto& [result, number, text] : rows) {
    ASSERT_TRUE(ShellFailureOf(result).has_value()) << result;
    EXPECT_EQ(ShellFailureOf(result)->number, number) << result;
    EXPECT_EQ(ShellFailureOf(result)->description, text) << result;
  }
  for (long r : {33L, 42L, 2147483647L, -1L, -2147483647L - 1}) EXPECT_FALSE(ShellFailureOf(r).has_value()) << r;
  // The desktop opener's exit statuses, onto the same table.
  EXPECT_TRUE(IsShellSuccess(ShellResultOfXdgOpenStatus(0)));
  const std::pair<int, const char*> statuses[] = {
      {2, "File not found"}, {3, "No application is associated with this file type."},
      {1, kGeneral},         {4, kGeneral},
      {-1, kGeneral},        {127, kGeneral}};
  for (const auto& [status, text] : statuses)
    EXPECT_EQ(ShellFailureOf(ShellResultOfXdgOpenStatus(status))->description, text) << status;
}

TEST(GShellShowCommand, ProgramsStartHiddenOnlyWithParametersOrAFolder) {
  const std::tuple<const char*, const char*, const char*, int> cases[] = {
      {"/opt/tools/report.exe", "", "", kShowNormal},       {"/opt/tools/report.exe", "-x", "", kShowHide},
      {"/opt/tools/Report.ExE", "", "/tmp", kShowHide},     {"/opt/tools.exe.d/notes.htm", "", "/tmp", kShowHide},
      {"/opt/tools/notes.htm", "-x", "/tmp", kShowDefault}, {"/opt/tools/notes.ex", "-x", "", kShowDefault},
  };
  for (const auto& [target, parameters, folder, show] : cases)
    EXPECT_EQ(ShowCommandFor(target, parameters, folder), show) << target;
}

TEST(GShell, LeavesAnErrorRecordOnlyForFailures) {
  RecordingOpener opener;
  for (long result : {0L, 31L, 32L, 33L}) {
    opener.result = result;
    const auto failure = ShellFailureOf(result);
    ShellError error;
    EXPECT_EQ(GShell("/tmp/help.htm", 5, "", "", "open", nullptr, opener, error), !failure.has_value()) << result;
    EXPECT_EQ(error.number, failure ? failure->number : 0);
    EXPECT_EQ(error.description, failure ? failure->description : "");
    EXPECT_EQ(error.source, failure ? "tallyvane_ui_tests.GShell" : "");
  }
  EXPECT_EQ(opener.requests.back().show_command, kShowNormal) << "the caller's show command is not used";
  // An opener that fails outright is no shortage of memory.
  struct ThrowingOpener : DesktopOpener {
    long Open(const ShellRequest&) override { throw std::runtime_error("no session bus"); }
  } failing;
  ShellError error;
  EXPECT_FALSE(GShell("/tmp/help.htm", 5, "", "", "open", nullptr, failing, error));
  EXPECT_EQ(error.description, ShellFailureOf(kShellGeneralFailure)->description);
  EXPECT_EQ(error.number, kShellErrorBase + 1);
}

TEST(XdgOpenOpener, ReportsAMissingDocument) {
  if (!std::filesystem::exists("/usr/bin/xdg-open")) GTEST_SKIP() << "xdg-utils is not installed";
  TempDir folder;
  EXPECT_EQ(XdgOpenOpener().Open({nullptr, "open", folder.File("missing.htm"), "", ""}), 2);
}

}  // namespace
}  // namespace tallyvane::test
