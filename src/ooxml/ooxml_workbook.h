#pragma once
// The Workbook handle of the workbook engine over one open package.
#include <memory>
#include <string>

#include "platform/spreadsheet.h"

namespace tallyvane::ooxml {

class WorkbookDocument;

class OoxmlWorkbook : public Workbook {
 public:
  explicit OoxmlWorkbook(std::shared_ptr<WorkbookDocument> document);
  ~OoxmlWorkbook() override;
  void Activate() override;
  std::unique_ptr<Worksheet> WorksheetByName(const std::string& name) override;
  std::unique_ptr<Worksheet> WorksheetByIndex(int position) override;
  std::vector<std::string> WorksheetNames() override;
  bool HasDefinedName(const std::string& name) override;
  std::string DefinedNameFormula(const std::string& name) override;
  void SetNameValue(const std::string& name, const std::string& text) override;
  void Save() override;
  void Close() override;

 private:
  std::shared_ptr<WorkbookDocument> document_;
};

}  // namespace tallyvane::ooxml
