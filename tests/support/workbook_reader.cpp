#include "workbook_reader.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "shell_command.h"

namespace tallyvane::test {
namespace {

std::string RunXlsxTool(const std::string& arguments) {
  const std::string command = "/usr/bin/python3 " + ShellQuote(TALLYVANE_XLSX_TOOL) + " " + arguments;
  int status = 0;
  std::string output = RunCommand(command, &status);
  if (status != 0) throw std::runtime_error("failed: " + command);
  return output;
}

bool HasLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

}  // namespace

void MakeWorkbook(const std::string& path, const std::string& json_spec) {
  RunXlsxTool("make " + ShellQuote(path) + " " + ShellQuote(json_spec));
}

std::string WorkbookDump::Value(const std::string& sheet_and_ref) const {
  auto found = cells.find(sheet_and_ref);
  return found == cells.end() ? std::string() : found->second.value;
}

WorkbookDump DumpWorkbook(const std::string& path) {
  const std::string text = RunXlsxTool("dump " + ShellQuote(path));
  WorkbookDump dump;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    if (fields[0] == "cell" && fields.size() >= 5) {
      dump.cells[fields[1] + "!" + fields[2]] = {fields[3], fields[4]};
    } else if (fields[0] == "name" && fields.size() >= 3) {
      dump.names[fields[1]] = fields[2];
    } else if (fields[0] == "chart" && fields.size() >= 3) {
      dump.charts.push_back(fields[1] + "!" + fields[2]);
    }
  }
  return dump;
}

std::string RecalculatedCsv(const std::string& path, const std::string& sheet) {
  if (!HasLibreOffice()) return std::string();
  return RunXlsxTool("csv " + ShellQuote(path) + " " + ShellQuote(sheet));
}

}  // namespace tallyvane::test
