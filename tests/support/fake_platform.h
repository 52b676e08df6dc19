#pragma once
// Test doubles of the spreadsheet and database interfaces, for the run
// driver's phase order and stop rules. They record every call in one
// journal and fail where a test tells them to.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform_factory.h"

namespace tallyvane::test {

struct FakeJournal {
  std::vector<std::string> calls;
  std::set<std::string> failing;  // calls that throw, e.g. "Connection.Open"
  // Results of statements, by their text: rows of values.
  std::map<std::string, std::vector<std::vector<Value>>> results;
  std::vector<std::string> sheet_names{"Sheet1", "Sheet2"};
  std::map<std::string, std::string> names;  // defined names and their texts

  void Call(const std::string& call);
};

class FakePlatform : public PlatformFactory {
 public:
  explicit FakePlatform(FakeJournal& journal) : journal_(journal) {}
  std::unique_ptr<SpreadsheetApp> CreateSpreadsheetApp() override;
  std::shared_ptr<DatabaseConnection> CreateDbConnection() override;
  std::unique_ptr<Recordset> CreateDbRecordset() override;

 private:
  FakeJournal& journal_;
};

}  // namespace tallyvane::test
