#pragma once
// What a report run needs of a spreadsheet application: open a workbook,
// find worksheets, write cells, insert rows or columns, assign defined
// names, save, close and quit. Every failing operation throws
// PlatformError with a description that names the object and the reason.
#include <memory>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tallyvane {

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  virtual std::string Name() const = 0;
  // Row and column count from 1. Null and the empty text clear the cell's
  // value and formula and keep its style.
  virtual void SetCellValue(int row, int column, const Value& value) = 0;
  // Inserts count whole rows at row (the cells from there on move down).
  virtual void InsertRows(int row, int count) = 0;
  // Inserts count whole columns at column (the cells from there on move right).
  virtual void InsertColumns(int column, int count) = 0;
};

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual void Activate() = 0;
  // A missing worksheet throws PlatformError whose text begins with
  // "Subscript out of range".
  // The handle stays safe to hold after the workbook is closed; using it
  // then throws.
  virtual std::unique_ptr<Worksheet> WorksheetByName(const std::string& name) = 0;
  virtual std::unique_ptr<Worksheet> WorksheetByIndex(int position) = 0;
  // The worksheets' names in workbook order.
  virtual std::vector<std::string> WorksheetNames() = 0;
  // True when a workbook-level defined name of that name exists.
  virtual bool HasDefinedName(const std::string& name) = 0;
  // What a workbook-level defined name stands for, as its formula text
  // without "=" (a reference such as Sheet1!$B$2, or a constant); empty when
  // the name is not defined.
  virtual std::string DefinedNameFormula(const std::string& name) = 0;
  // Makes the workbook-level defined name stand for the text constant.
  virtual void SetNameValue(const std::string& name, const std::string& text) = 0;
  // Writes the workbook to its own path, in its own format.
  virtual void Save() = 0;
  virtual void Close() = 0;
};

class SpreadsheetApp {
 public:
  virtual ~SpreadsheetApp() = default;
  virtual std::unique_ptr<Workbook> OpenWorkbook(const std::string& path) = 0;
  // Opens path, a fresh copy of original: what is wrong inside the workbook
  // is told of original, the file the operator can fix.
  virtual std::unique_ptr<Workbook> OpenCopy(const std::string& path, const std::string& original) {
    (void)original;
    return OpenWorkbook(path);
  }
  virtual void Quit() = 0;
};

}  // namespace tallyvane
