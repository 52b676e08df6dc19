#include "ooxml/ooxml_workbook.h"

#include "ooxml/engine_guard.h"
#include "ooxml/ooxml_worksheet.h"
#include "ooxml/workbook_document.h"

namespace tallyvane::ooxml {
namespace {

// The fixed description first, then what the operator needs to fix it.
PlatformError NoSuchSheet(const WorkbookDocument& document, const std::string& wanted) {
  std::string sheets;
  for (int i = 0; i < document.WorksheetCount(); ++i) {
    sheets += (i == 0 ? "" : ", ") + document.WorksheetName(i);
  }
  return PlatformError("Subscript out of range (no sheet " + wanted + "; sheets: " + sheets + ")");
}

}  // namespace

OoxmlWorkbook::OoxmlWorkbook(std::shared_ptr<WorkbookDocument> document) : document_(std::move(document)) {}

OoxmlWorkbook::~OoxmlWorkbook() {
  // Handles still held see a closed workbook, never a dangling one.
  if (document_) document_->Close();
}

void OoxmlWorkbook::Activate() {}

std::unique_ptr<Worksheet> OoxmlWorkbook::WorksheetByName(const std::string& name) {
  return Guarded("find a worksheet", [&]() -> std::unique_ptr<Worksheet> {
    document_->CheckOpen();
    int index = document_->FindWorksheet(name);
    if (index < 0) throw NoSuchSheet(*document_, "\"" + name + "\"");
    return std::make_unique<OoxmlWorksheet>(document_, index);
  });
}

std::unique_ptr<Worksheet> OoxmlWorkbook::WorksheetByIndex(int position) {
  return Guarded("find a worksheet", [&]() -> std::unique_ptr<Worksheet> {
    document_->CheckOpen();
    if (position < 1 || position > document_->WorksheetCount()) {
      throw NoSuchSheet(*document_, "at position " + std::to_string(position));
    }
    return std::make_unique<OoxmlWorksheet>(document_, position - 1);
  });
}

std::vector<std::string> OoxmlWorkbook::WorksheetNames() {
  document_->CheckOpen();
  std::vector<std::string> names;
  for (int i = 0; i < document_->WorksheetCount(); ++i) names.push_back(document_->WorksheetName(i));
  return names;
}

bool OoxmlWorkbook::HasDefinedName(const std::string& name) {
  return Guarded("find a defined name", [&] { return document_->HasName(name); });
}

std::string OoxmlWorkbook::DefinedNameFormula(const std::string& name) {
  return Guarded("find a defined name", [&] { return document_->NameFormula(name); });
}

void OoxmlWorkbook::SetNameValue(const std::string& name, const std::string& text) {
  Guarded("set the defined name \"" + name + "\"", [&] { document_->SetNameText(name, text); });
}

void OoxmlWorkbook::Save() {
  Guarded("save \"" + document_->Path() + "\"", [&] { document_->Save(); });
}

void OoxmlWorkbook::Close() { document_->Close(); }

}  // namespace tallyvane::ooxml
