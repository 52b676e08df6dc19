#pragma once
// Workbooks for tests: made and read back by openpyxl, an independent
// reader, and recalculated by LibreOffice where totals must be checked.
#include <map>
#include <string>
#include <vector>

namespace tallyvane::test {

// Writes a workbook from a JSON spec (see xlsx_tool.py).
void MakeWorkbook(const std::string& path, const std::string& json_spec);

struct CellDump {
  std::string type;  // openpyxl's: n number, s text, b Boolean, d date, f formula
  std::string value;
};

// What openpyxl reads from a workbook. Cells are keyed "Sheet!A1".
struct WorkbookDump {
  std::map<std::string, CellDump> cells;
  std::map<std::string, std::string> names;
  std::vector<std::string> charts;  // "Sheet!row,column" of the top left anchor

  // The cell's value, or "" when the cell is empty.
  std::string Value(const std::string& sheet_and_ref) const;
};

WorkbookDump DumpWorkbook(const std::string& path);

// The sheet's recalculated values as CSV, or empty when LibreOffice is
// not installed.
std::string RecalculatedCsv(const std::string& path, const std::string& sheet);

}  // namespace tallyvane::test
