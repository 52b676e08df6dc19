#include "odbc/result_reader.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "odbc/odbc_diagnostics.h"
#include "odbc/utf16.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {
namespace {

constexpr SQLULEN kMaxBlockRows = 256;
// Row arrays stay below this size however wide the rows are.
constexpr SQLULEN kBlockBudgetBytes = 8u << 20;
// Variable-length columns declared longer than this (or of unknown size)
// get a buffer of kProbeChars; longer values are read again in pieces.
constexpr SQLULEN kMaxBoundChars = 1024;
constexpr SQLULEN kProbeChars = 256;
constexpr std::size_t kPieceBytes = 16384;

bool IsVariableKind(Value::Kind kind) {
  return kind == Value::Kind::Text || kind == Value::Kind::Binary ||
         kind == Value::Kind::Decimal;
}

Value::Kind KindOf(SQLSMALLINT sql_type) {
  switch (sql_type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return Value::Kind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return Value::Kind::Number;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return Value::Kind::Decimal;
    case SQL_BIT:
      return Value::Kind::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return Value::Kind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return Value::Kind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return Value::Kind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return Value::Kind::Binary;
    default:
      return Value::Kind::Text;
  }
}

SQLSMALLINT CTypeOf(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Integer: return SQL_C_SBIGINT;
    case Value::Kind::Number: return SQL_C_DOUBLE;
    case Value::Kind::Decimal: return SQL_C_CHAR;
    case Value::Kind::Boolean: return SQL_C_BIT;
    case Value::Kind::Date: return SQL_C_TYPE_DATE;
    case Value::Kind::Time: return SQL_C_TYPE_TIME;
    case Value::Kind::DateTime: return SQL_C_TYPE_TIMESTAMP;
    case Value::Kind::Binary: return SQL_C_BINARY;
    default: return SQL_C_WCHAR;
  }
}

SQLLEN FixedSize(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Integer: return sizeof(SQLBIGINT);
    case Value::Kind::Number: return sizeof(SQLDOUBLE);
    case Value::Kind::Boolean: return sizeof(unsigned char);
    case Value::Kind::Date: return sizeof(SQL_DATE_STRUCT);
    case Value::Kind::Time: return sizeof(SQL_TIME_STRUCT);
    case Value::Kind::DateTime: return sizeof(SQL_TIMESTAMP_STRUCT);
    default: return 0;
  }
}

// Bytes of one bound element, terminator included.
SQLLEN ElementBytes(Value::Kind kind, SQLULEN declared_size) {
  if (!IsVariableKind(kind)) return FixedSize(kind);
  SQLULEN chars = (declared_size == 0 || declared_size > kMaxBoundChars) ? kProbeChars
                                                                         : declared_size;
  if (kind == Value::Kind::Decimal) return static_cast<SQLLEN>(chars + 3);  // sign, point, NUL
  if (kind == Value::Kind::Binary) return static_cast<SQLLEN>(chars);
  return static_cast<SQLLEN>((chars + 1) * sizeof(SQLWCHAR));
}

