#pragma once
// One open workbook package with its parts loaded on demand: the state that
// the workbook and worksheet handles share, and every operation on it.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ooxml/content_types.h"
#include "ooxml/package.h"
#include "ooxml/relationships.h"
#include "ooxml/shared_strings.h"
#include "ooxml/styles.h"
#include "ooxml/workbook_part.h"
#include "ooxml/worksheet_part.h"
#include "platform/value.h"

namespace tallyvane::ooxml {

class WorkbookDocument {
 public:
  // Opens and checks the package; throws PlatformError naming the file.
  // When path is a fresh copy of another file, shown names that file in
  // what is said about the content.
  explicit WorkbookDocument(const std::string& path, const std::string& shown = "");

  const std::string& Path() const { return path_; }
  bool IsOpen() const { return package_ != nullptr; }
  // Throws unless the workbook is open.
  void CheckOpen() const;

  int WorksheetCount() const { return static_cast<int>(sheets_.size()); }
  const std::string& WorksheetName(int index) const { return sheets_.at(static_cast<size_t>(index)).name; }
  // Zero-based index of the worksheet (case-insensitive), or -1.
  int FindWorksheet(const std::string& name) const;

  // Refuses, as the desktop spreadsheet does, a write into part of a
  // multi-cell array formula or data table, into a pivot table, or into a
  // locked cell of a protected sheet.
  void SetCellValue(int sheet, int row, int column, const Value& value);
  void Insert(int sheet, InsertKind kind, int at, int count);
  void SetNameText(const std::string& name, const std::string& text);
  bool HasName(const std::string& name) const;
  std::string NameFormula(const std::string& name) const;
  void Save();
  void Close();

  // The deflate level for changed parts: level 1 keeps a large sheet fast to
  // write at a modest cost in file size.
  static constexpr int kDeflateLevel = 1;

 private:
  struct SheetInfo {
    std::string name;
    std::string part;
    std::string broken;  // why the sheet cannot be read; told when it is used
  };

  WorksheetPart& Sheet(int index);
  void WriteCell(int sheet, int row, int column, const Value& value);
  // Why the cell must not be written, or "".
  std::string WriteRefusal(int sheet, int row, int column);
  const std::vector<RefArea>& PivotTableAreas(int sheet);
  SharedStrings& Strings();
  Styles* StylesPart();
  std::unique_ptr<Relationships> ReadRelationships(const std::string& part);
  void ShiftOtherParts(int sheet, const Insertion& ins);
  // Why a pivot table on the sheet refuses the insertion, or "".
  std::string PivotTableRefusal(int sheet, const Insertion& ins);
  void DropStaleResults();
  std::string CannotWrite(int sheet, int row, int column) const;
  // The serial number of a date or time value and the built-in format a
  // General cell gets for it; throws when the workbook cannot show it.
  double DateTimeSerial(int sheet, int row, int column, const Value& value, int* format);

  std::string path_;
  std::string shown_;  // the file named in what is said about the content
  std::unique_ptr<Package> package_;
  std::unique_ptr<ContentTypes> content_types_;
  std::string workbook_part_name_;
  std::unique_ptr<WorkbookPart> workbook_;
  std::unique_ptr<Relationships> workbook_rels_;
  std::vector<SheetInfo> sheets_;
  std::map<int, std::shared_ptr<WorksheetPart>> loaded_;
  std::shared_ptr<SharedStrings> strings_;
  std::string strings_part_;
  std::unique_ptr<Styles> styles_;
  bool styles_missing_ = false;
  bool workbook_rels_changed_ = false;
  bool edited_ = false;                              // anything written since the workbook was opened
  std::vector<std::string> assigned_names_;          // defined names given a value
  std::vector<bool> written_;                        // per worksheet: cells written or inserted
  std::map<int, std::vector<RefArea>> pivot_areas_;  // per worksheet, once looked up
};

}  // namespace tallyvane::ooxml
