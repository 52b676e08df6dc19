#pragma once
// Where the driver manager looks for data source names, for the operator
// whose data source name it does not know.
#include <string>

namespace tallyvane::odbc {

// "data sources are read from ..." naming ODBCINI (or that it is not set),
// the user's ~/.odbc.ini and the system odbc.ini.
std::string DataSourcePlaces();

// The description with the places appended in parentheses when the driver
// manager reported an unknown data source name (SQLSTATE IM002).
std::string WithDataSourcePlaces(const std::string& description);

}  // namespace tallyvane::odbc
