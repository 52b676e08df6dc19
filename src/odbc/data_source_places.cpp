#include "odbc/data_source_places.h"

#include <cstdlib>

namespace tallyvane::odbc {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string DataSourcePlaces() {
  const std::string odbcini = Variable("ODBCINI");
  const std::string system_folder = Variable("ODBCSYSINI");
  return "data sources are read from " +
         (odbcini.empty() ? std::string("ODBCINI (not set)") : "ODBCINI=" + odbcini) + ", ~/.odbc.ini and " +
         (system_folder.empty() ? std::string("/etc") : system_folder) + "/odbc.ini";
}

std::string WithDataSourcePlaces(const std::string& description) {
  if (description.find("IM002") == std::string::npos) return description;
  return description + " (" + DataSourcePlaces() + ")";
}

}  // namespace tallyvane::odbc
