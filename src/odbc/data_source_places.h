#pragma once
// Where the driver manager looks for data source names, for the operator
// whose data source name it does not know.
#include <string>

namespace tallyvane::odbc {

// "data sources are read from ..." naming the two files the driver manager
// reads, as odbcinst -j shows them: the user file (ODBCINI, or .odbc.ini in
// the account's home folder) and the system odbc.ini (in ODBCSYSINI or /etc).
std::string DataSourcePlaces();

// The description with the places appended in parentheses when the driver
// manager reported an unknown data source name (SQLSTATE IM002).
std::string WithDataSourcePlaces(const std::string& description);

}  // namespace tallyvane::odbc
