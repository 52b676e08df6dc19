#pragma once
// A database connection over the unixODBC driver manager.
#include <sql.h>

#include <memory>
#include <string>
#include <vector>

#include "odbc/odbc_handle.h"
#include "platform/database.h"

namespace tallyvane::odbc {

class OdbcConnection : public DatabaseConnection {
 public:
  OdbcConnection();
  ~OdbcConnection() override;

  void SetConnectionTimeout(int seconds) override;
  void SetCommandTimeout(int seconds) override;
  void Open(const std::string& data_source, const std::string& user, const std::string& password) override;
  void Execute(const std::string& sql) override;
  int Prepare(const std::string& sql, std::vector<std::string>* binary_columns = nullptr) override;
  void Close() override;
  bool IsOpen() const override;

  // A new statement handle with the command time limit set. The
  // connection frees it when it closes, so a record set that outlives the
  // connection's Close never holds a handle the driver manager has freed.
  std::shared_ptr<OdbcHandle> NewStatement();
  // Runs sql on a statement of this connection; returns the driver's code.
  SQLRETURN ExecDirect(SQLHSTMT statement, const std::string& sql) const;
  // What the driver allows of SQLGetData (SQL_GETDATA_EXTENSIONS bits).
  SQLUINTEGER GetDataExtensions() const { return getdata_extensions_; }
  // Whether the driver gives text as bytes rather than UTF-16.
  bool NarrowText() const { return narrow_text_; }
  // Whether the driver is one whose SQLSetPos within a block of rows is
  // known to hand SQLGetData the right row (psqlODBC's, tested here).
  bool PositionsWithinBlocks() const { return positions_within_blocks_; }

 private:
  void RequireOpen(const char* action) const;
  void FreeStatements();

  OdbcHandle environment_;
  OdbcHandle connection_;
  bool connected_ = false;
  int connection_timeout_ = 0;
  int command_timeout_ = 0;
  SQLUINTEGER getdata_extensions_ = 0;
  bool statements_as_utf8_ = false;
  bool narrow_text_ = false;
  bool positions_within_blocks_ = false;
  std::vector<std::weak_ptr<OdbcHandle>> statements_;
};

}  // namespace tallyvane::odbc
