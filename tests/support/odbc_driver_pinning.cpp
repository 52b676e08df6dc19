#include "odbc_driver_pinning.h"

#include <dlfcn.h>

#include <string>

namespace tallyvane::test {

void KeepOdbcDriversLoaded() {
  for (const char* name : {"libsqlite3odbc.so", "psqlodbcw.so"}) {
    for (const char* folder : {"", "/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/odbc/",
                               "/usr/local/lib/"}) {
      if (dlopen((std::string(folder) + name).c_str(), RTLD_NOW | RTLD_GLOBAL)) break;
    }
  }
}

}  // namespace tallyvane::test