// Copies an element out of a buffer whose elements need not be aligned.
template <typename T>
T Load(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

Value FixedValue(Value::Kind kind, const char* data) {
  switch (kind) {
    case Value::Kind::Integer:
      return Value::MakeInteger(Load<SQLBIGINT>(data));
    case Value::Kind::Number:
      return Value::MakeNumber(Load<SQLDOUBLE>(data));
    case Value::Kind::Boolean:
      return Value::MakeBoolean(Load<unsigned char>(data) != 0);
    case Value::Kind::Date: {
      auto d = Load<SQL_DATE_STRUCT>(data);
      return Value::MakeDate(d.year, d.month, d.day);
    }
    case Value::Kind::Time: {
      auto t = Load<SQL_TIME_STRUCT>(data);
      return Value::MakeTime(t.hour, t.minute, t.second);
    }
    case Value::Kind::DateTime: {
      auto ts = Load<SQL_TIMESTAMP_STRUCT>(data);
      DateTime dt;
      dt.year = ts.year;
      dt.month = ts.month;
      dt.day = ts.day;
      dt.hour = ts.hour;
      dt.minute = ts.minute;
      dt.second = ts.second;
      dt.nanosecond = ts.fraction;
      return Value::MakeDateTime(dt);
    }
    default:
      return Value::MakeNull();
  }
}

std::string TrimDecimal(const char* text, std::size_t length) {
  std::string digits(text, length);
  std::size_t first = digits.find_first_not_of(' ');
  std::size_t last = digits.find_last_not_of(' ');
  if (first == std::string::npos) return std::string();
  return digits.substr(first, last - first + 1);
}

Value VariableValue(Value::Kind kind, const char* data, std::size_t bytes) {
  switch (kind) {
    case Value::Kind::Decimal:
      return Value::MakeDecimal(TrimDecimal(data, bytes));
    case Value::Kind::Binary:
      return Value::MakeBinary(std::string(data, bytes));
    default:
      // Buffers are allocated aligned and hold whole SQLWCHARs.
      return Value::MakeText(
          Utf16ToUtf8(reinterpret_cast<const SQLWCHAR*>(data), bytes / sizeof(SQLWCHAR)));
  }
}

}  // namespace

ResultReader::ResultReader(std::shared_ptr<OdbcHandle> statement,
                           SQLUINTEGER getdata_extensions, std::size_t text_limit)
    : statement_(std::move(statement)), text_limit_bytes_(text_limit * sizeof(SQLWCHAR)) {
  DescribeColumns();
  if (columns_.empty()) {
    exhausted_ = true;
    return;
  }
  PlanBinding(getdata_extensions);
  BindColumns();
}

ResultReader::~ResultReader() {
  // The driver holds pointers into our buffers until the statement is freed.
  if (statement_) statement_->Reset();
}

SQLHSTMT ResultReader::Handle() const {
  if (!statement_ || !*statement_) {
    throw PlatformError("cannot read the record set: its connection has been closed");
  }
  return statement_->get();
}

void ResultReader::DescribeColumns() {
  SQLHSTMT handle = Handle();
  SQLSMALLINT count = 0;
  CheckOdbc(SQLNumResultCols(handle, &count), SQL_HANDLE_STMT, handle, "SQLNumResultCols");
  columns_.resize(static_cast<std::size_t>(std::max<SQLSMALLINT>(count, 0)));
  for (SQLUSMALLINT i = 0; i < columns_.size(); ++i) {
    SQLSMALLINT sql_type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    SQLSMALLINT name_length = 0;
    CheckOdbc(SQLDescribeColW(handle, i + 1, nullptr, 0, &name_length, &sql_type, &size,
                              &digits, &nullable),
              SQL_HANDLE_STMT, handle, "SQLDescribeCol");
    Column& column = columns_[i];
    column.kind = KindOf(sql_type);
    column.c_type = CTypeOf(column.kind);
    column.element_bytes = ElementBytes(column.kind, size);
  }
}

void ResultReader::PlanBinding(SQLUINTEGER getdata_extensions) {
  bool any_variable = std::any_of(columns_.begin(), columns_.end(),
                                  [](const Column& c) { return IsVariableKind(c.kind); });
  bool getdata_bound = (getdata_extensions & SQL_GD_BOUND) != 0;
  bool getdata_any_column = (getdata_extensions & SQL_GD_ANY_COLUMN) != 0;
  position_in_block_ = getdata_bound && (getdata_extensions & SQL_GD_BLOCK) != 0;

  // A variable-length value may be longer than its buffer (SQLite does not
  // hold text to its declared size). Reading it again needs SQLGetData on a
  // bound column of the current row: with row arrays only where the driver
  // can position within a block, else one row per fetch.
  bool block = !any_variable || position_in_block_;
  bool bind_variable = getdata_bound;
  bool seen_unbound = false;
  SQLULEN row_bytes = 0;
  for (Column& column : columns_) {
    bool variable = IsVariableKind(column.kind);
    // Without SQL_GD_ANY_COLUMN, SQLGetData reads only columns after the
    // last bound one.
    column.bound = !(variable && !bind_variable) && !(seen_unbound && !getdata_any_column);
    if (!column.bound) seen_unbound = true;
    if (column.bound) row_bytes += static_cast<SQLULEN>(column.element_bytes) + sizeof(SQLLEN);
  }
  if (seen_unbound && !position_in_block_) block = false;
  block_rows_ = block ? std::clamp<SQLULEN>(kBlockBudgetBytes / std::max<SQLULEN>(row_bytes, 1),
                                            1, kMaxBlockRows)
                      : 1;
}

