#include "app/usage_text.h"

namespace tallyvane {

std::string UsageText() {
  return "Usage: tallyvane [-F configuration.ini] [-C] [value ...]\n"
         "       tallyvane --check [-F configuration.ini] [value ...]\n"
         "       tallyvane --help | -h | --version\n"
         "\n"
         "  -F file   the configuration file of the run\n"
         "  -C        run unattended: start at once, report errors on standard error, end after the run\n"
         "  --check   check the configuration, its template, data source and SQL files; run nothing\n"
         "  value     up to ten values for the run parameters, in declaration order\n"
         "\n"
         "Without -F the configuration is tallyvane.ini beside the program, then in the folder\n"
         "named by the variable windir. Without -C the main window opens.\n"
         "\n"
         "Exit status of an unattended run: 0 finished without errors, 1 finished with errors\n"
         "in its log, 2 stopped early. Of --check: 0 nothing would fail, 1 problems found.\n"
         "\n"
         "More in the manual page: man tallyvane\n";
}

}  // namespace tallyvane
