#pragma once
// Builds the ODBC connection string for a data source, user and password.
#include <string>

namespace tallyvane::odbc {

// The value as is, or in braces with '}' doubled when it holds ';', '{',
// '}', '=' or leading/trailing blanks. Only where needed: the SQLite
// driver does not understand braces.
std::string QuoteConnectionValue(const std::string& value);

// "DSN=...;UID=...;PWD=..."; UID and PWD only when not empty.
std::string BuildConnectionString(const std::string& data_source, const std::string& user,
                                  const std::string& password);

}  // namespace tallyvane::odbc
