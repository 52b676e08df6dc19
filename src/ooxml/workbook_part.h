#pragma once
// The workbook part (xl/workbook.xml): its sheets, defined names, date
// system and calculation settings.
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

struct SheetEntry {
  std::string name;
  std::string relationship_id;
};

class WorkbookPart {
 public:
  WorkbookPart(const std::string& bytes, const std::string& file);
  const std::vector<SheetEntry>& Sheets() const { return sheets_; }
  bool Date1904() const { return date1904_; }
  // Makes the workbook-level name (case-insensitive) stand for the text.
  // False when no such workbook-level name exists.
  bool SetNameText(const std::string& name, const std::string& text);
  bool HasName(const std::string& name) const;
  // The formula text of a defined name as seen from the sheet at position
  // local_sheet_id of the workbook (its own name first, then the workbook's);
  // false when neither exists.
  bool NameFormula(std::string_view name, int local_sheet_id, std::string* text) const;
  // Shifts the references of every defined name.
  void ShiftNames(const Insertion& ins);
  // Asks the desktop spreadsheet to recalculate everything when it opens
  // the file (the calculation chain is dropped).
  void RequestFullCalculation();
  std::string Serialize() const;

 private:
  pugi::xml_document doc_;
  std::vector<SheetEntry> sheets_;
  bool date1904_ = false;
};

// The formula text of a defined name that stands for a text constant;
// long texts are joined from pieces of at most 255 characters, the longest
// constant a formula may hold, and characters that the workbook part cannot
// carry as they are ("a"&CHAR(1)&"b") from the functions that make them.
std::string TextConstantFormula(const std::string& text);

}  // namespace tallyvane::ooxml
