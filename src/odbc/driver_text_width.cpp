#include "odbc/driver_text_width.h"

#include <dlfcn.h>
#include <link.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "odbc/utf16.h"

namespace tallyvane::odbc {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The file a path names after following links; "" when there is none.
std::string RealPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  if (resolved == nullptr) return "";
  std::string out = resolved;
  std::free(resolved);
  return out;
}

struct Search {
  std::string driver_file;
  std::string path;
};

// The loaded object whose file (or the file its link names) is the driver's.
int MatchDriver(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<Search*>(data);
  if (info->dlpi_name == nullptr || *info->dlpi_name == '\0') return 0;
  const std::string name = info->dlpi_name;
  const bool same = BaseName(name) == search->driver_file || BaseName(RealPath(name.c_str())) == search->driver_file;
  if (same) search->path = name;
  return same ? 1 : 0;
}

}  // namespace

bool DriverTakesNarrowText(SQLHDBC connection) {
  SQLWCHAR name[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(connection, SQL_DRIVER_NAME, name, sizeof name, &length))) return false;
  const auto units =
      std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)) / sizeof(SQLWCHAR), 255);
  Search search{BaseName(Utf16ToUtf8(name, units)), ""};
  if (search.driver_file.empty() || dl_iterate_phdr(MatchDriver, &search) == 0) return false;
  void* library = dlopen(search.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return false;
  // dlsym also searches what the driver links; only its own symbol counts.
  bool wide = false;
  if (void* symbol = dlsym(library, "SQLExecDirectW")) {
    Dl_info where{};
    wide = dladdr(symbol, &where) != 0 && where.dli_fname != nullptr &&
           RealPath(where.dli_fname) == RealPath(search.path.c_str());
  }
  dlclose(library);
  return !wide;
}

}  // namespace tallyvane::odbc