void ResultReader::BindColumns() {
  SQLHSTMT handle = Handle();
  row_status_.assign(block_rows_, 0);
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_BIND_TYPE,
                           reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_ARRAY_SIZE,
                           reinterpret_cast<SQLPOINTER>(block_rows_), 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_STATUS_PTR, row_status_.data(), 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROWS_FETCHED_PTR, &rows_fetched_, 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  for (SQLUSMALLINT i = 0; i < columns_.size(); ++i) {
    Column& column = columns_[i];
    if (!column.bound) continue;
    column.buffer.assign(static_cast<std::size_t>(column.element_bytes) * block_rows_, 0);
    column.indicators.assign(block_rows_, 0);
    CheckOdbc(SQLBindCol(handle, i + 1, column.c_type, column.buffer.data(),
                         column.element_bytes, column.indicators.data()),
              SQL_HANDLE_STMT, handle, "SQLBindCol");
  }
}

bool ResultReader::FetchBlock(std::vector<Row>* rows) {
  if (!failure_.empty()) throw PlatformError(failure_);
  try {
    return FetchNextBlock(rows);
  } catch (const PlatformError& error) {
    failure_ = error.what();
    throw;
  }
}

bool ResultReader::FetchNextBlock(std::vector<Row>* rows) {
  if (exhausted_) return false;
  SQLHSTMT handle = Handle();
  rows_fetched_ = 0;
  SQLRETURN rc = SQLFetch(handle);
  if (rc == SQL_NO_DATA) {
    exhausted_ = true;
    return false;
  }
  CheckOdbc(rc, SQL_HANDLE_STMT, handle, "SQLFetch");
  for (SQLULEN r = 0; r < rows_fetched_; ++r) {
    if (row_status_[r] == SQL_ROW_ERROR) ThrowOdbcError(SQL_ERROR, SQL_HANDLE_STMT, handle, "SQLFetch");
    if (row_status_[r] == SQL_ROW_NOROW) continue;
    Row row;
    row.reserve(columns_.size());
    for (SQLUSMALLINT c = 0; c < columns_.size(); ++c) {
      row.push_back(columns_[c].bound ? BoundValue(c, r) : ReadWithGetData(c, r));
    }
    rows->push_back(std::move(row));
  }
  if (rows_fetched_ < block_rows_) exhausted_ = true;
  return rows_fetched_ != 0;
}

bool ResultReader::IsTruncated(const Column& column, SQLLEN indicator) const {
  if (indicator == SQL_NO_TOTAL) return true;
  switch (column.kind) {
    case Value::Kind::Binary: return indicator > column.element_bytes;
    case Value::Kind::Decimal: return indicator > column.element_bytes - 1;
    case Value::Kind::Text:
      return indicator > column.element_bytes - static_cast<SQLLEN>(sizeof(SQLWCHAR));
    default: return false;
  }
}

