#include "odbc/data_source_places.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tallyvane::odbc {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The driver manager takes the home folder from the password file, not
// from $HOME, so a job started with another HOME still reads this one.
std::string AccountUserFile() {
  const struct passwd* account = ::getpwuid(::getuid());
  const std::string home = account != nullptr && account->pw_dir != nullptr ? account->pw_dir : "/home";
  return home + "/.odbc.ini";
}

}  // namespace

std::string DataSourcePlaces() {
  const std::string odbcini = Variable("ODBCINI");
  const std::string system_folder = Variable("ODBCSYSINI");
  const std::string user_file =
      odbcini.empty() ? "\"" + AccountUserFile() + "\" (ODBCINI not set)" : "ODBCINI=\"" + odbcini + "\"";
  return "data sources are read from " + user_file + " and \"" +
         (system_folder.empty() ? std::string("/etc") : system_folder) + "/odbc.ini\"";
}

std::string WithDataSourcePlaces(const std::string& description) {
  if (description.find("IM002") == std::string::npos) return description;
  return description + " (" + DataSourcePlaces() + ")";
}

}  // namespace tallyvane::odbc
