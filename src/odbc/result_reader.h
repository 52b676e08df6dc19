#pragma once
// Reads the result of an executed statement in blocks of rows into typed
// values: fixed-size and short columns bound as row arrays; long columns
// read in pieces, one row per fetch unless the driver is known to position
// within a block correctly.
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
  // SQL_GETDATA_EXTENSIONS bits; narrow_text when the driver takes no
  // UTF-16 (an ANSI driver), whose text then arrives as bytes;
  // long_columns_in_blocks when the driver is known to position within a
  // block correctly, so that long columns need not cost a fetch per row.
  // text_limit: the most UTF-16 code units of a wide text that are read,
  // 0 for no limit (see Recordset::SetTextLimit).
  ResultReader(std::shared_ptr<OdbcHandle> statement, SQLUINTEGER getdata_extensions, bool narrow_text = false,
               bool long_columns_in_blocks = false, std::size_t text_limit = 0);
  ~ResultReader();
  ResultReader(const ResultReader&) = delete;
  ResultReader& operator=(const ResultReader&) = delete;

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // The name of column index (from 0) as the driver describes it.
  const std::string& ColumnName(int index) const { return columns_.at(static_cast<std::size_t>(index)).name; }
  // Appends the next block of rows; false when the result is exhausted.
  // After a failure every later call fails the same way: going on would
  // silently skip the rest of the failed block.
  bool FetchBlock(std::vector<Row>* rows);

 private:
  struct Column {
    Value::Kind kind = Value::Kind::Text;
    std::string name;
    SQLSMALLINT c_type = 0;
    // Unbounded or declared longer than a row array should hold: read in
    // pieces, never in a block.
    bool long_data = false;
    SQLLEN element_bytes = 0;
    bool bound = false;
    std::vector<char> buffer;
    std::vector<SQLLEN> indicators;
  };

  bool FetchNextBlock(std::vector<Row>* rows);
  SQLHSTMT Handle() const;
  void DescribeColumns(bool narrow_text);
  void PlanBinding(SQLUINTEGER getdata_extensions);
  void BindColumns();
  Value BoundValue(SQLUSMALLINT column, SQLULEN row);
  bool IsTruncated(const Column& column, SQLLEN indicator) const;
  Value ReadWithGetData(SQLUSMALLINT column, SQLULEN row);
  Value ReadPieces(SQLUSMALLINT column, SQLULEN row);
  Value ReadFixedWithGetData(SQLUSMALLINT column, SQLULEN row);
  Value MakeValue(SQLUSMALLINT column, SQLULEN row, const char* data, std::size_t bytes) const;
  // "row 3, column 2 "name"" of the result, counted from 1.
  std::string Where(SQLUSMALLINT column, SQLULEN row) const;
  // Throws the driver's diagnostics, naming where they arose.
  [[noreturn]] void ThrowReadError(SQLRETURN rc, const std::string& where, const char* call) const;

  std::shared_ptr<OdbcHandle> statement_;
  std::vector<Column> columns_;
  SQLULEN block_rows_ = 1;
  // A truncated bound value of row r > 0 of a block can be read again only
  // where the driver positions within a block (SQL_GD_BLOCK).
  bool position_in_block_ = false;
  bool long_columns_in_blocks_ = false;
  SQLULEN rows_fetched_ = 0;
  // Rows of the result delivered before the current block.
  SQLULEN rows_before_ = 0;
  std::vector<SQLUSMALLINT> row_status_;
  bool exhausted_ = false;
  std::string failure_;
  std::size_t text_limit_bytes_ = 0;
};

}  // namespace tallyvane::odbc
