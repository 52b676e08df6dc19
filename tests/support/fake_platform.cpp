#include "fake_platform.h"

#include "platform/platform_error.h"

namespace tallyvane::test {

void FakeJournal::Call(const std::string& call) {
  calls.push_back(call);
  if (failing.count(call) != 0) throw PlatformError(call + " failed");
}

namespace {

class FakeWorksheet : public Worksheet {
 public:
  FakeWorksheet(FakeJournal& journal, std::string name) : journal_(journal), name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  void SetCellValue(int, int, const Value&) override { journal_.Call("Cell.Value"); }
  void InsertRows(int row, int count) override {
    journal_.Call("InsertRows " + std::to_string(row) + " " + std::to_string(count));
  }
  void InsertColumns(int column, int count) override {
    journal_.Call("InsertColumns " + std::to_string(column) + " " + std::to_string(count));
  }

 private:
  FakeJournal& journal_;
  std::string name_;
};

class FakeWorkbook : public Workbook {
 public:
  explicit FakeWorkbook(FakeJournal& journal) : journal_(journal) {}
  void Activate() override { journal_.Call("Workbook.Activate"); }
  std::unique_ptr<Worksheet> WorksheetByName(const std::string& name) override {
    for (const std::string& sheet : journal_.sheet_names) {
      if (sheet == name) return std::make_unique<FakeWorksheet>(journal_, sheet);
    }
    throw PlatformError("Subscript out of range");
  }
  std::unique_ptr<Worksheet> WorksheetByIndex(int position) override {
    if (position < 1 || position > static_cast<int>(journal_.sheet_names.size())) {
      throw PlatformError("Subscript out of range");
    }
    return std::make_unique<FakeWorksheet>(journal_, journal_.sheet_names[position - 1]);
  }
  std::vector<std::string> WorksheetNames() override { return journal_.sheet_names; }
  bool HasDefinedName(const std::string& name) override { return journal_.names.count(name) != 0; }
  std::string DefinedNameFormula(const std::string& name) override {
    return journal_.names.count(name) != 0 ? journal_.names.at(name) : std::string();
  }
  void SetNameValue(const std::string& name, const std::string& text) override {
    journal_.Call("Name.Value");
    journal_.names[name] = text;
  }
  void Save() override { journal_.Call("Workbook.Save"); }
  void Close() override { journal_.Call("Workbook.Close"); }

 private:
  FakeJournal& journal_;
};

class FakeApp : public SpreadsheetApp {
 public:
  explicit FakeApp(FakeJournal& journal) : journal_(journal) {}
  std::unique_ptr<Workbook> OpenWorkbook(const std::string&) override {
    journal_.Call("Workbooks.Open");
    return std::make_unique<FakeWorkbook>(journal_);
  }
  void Quit() override { journal_.Call("Application.Quit"); }

 private:
  FakeJournal& journal_;
};

class FakeConnection : public DatabaseConnection {
 public:
  explicit FakeConnection(FakeJournal& journal) : journal_(journal) {}
  void SetConnectionTimeout(int) override {}
  void SetCommandTimeout(int) override {}
  void Open(const std::string&, const std::string&, const std::string&) override {
    journal_.Call("Connection.Open");
    open_ = true;
  }
  void Execute(const std::string& sql) override { journal_.Call("Execute " + sql); }
  int Prepare(const std::string& sql, std::vector<std::string>*) override {
    journal_.Call("Prepare " + sql);
    return -1;
  }
  void Close() override {
    journal_.Call("Connection.Close");
    open_ = false;
  }
  bool IsOpen() const override { return open_; }

 private:
  FakeJournal& journal_;
  bool open_ = false;
};

class FakeRecordset : public Recordset {
 public:
  explicit FakeRecordset(FakeJournal& journal) : journal_(journal) {}
  void SetActiveConnection(std::shared_ptr<DatabaseConnection>) override {}
  void Open(const std::string& sql) override {
    journal_.Call("Open " + sql);
    auto found = journal_.results.find(sql);
    if (found == journal_.results.end()) throw PlatformError("no such table");
    rows_ = found->second;
    current_ = 0;
    open_ = true;
  }
  bool Eof() override { return current_ >= rows_.size(); }
  void MoveNext() override { ++current_; }
  void MoveFirst() override { current_ = 0; }
  int FieldCount() override { return rows_.empty() ? 0 : static_cast<int>(rows_[0].size()); }
  Value FieldValue(int index) override {
    if (Eof()) throw PlatformError("Either BOF or EOF is True");
    return rows_[current_].at(static_cast<std::size_t>(index));
  }
  bool State() const override { return open_; }
  void Close() override {
    journal_.Call("Recordset.Close");
    open_ = false;
  }

 private:
  FakeJournal& journal_;
  std::vector<std::vector<Value>> rows_;
  std::size_t current_ = 0;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<SpreadsheetApp> FakePlatform::CreateSpreadsheetApp() {
  journal_.Call("CreateSpreadsheetApp");
  return std::make_unique<FakeApp>(journal_);
}

std::shared_ptr<DatabaseConnection> FakePlatform::CreateDbConnection() {
  return std::make_shared<FakeConnection>(journal_);
}

std::unique_ptr<Recordset> FakePlatform::CreateDbRecordset() { return std::make_unique<FakeRecordset>(journal_); }

}  // namespace tallyvane::test
