#pragma once
// The Worksheet handle of the workbook engine: a sheet of a shared open
// document, safe to hold after its workbook is closed.
#include <memory>
#include <string>

#include "platform/spreadsheet.h"

namespace tallyvane::ooxml {

class WorkbookDocument;

class OoxmlWorksheet : public Worksheet {
 public:
  OoxmlWorksheet(std::shared_ptr<WorkbookDocument> document, int index);
  std::string Name() const override;
  void SetCellValue(int row, int column, const Value& value) override;
  void InsertRows(int row, int count) override;
  void InsertColumns(int column, int count) override;

 private:
  std::shared_ptr<WorkbookDocument> document_;
  int index_;
  std::string name_;
};

}  // namespace tallyvane::ooxml
