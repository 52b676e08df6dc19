#pragma once
// The workbook's cells as the formula evaluator reads them: stored values,
// formula texts (shared formulas translated to each cell), hidden rows,
// defined names, and which sheets and names the run changed.
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "formula/cell_source.h"
#include "ooxml/cell_reference.h"
#include "ooxml/shared_strings.h"
#include "ooxml/workbook_part.h"
#include "ooxml/worksheet_part.h"

namespace tallyvane::ooxml {

class WorkbookCells : public formula::CellSource {
 public:
  struct SheetSource {
    std::string name;
    bool changed = false;
    int workbook_position = -1;  // for sheet-level names
  };
  // sheet(i) loads worksheet i on first use.
  WorkbookCells(std::vector<SheetSource> sheets, std::function<WorksheetPart&(int)> sheet, SharedStrings* strings,
                const WorkbookPart& workbook, std::vector<std::string> assigned_names);

  int FindSheet(std::string_view name) const override;
  formula::SourceCell Cell(int sheet, int row, int column) const override;
  void ForEachCell(int sheet, const formula::Area& area,
                   const std::function<void(int row, int column, formula::SourceCell& cell)>& visit) const override;
  int LastRow(int sheet) const override;
  int LastColumn(int sheet) const override;
  bool RowHidden(int sheet, int row) const override;
  bool SheetChanged(int sheet) const override;
  bool FindName(std::string_view name, int sheet, std::string* formula, bool* changed) const override;

 private:
  struct Loaded {
    const WorksheetPart* part = nullptr;
    int last_row = 0;
    int last_column = 0;
    std::vector<RefArea> blocks;                       // multi-cell arrays and data tables
    std::map<int, const ooxml::Cell*> shared_masters;  // by shared index
    std::map<int, int> master_rows;
    std::vector<int> hidden_rows;  // ascending
  };
  const Loaded& Load(int sheet) const;
  formula::SourceCell Convert(int sheet, int row, const ooxml::Cell& cell) const;

  std::vector<SheetSource> sheets_;
  std::function<WorksheetPart&(int)> sheet_;
  SharedStrings* strings_;
  const WorkbookPart& workbook_;
  std::vector<std::string> assigned_names_;
  mutable std::map<int, Loaded> loaded_;
  mutable std::unordered_map<std::uint64_t, std::string> translated_;
};

}  // namespace tallyvane::ooxml
