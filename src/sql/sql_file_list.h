#pragma once
// The numbered SQL files of the configuration, processed in order.
#include <cstdint>
#include <string>
#include <vector>

namespace tallyvane {

struct RunContext;

struct ListedSqlFile {
  std::int16_t number = 0;  // the entry number k of "Fk"
  std::string name;
};

// The entries F1 to F_MAXNUM that name a file, in order. An F_MAXNUM that
// is not a 16-bit whole number throws PlatformError.
std::vector<ListedSqlFile> ListSqlFiles(const RunContext& context);

// Nothing here traps a bad F_MAXNUM, so it ends the run.
void RunSqlFileList(RunContext& context);

}  // namespace tallyvane
