#pragma once
// A worksheet part: its sheetData as a compact row and cell model, the rest
// of the part as an XML tree. Loading and cell access live in
// worksheet_part.cpp, insertion in worksheet_insertion.cpp; the rows are
// written back by worksheet_writer and worksheet_stream.
#include <functional>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "ooxml/package.h"
#include "ooxml/reference_shifter.h"
#include "ooxml/styles.h"
#include "ooxml/worksheet_cells.h"

namespace tallyvane::ooxml {

class WorksheetPart {
 public:
  WorksheetPart(std::string part, const std::string& bytes, const std::string& file);

  const std::string& PartName() const { return part_; }
  // The cell at (row, column), created empty with the format the desktop
  // spreadsheet gives a new cell there (row format, else column format).
  Cell& TouchCell(int row, int column);
  // The cell at (row, column), or null when the sheet has none there.
  const Cell* FindCell(int row, int column) const;
  // Removes the value and formula of a cell, keeping its format.
  void ClearCell(int row, int column);
  // The cell at (row, column) emptied of value and formula, ready for a value.
  Cell& CellForValue(int row, int column);

  // Why the desktop spreadsheet refuses a write into the cell (part of a
  // multi-cell array formula or data table, or a locked cell of a protected
  // sheet; styles may be null), or "" when it does not.
  std::string WriteRefusal(int row, int column, const Styles* styles);
  bool Protected() const { return protected_; }
  // Before the cell is written: when it lies in the spill range of a
  // dynamic array formula, the range's other cached results go, and an
  // anchor that stays keeps only its own cell (the desktop spreadsheet
  // shows the spill as blocked until it computes it again).
  void ReleaseSpill(int row, int column);

  // True when inserting would push a non-empty cell off the sheet.
  bool WouldPushOffContent(const Insertion& ins) const;
  // Why the desktop spreadsheet refuses the insertion into this sheet (its
  // protection forbids it, or it would split a multi-cell array formula or
  // a data table), or "" when it does not.
  std::string InsertionRefusal(const Insertion& ins) const;
  // Applies an insertion into this very sheet.
  void Insert(const Insertion& ins);
  // Adjusts references to another sheet that received an insertion.
  // Returns true when something changed.
  bool ShiftReferencesTo(const Insertion& ins);

  // Removes the cached result of every formula cell (and of the other cells
  // of multi-cell array formulas and data tables) but those keep accepts;
  // true when any went.
  bool DropCachedResults(const std::function<bool(int row, int column)>& keep = nullptr);

  void MarkChanged() { changed_ = true; }
  bool Changed() const { return changed_; }
  std::string Serialize();

  // For the writers: the rows, the namespace prefix of the sheet's elements
  // ("" or "x:"), and the part around the sheet data (everything before and
  // after the rows).
  const std::vector<Row>& Rows() const { return rows_; }
  const std::string& Prefix() const { return prefix_; }
  void SplitFrame(std::string* head, std::string* tail);

 private:
  void LoadSheetData(pugi::xml_node sheet_data, const std::string& file);
  void LoadColumns();
  Row* FindRow(int index);
  Row& TouchRow(int index);
  int InheritedStyle(const Row& row, int column) const;
  void ExpandSharedFormulas();
  void ShiftRowsOfSheetData(const Insertion& ins);
  void ShiftColumnsOfSheetData(const Insertion& ins);
  void ShiftColumnDefinitions(const Insertion& ins);
  void ShiftCellFormulas(const Insertion& ins, const std::string& host);
  bool ShiftTreeReferences(const Insertion& ins, bool own_sheet);
  void UpdateDimension();
  // A multi-cell array formula, data table or spill range, by its anchor.
  struct Block {
    RefArea area;
    int row = 0;
    int column = 0;
    bool spill = false;  // a dynamic array: its other cells are only results
    std::string what;    // "array formula" or "data table"
  };
  const std::vector<Block>& Blocks();

  struct ColumnStyle {
    int min = 0;
    int max = 0;
    int style = 0;
  };

  std::string part_;
  std::string prefix_;  // namespace prefix of the sheet's elements ("" or "x:")
  pugi::xml_document doc_;
  std::vector<Row> rows_;
  std::vector<ColumnStyle> column_styles_;
  bool protected_ = false;  // the sheet's protection is on
  std::vector<Block> blocks_;
  bool blocks_known_ = false;  // blocks_ is up to date
  bool changed_ = false;
};

}  // namespace tallyvane::ooxml
