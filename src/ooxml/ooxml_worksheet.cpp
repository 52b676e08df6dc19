#include "ooxml/ooxml_worksheet.h"

#include "ooxml/engine_guard.h"
#include "ooxml/workbook_document.h"

namespace tallyvane::ooxml {

OoxmlWorksheet::OoxmlWorksheet(std::shared_ptr<WorkbookDocument> document, int index)
    : document_(std::move(document)), index_(index), name_(document_->WorksheetName(index)) {}

std::string OoxmlWorksheet::Name() const { return name_; }

void OoxmlWorksheet::SetCellValue(int row, int column, const Value& value) {
  // The hot path of a fill: no message text is built unless something fails.
  try {
    document_->SetCellValue(index_, row, column, value);
  } catch (const PlatformError&) {
    throw;
  } catch (...) {
    Guarded("write a cell of the worksheet \"" + name_ + "\"", [] { throw; });
  }
}

void OoxmlWorksheet::InsertRows(int row, int count) {
  Guarded("insert rows into the worksheet \"" + name_ + "\"",
          [&] { document_->Insert(index_, InsertKind::Rows, row, count); });
}

void OoxmlWorksheet::InsertColumns(int column, int count) {
  Guarded("insert columns into the worksheet \"" + name_ + "\"",
          [&] { document_->Insert(index_, InsertKind::Columns, column, count); });
}

}  // namespace tallyvane::ooxml
