#pragma once
// The operator's configuration file of a run, for tests. Every key is
// written as it stands; a key whose value is empty is left out.
#include <string>

#include "temp_dir.h"

namespace tallyvane::test {

struct RunIni {
  std::string log = "run.log";
  std::string template_file = "template.xlsx";
  std::string report = "report.xlsx";
  std::string dsn = "Sales";
  std::string user;
  std::string password;
  std::string sql_files;   // the [SQLFILE] lines, e.g. "F_MAXNUM=1\nF1=one.sql\n"
  std::string parameters;  // the [PARAMETER] lines, e.g. "Name1=[A]\nDefault1=a\n"

  // Writes the file into dir; returns its path.
  std::string Write(const TempDir& dir, const std::string& name = "run.ini") const;
};

}  // namespace tallyvane::test
