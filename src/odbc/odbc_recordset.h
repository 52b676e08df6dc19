#pragma once
// A record set over an ODBC statement that reads forward once and keeps
// what it has read, so it can go back to the first record on any driver.
#include <memory>
#include <string>
#include <vector>

#include "odbc/result_reader.h"
#include "platform/database.h"

namespace tallyvane::odbc {

class OdbcConnection;

class OdbcRecordset : public Recordset {
 public:
  OdbcRecordset() = default;
  ~OdbcRecordset() override;

  void SetActiveConnection(std::shared_ptr<DatabaseConnection> connection) override;
  void SetTextLimit(std::size_t units) override { text_limit_ = units; }
  void Open(const std::string& sql) override;
  bool Eof() override;
  void MoveNext() override;
  void MoveFirst() override;
  void ReleasePassedRecords() override { release_passed_ = true; }
  int FieldCount() override;
  Value FieldValue(int index) override;
  std::string FieldName(int index) override;
  bool State() const override;
  void Close() override;

 private:
  void RequireOpen(const char* action) const;
  // Fetches blocks until the record at position_ is buffered or the
  // result ends: only as far as the caller has moved.
  void FetchUpToPosition();
  bool AtEnd();
  void ForgetFieldPosition();

  // Declared first so that the statement below is freed before the last
  // reference to its connection goes.
  std::shared_ptr<DatabaseConnection> connection_;
  std::unique_ptr<ResultReader> reader_;
  // Every record read so far, packed (see PackRow).
  std::vector<std::string> rows_;
  // Where the last field read of the current record ended, so that reading
  // the fields in turn does not step over the ones before each time.
  int next_field_ = 0;
  std::size_t next_field_offset_ = 0;
  std::size_t position_ = 0;
  bool open_ = false;
  // A record left behind is freed: a big result is then held once, in
  // the cells it fills, rather than twice.
  bool release_passed_ = false;
  std::size_t text_limit_ = 0;
};

}  // namespace tallyvane::odbc
