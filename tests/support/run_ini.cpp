#include "run_ini.h"

namespace tallyvane::test {
namespace {

std::string Key(const char* key, const std::string& value) {
  return value.empty() ? std::string() : std::string(key) + "=" + value + "\n";
}

std::string Section(const char* name, const std::string& lines) {
  return lines.empty() ? std::string() : "[" + std::string(name) + "]\n" + lines + "\n";
}

}  // namespace

std::string RunIni::Write(const TempDir& dir, const std::string& name) const {
  return dir.Write(name, Section("FILE", Key("LogFileName", log) + Key("ReportTemplateFileName", template_file) +
                                             Key("ReportFileName", report)) +
                             Section("ODBC", Key("DSN", dsn) + Key("DBUSER", user) + Key("DBPWD", password)) +
                             Section("SQLFILE", sql_files) + Section("PARAMETER", parameters));
}

}  // namespace tallyvane::test