Value ResultReader::BoundValue(SQLUSMALLINT column_index, SQLULEN row) {
  const Column& column = columns_[column_index];
  SQLLEN indicator = column.indicators[row];
  if (indicator == SQL_NULL_DATA) return Value::MakeNull();
  const char* data = column.buffer.data() + row * static_cast<SQLULEN>(column.element_bytes);
  if (!IsVariableKind(column.kind)) return FixedValue(column.kind, data);
  if (IsTruncated(column, indicator)) return ReadWithGetData(column_index, row);
  return VariableValue(column.kind, data, static_cast<std::size_t>(indicator));
}

Value ResultReader::ReadWithGetData(SQLUSMALLINT column, SQLULEN row) {
  if (block_rows_ > 1) {
    SQLHSTMT handle = Handle();
    CheckOdbc(SQLSetPos(handle, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                        SQL_LOCK_NO_CHANGE),
              SQL_HANDLE_STMT, handle, "SQLSetPos");
  }
  if (IsVariableKind(columns_[column].kind)) return ReadPieces(column);
  return ReadFixedWithGetData(column);
}

Value ResultReader::ReadPieces(SQLUSMALLINT column_index) {
  SQLHSTMT handle = Handle();
  const Column& column = columns_[column_index];
  std::vector<char> piece(kPieceBytes);
  // The terminator that SQL_C_CHAR and SQL_C_WCHAR pieces carry.
  std::size_t terminator = column.kind == Value::Kind::Binary ? 0
                           : column.kind == Value::Kind::Decimal ? 1
                                                                 : sizeof(SQLWCHAR);
  // A wide text is read only as far as its reader can use it.
  const std::size_t limit = column.c_type == SQL_C_WCHAR ? text_limit_bytes_ : 0;
  std::string bytes;
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(handle, column_index + 1, column.c_type, piece.data(),
                              static_cast<SQLLEN>(piece.size()), &indicator);
    if (rc == SQL_NO_DATA) break;
    CheckOdbc(rc, SQL_HANDLE_STMT, handle, "SQLGetData");
    if (indicator == SQL_NULL_DATA) return Value::MakeNull();
    std::size_t room = piece.size() - terminator;
    bool more = indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room;
    std::size_t got = more ? room : static_cast<std::size_t>(indicator);
    // A wide piece ends on a whole SQLWCHAR even when room is odd.
    if (terminator == sizeof(SQLWCHAR)) got -= got % sizeof(SQLWCHAR);
    bytes.append(piece.data(), got);
    if (limit != 0 && bytes.size() >= limit) {
      bytes.resize(limit);
      // Half a surrogate pair is no character.
      const auto last = static_cast<unsigned char>(bytes[limit - 1]);
      if (last >= 0xD8 && last <= 0xDB) bytes.resize(limit - sizeof(SQLWCHAR));
      break;
    }
    if (!more) break;
    // Some drivers (SQLite's) convert the whole value again for every
    // piece: the next piece takes all that is left where the driver says
    // how much, else twice as much, so that a long text costs a few calls
    // instead of a number that grows with its length.
    std::size_t next = indicator == SQL_NO_TOTAL ? 2 * piece.size()
                                                 : static_cast<std::size_t>(indicator) - got + sizeof(SQLWCHAR);
    if (limit != 0) next = std::min(next, limit - bytes.size() + sizeof(SQLWCHAR));
    piece.resize(std::max(next, kPieceBytes) + terminator);
  }
  return VariableValue(column.kind, bytes.data(), bytes.size());
}

Value ResultReader::ReadFixedWithGetData(SQLUSMALLINT column_index) {
  SQLHSTMT handle = Handle();
  const Column& column = columns_[column_index];
  alignas(16) char data[sizeof(SQL_TIMESTAMP_STRUCT) + 16] = {};
  SQLLEN indicator = 0;
  CheckOdbc(SQLGetData(handle, column_index + 1, column.c_type, data, sizeof data, &indicator),
            SQL_HANDLE_STMT, handle, "SQLGetData");
  if (indicator == SQL_NULL_DATA) return Value::MakeNull();
  return FixedValue(column.kind, data);
}

}  // namespace tallyvane::odbc
