#pragma once
// Reads the result of an executed statement in blocks of rows into typed
// values: fixed-size columns bound as row arrays, long values read in
// pieces.
#include <sql.h>

#include <memory>
#include <string>
#include <vector>

#include "odbc/odbc_handle.h"
#include "platform/value.h"

namespace tallyvane::odbc {

class ResultReader {
 public:
  using Row = std::vector<Value>;

  // statement has been executed; getdata_extensions are the driver's
  // SQL_GETDATA_EXTENSIONS bits. Describes and binds the columns.
  // text_limit: the most UTF-16 code units of a wide text that are read,
  // 0 for no limit (see Recordset::SetTextLimit).
  ResultReader(std::shared_ptr<OdbcHandle> statement, SQLUINTEGER getdata_extensions,
               std::size_t text_limit = 0);
  ~ResultReader();
  ResultReader(const ResultReader&) = delete;
  ResultReader& operator=(const ResultReader&) = delete;

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // Appends the next block of rows; false when the result is exhausted.
  // After a failure every later call fails the same way: going on would
  // silently skip the rest of the failed block.
  bool FetchBlock(std::vector<Row>* rows);

 private:
  struct Column {
    Value::Kind kind = Value::Kind::Text;
    SQLSMALLINT c_type = 0;
    SQLLEN element_bytes = 0;
    bool bound = false;
    std::vector<char> buffer;
    std::vector<SQLLEN> indicators;
  };

  bool FetchNextBlock(std::vector<Row>* rows);
  SQLHSTMT Handle() const;
  void DescribeColumns();
  void PlanBinding(SQLUINTEGER getdata_extensions);
  void BindColumns();
  Value BoundValue(SQLUSMALLINT column, SQLULEN row);
  bool IsTruncated(const Column& column, SQLLEN indicator) const;
  Value ReadWithGetData(SQLUSMALLINT column, SQLULEN row);
  Value ReadPieces(SQLUSMALLINT column);
  Value ReadFixedWithGetData(SQLUSMALLINT column);

  std::shared_ptr<OdbcHandle> statement_;
  std::vector<Column> columns_;
  SQLULEN block_rows_ = 1;
  // A truncated bound value of row r > 0 of a block can be read again only
  // where the driver positions within a block (SQL_GD_BLOCK).
  bool position_in_block_ = false;
  SQLULEN rows_fetched_ = 0;
  std::vector<SQLUSMALLINT> row_status_;
  bool exhausted_ = false;
  std::string failure_;
  std::size_t text_limit_bytes_ = 0;
};

}  // namespace tallyvane::odbc
