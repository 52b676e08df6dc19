#pragma once
// The numbered SQL files of the configuration, processed in order.
#include <cstdint>
#include <string>
#include <vector>

namespace tallyvane {

struct RunContext;
struct RunParameters;
class FileSystem;
struct SqlParameter;

struct ListedSqlFile {
  std::int16_t number = 0;  // the entry number k of "Fk"
  std::string name;
};

// The entries F1 to F_MAXNUM that name a file, in order. An F_MAXNUM that
// is not a 16-bit whole number throws PlatformError.
std::vector<ListedSqlFile> ListSqlFiles(const std::string& cfg_file_name);

// The file's lines as UTF-8, all read before any statement runs: a file
// that is not valid text in its code page runs none of them garbled. A
// UTF-8 byte-order mark says UTF-8 whatever the configuration's code page
// (empty for UTF-8), and is no part of the first line. Throws PlatformError.
std::vector<std::string> ReadSqlFileLines(FileSystem& file_system, const std::string& file_name,
                                          const std::string& code_page_name);

// The run's parameters as the SQL text sees them, in declaration order.
std::vector<SqlParameter> SqlParametersOf(const RunParameters& parameters);

// Reads one SQL file and runs its statements in order, logging what it
// does; a file that cannot be read is logged as an error of the run.
void RunSqlFile(RunContext& context, std::int16_t file_number, const std::string& file_name);

// Nothing here traps a bad F_MAXNUM, so it ends the run. It and RunSqlFile
// take the whole record: they use every part of it.
void RunSqlFileList(RunContext& context);

}  // namespace tallyvane
