#include "odbc/result_reader.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "odbc/odbc_diagnostics.h"
#include "odbc/temporal_text.h"
#include "odbc/utf16.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {
namespace {

constexpr SQLULEN kMaxBlockRows = 256;
// Row arrays stay below this size however wide the rows are.
constexpr SQLULEN kBlockBudgetBytes = 8u << 20;
// Variable-length columns declared longer than this (or of unknown size)
// are long: bound to kProbeChars at most, read again in pieces when
// longer, and fetched one row at a time where the driver's positioning
// within a block is not known to work.
constexpr SQLULEN kMaxBoundChars = 1024;
constexpr SQLULEN kProbeChars = 256;
// Decimal digits the driver may write beyond a column's declared size
// (psqlODBC declares unbounded numerics as 28 digits).
constexpr SQLULEN kMinDecimalChars = 40;
// A date, time or time stamp as text, with a long fraction and a zone.
constexpr SQLLEN kTemporalBytes = 64;
constexpr std::size_t kPieceBytes = 16384;

bool IsVariableKind(Value::Kind kind) {
  return kind == Value::Kind::Text || kind == Value::Kind::Binary || kind == Value::Kind::Decimal;
}

bool IsTemporalKind(Value::Kind kind) {
  return kind == Value::Kind::Date || kind == Value::Kind::Time || kind == Value::Kind::DateTime;
}

Value::Kind KindOf(SQLSMALLINT sql_type) {
  switch (sql_type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return Value::Kind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return Value::Kind::Number;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return Value::Kind::Decimal;
    case SQL_BIT: return Value::Kind::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE: return Value::Kind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME: return Value::Kind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return Value::Kind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return Value::Kind::Binary;
    default: return Value::Kind::Text;
  }
}

// Decimals and dates travel as the engine's text: the digits stay exact
// and no driver's conversion of a date (or of a time's fraction) is
// trusted.
SQLSMALLINT CTypeOf(Value::Kind kind, bool is_unsigned, bool narrow_text) {
  switch (kind) {
    case Value::Kind::Integer: return is_unsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT;
    case Value::Kind::Number: return SQL_C_DOUBLE;
    case Value::Kind::Boolean: return SQL_C_BIT;
    case Value::Kind::Decimal:
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::DateTime: return SQL_C_CHAR;
    case Value::Kind::Binary: return SQL_C_BINARY;
    default: return narrow_text ? SQL_C_CHAR : SQL_C_WCHAR;
  }
}

SQLLEN FixedSize(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Integer: return sizeof(SQLBIGINT);
    case Value::Kind::Number: return sizeof(SQLDOUBLE);
    case Value::Kind::Boolean: return sizeof(unsigned char);
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::DateTime: return kTemporalBytes;
    default: return 0;
  }
}

// Bytes of one bound element, terminator included: room for the declared
// number of characters even where each takes two UTF-16 units or four
// UTF-8 bytes.
SQLLEN ElementBytes(Value::Kind kind, SQLSMALLINT c_type, SQLULEN declared_size, bool long_data) {
  if (!IsVariableKind(kind)) return FixedSize(kind);
  const SQLULEN chars = long_data ? kProbeChars : declared_size;
  if (kind == Value::Kind::Decimal) return static_cast<SQLLEN>(std::max(chars, kMinDecimalChars) + 3);
  if (kind == Value::Kind::Binary) return static_cast<SQLLEN>(chars);
  if (c_type == SQL_C_CHAR) return static_cast<SQLLEN>(chars * 4 + 1);
  return static_cast<SQLLEN>((chars * 2 + 1) * sizeof(SQLWCHAR));
}

// The terminator that SQL_C_CHAR and SQL_C_WCHAR values carry.
std::size_t TerminatorBytes(SQLSMALLINT c_type) {
  return c_type == SQL_C_WCHAR ? sizeof(SQLWCHAR) : c_type == SQL_C_BINARY ? 0 : 1;
}

// Copies an element out of a buffer whose elements need not be aligned.
template <typename T>
T Load(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::string Trimmed(const char* text, std::size_t length) {
  std::string digits(text, length);
  std::size_t first = digits.find_first_not_of(' ');
  std::size_t last = digits.find_last_not_of(' ');
  if (first == std::string::npos) return std::string();
  return digits.substr(first, last - first + 1);
}

// The bytes a truncated bound value holds before its terminator (a driver
// may stop short of the buffer's end at a character's boundary).
template <typename Column>
std::size_t BoundPrefixBytes(const char* bound, const Column& column) {
  const auto room = static_cast<std::size_t>(column.element_bytes) - TerminatorBytes(column.c_type);
  if (column.c_type == SQL_C_CHAR) return strnlen(bound, room);
  if (column.c_type != SQL_C_WCHAR) return room;
  std::size_t bytes = 0;
  while (bytes < room && Load<SQLWCHAR>(bound + bytes) != 0) bytes += sizeof(SQLWCHAR);
  return bytes;
}

// Drops a UTF-8 sequence that a cut left incomplete at the end.
void DropIncompleteUtf8Tail(std::string* bytes) {
  std::size_t start = bytes->size();
  while (start > 0 && (static_cast<unsigned char>((*bytes)[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const auto lead = static_cast<unsigned char>((*bytes)[start - 1]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (bytes->size() - (start - 1) < length) bytes->resize(start - 1);
}

// Keeps the characters of a UTF-8 text that fit in the given number of
// UTF-16 units (a character beyond U+FFFF takes two).
void KeepUtf16Units(std::string* text, std::size_t units) {
  std::size_t used = 0;
  for (std::size_t i = 0; i < text->size(); ++i) {
    const auto c = static_cast<unsigned char>((*text)[i]);
    if ((c & 0xC0) == 0x80) continue;
    used += c >= 0xF0 ? 2 : 1;
    if (used > units) {
      text->resize(i);
      return;
    }
  }
}

const char* KindName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Date: return "date";
    case Value::Kind::Time: return "time of day";
    default: return "date and time";
  }
}

}  // namespace

ResultReader::ResultReader(std::shared_ptr<OdbcHandle> statement, SQLUINTEGER getdata_extensions, bool narrow_text,
                           bool long_columns_in_blocks, std::size_t text_limit)
    : statement_(std::move(statement)),
      long_columns_in_blocks_(long_columns_in_blocks),
      text_limit_bytes_(text_limit * sizeof(SQLWCHAR)) {
  DescribeColumns(narrow_text);
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

void ResultReader::DescribeColumns(bool narrow_text) {
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
    SQLWCHAR name[256] = {};
    CheckOdbc(SQLDescribeColW(handle, i + 1, name, 256, &name_length, &sql_type, &size, &digits, &nullable),
              SQL_HANDLE_STMT, handle, "SQLDescribeCol");
    Column& column = columns_[i];
    column.name =
        Utf16ToUtf8(name, std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(name_length, 0)), 255));
    column.kind = KindOf(sql_type);
    // A BIGINT UNSIGNED of 2^63 or more would turn negative as a signed one.
    SQLLEN is_unsigned = SQL_FALSE;
    if (sql_type == SQL_BIGINT) {
      SQLColAttributeW(handle, i + 1, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &is_unsigned);
    }
    column.c_type = CTypeOf(column.kind, is_unsigned == SQL_TRUE, narrow_text);
    column.long_data = IsVariableKind(column.kind) && (size == 0 || size > kMaxBoundChars);
    column.element_bytes = ElementBytes(column.kind, column.c_type, size, column.long_data);
  }
}

void ResultReader::PlanBinding(SQLUINTEGER getdata_extensions) {
  bool getdata_bound = (getdata_extensions & SQL_GD_BOUND) != 0;
  bool getdata_any_column = (getdata_extensions & SQL_GD_ANY_COLUMN) != 0;
  position_in_block_ = getdata_bound && (getdata_extensions & SQL_GD_BLOCK) != 0;

  // A variable-length value may be longer than its buffer (SQLite does not
  // hold text to its declared size). Reading it again needs SQLGetData on a
  // bound column of the current row: in a row array only where the driver
  // positions within a block, else one row per fetch. Long columns are
  // read one row per fetch unless the driver is known to position
  // correctly: a driver's block cursor may hand SQLGetData another row's
  // data (MariaDB's does), so no long value depends on positioning within
  // a block that has not been seen to work. A value read again is checked
  // against what was bound all the same.
  bool block = true;
  bool bound_variable = false;
  bool seen_unbound = false;
  SQLULEN row_bytes = 0;
  for (Column& column : columns_) {
    bool variable = IsVariableKind(column.kind);
    // Without SQL_GD_ANY_COLUMN, SQLGetData reads only columns after the
    // last bound one.
    column.bound = !(variable && !getdata_bound) && !(seen_unbound && !getdata_any_column);
    if (!column.bound) seen_unbound = true;
    if (column.long_data && !long_columns_in_blocks_) block = false;
    if (column.bound && variable) bound_variable = true;
    if (column.bound) row_bytes += static_cast<SQLULEN>(column.element_bytes) + sizeof(SQLLEN);
  }
  if (seen_unbound || (bound_variable && !position_in_block_)) block = false;
  block_rows_ = block ? std::clamp<SQLULEN>(kBlockBudgetBytes / std::max<SQLULEN>(row_bytes, 1), 1, kMaxBlockRows) : 1;
}

void ResultReader::BindColumns() {
  SQLHSTMT handle = Handle();
  row_status_.assign(block_rows_, 0);
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(block_rows_), 0),
            SQL_HANDLE_STMT, handle, "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROW_STATUS_PTR, row_status_.data(), 0), SQL_HANDLE_STMT, handle,
            "SQLSetStmtAttr");
  CheckOdbc(SQLSetStmtAttr(handle, SQL_ATTR_ROWS_FETCHED_PTR, &rows_fetched_, 0), SQL_HANDLE_STMT, handle,
            "SQLSetStmtAttr");
  for (SQLUSMALLINT i = 0; i < columns_.size(); ++i) {
    Column& column = columns_[i];
    if (!column.bound) continue;
    column.buffer.assign(static_cast<std::size_t>(column.element_bytes) * block_rows_, 0);
    column.indicators.assign(block_rows_, 0);
    CheckOdbc(
        SQLBindCol(handle, i + 1, column.c_type, column.buffer.data(), column.element_bytes, column.indicators.data()),
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

std::string ResultReader::Where(SQLUSMALLINT column, SQLULEN row) const {
  return "row " + std::to_string(rows_before_ + row + 1) + ", column " + std::to_string(column + 1) + " \"" +
         columns_[column].name + "\"";
}

void ResultReader::ThrowReadError(SQLRETURN rc, const std::string& where, const char* call) const {
  std::string text = DescribeDiagnostics(SQL_HANDLE_STMT, statement_->get());
  if (text.empty()) {
    text = std::string(call) + " failed with return code " + std::to_string(rc) + " and no diagnostic record";
  }
  throw PlatformError(text + " (reading " + where + " of the result)", rc);
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
  if (!SQL_SUCCEEDED(rc)) {
    ThrowReadError(rc,
                   block_rows_ == 1 ? "row " + std::to_string(rows_before_ + 1)
                                    : "rows " + std::to_string(rows_before_ + 1) + " to " +
                                          std::to_string(rows_before_ + block_rows_),
                   "SQLFetch");
  }
  for (SQLULEN r = 0; r < rows_fetched_; ++r) {
    if (row_status_[r] == SQL_ROW_ERROR)
      ThrowReadError(SQL_ERROR, "row " + std::to_string(rows_before_ + r + 1), "SQLFetch");
    if (row_status_[r] == SQL_ROW_NOROW) continue;
    Row row;
    row.reserve(columns_.size());
    for (SQLUSMALLINT c = 0; c < columns_.size(); ++c) {
      row.push_back(columns_[c].bound ? BoundValue(c, r) : ReadWithGetData(c, r));
    }
    rows->push_back(std::move(row));
  }
  rows_before_ += rows_fetched_;
  if (rows_fetched_ < block_rows_) exhausted_ = true;
  return rows_fetched_ != 0;
}

bool ResultReader::IsTruncated(const Column& column, SQLLEN indicator) const {
  if (indicator == SQL_NO_TOTAL) return true;
  if (!IsVariableKind(column.kind)) return false;
  return indicator > column.element_bytes - static_cast<SQLLEN>(TerminatorBytes(column.c_type));
}

Value ResultReader::BoundValue(SQLUSMALLINT column_index, SQLULEN row) {
  const Column& column = columns_[column_index];
  SQLLEN indicator = column.indicators[row];
  if (indicator == SQL_NULL_DATA) return Value::MakeNull();
  const char* data = column.buffer.data() + row * static_cast<SQLULEN>(column.element_bytes);
  if (IsTruncated(column, indicator)) return ReadWithGetData(column_index, row);
  std::size_t bytes = static_cast<std::size_t>(indicator);
  // Fixed-size values report their size, or nothing useful: the buffer is theirs.
  if (!IsVariableKind(column.kind) && !IsTemporalKind(column.kind))
    bytes = static_cast<std::size_t>(column.element_bytes);
  return MakeValue(column_index, row, data, bytes);
}

Value ResultReader::MakeValue(SQLUSMALLINT column_index, SQLULEN row, const char* data, std::size_t bytes) const {
  const Column& column = columns_[column_index];
  switch (column.kind) {
    case Value::Kind::Integer:
      if (column.c_type == SQL_C_UBIGINT) {
        const auto value = Load<SQLUBIGINT>(data);
        if (value > static_cast<SQLUBIGINT>(INT64_MAX)) return Value::MakeDecimal(std::to_string(value));
        return Value::MakeInteger(static_cast<std::int64_t>(value));
      }
      return Value::MakeInteger(Load<SQLBIGINT>(data));
    case Value::Kind::Number: return Value::MakeNumber(Load<SQLDOUBLE>(data));
    case Value::Kind::Boolean: return Value::MakeBoolean(Load<unsigned char>(data) != 0);
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::DateTime: {
      const std::string text =
          Trimmed(data, std::min<std::size_t>(bytes, static_cast<std::size_t>(kTemporalBytes) - 1));
      Value value;
      value.kind = column.kind;
      if (static_cast<SQLLEN>(bytes) >= kTemporalBytes || !ParseTemporalText(column.kind, text, &value.date_time)) {
        throw PlatformError(Where(column_index, row) + " of the result: the driver returned \"" + text +
                            "\", which is not a valid " + KindName(column.kind));
      }
      return value;
    }
    case Value::Kind::Decimal: return Value::MakeDecimal(Trimmed(data, bytes));
    case Value::Kind::Binary: return Value::MakeBinary(std::string(data, bytes));
    default:
      if (column.c_type == SQL_C_CHAR) return Value::MakeText(NarrowTextToUtf8(data, bytes));
      // Buffers are allocated aligned and hold whole SQLWCHARs.
      return Value::MakeText(Utf16ToUtf8(reinterpret_cast<const SQLWCHAR*>(data), bytes / sizeof(SQLWCHAR)));
  }
}

Value ResultReader::ReadWithGetData(SQLUSMALLINT column, SQLULEN row) {
  if (block_rows_ > 1) {
    SQLHSTMT handle = Handle();
    SQLRETURN rc = SQLSetPos(handle, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE);
    if (!SQL_SUCCEEDED(rc)) ThrowReadError(rc, Where(column, row), "SQLSetPos");
  }
  if (IsVariableKind(columns_[column].kind)) return ReadPieces(column, row);
  return ReadFixedWithGetData(column, row);
}

Value ResultReader::ReadPieces(SQLUSMALLINT column_index, SQLULEN row) {
  SQLHSTMT handle = Handle();
  const Column& column = columns_[column_index];
  const std::size_t terminator = TerminatorBytes(column.c_type);
  // A text is read only as far as its reader can use it: a UTF-16 unit is
  // at most two bytes of UTF-8, and four bytes of UTF-8 are two units.
  const bool narrow = column.c_type == SQL_C_CHAR && column.kind == Value::Kind::Text;
  const std::size_t limit = column.c_type == SQL_C_WCHAR ? text_limit_bytes_ : narrow ? 2 * text_limit_bytes_ : 0;
  // Each piece lands straight behind the ones before it: a long value is
  // held once while it is read, not once more as the piece just read.
  std::string bytes;
  std::size_t piece = kPieceBytes;
  bool cut = false;
  for (;;) {
    const std::size_t start = bytes.size();
    bytes.resize(start + piece);
    SQLLEN indicator = 0;
    SQLRETURN rc =
        SQLGetData(handle, column_index + 1, column.c_type, &bytes[start], static_cast<SQLLEN>(piece), &indicator);
    if (rc == SQL_NO_DATA) {
      bytes.resize(start);
      break;
    }
    if (!SQL_SUCCEEDED(rc)) ThrowReadError(rc, Where(column_index, row), "SQLGetData");
    if (indicator == SQL_NULL_DATA) return Value::MakeNull();
    std::size_t room = piece - terminator;
    bool more = indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room;
    std::size_t got = more ? room : static_cast<std::size_t>(indicator);
    // A wide piece ends on a whole SQLWCHAR even when room is odd.
    if (terminator == sizeof(SQLWCHAR)) got -= got % sizeof(SQLWCHAR);
    bytes.resize(start + got);
    if (limit != 0 && bytes.size() >= limit) {
      bytes.resize(limit);
      if (narrow) {
        DropIncompleteUtf8Tail(&bytes);
      } else {
        // Half a surrogate pair is no character.
        const auto last = static_cast<unsigned char>(bytes[limit - 1]);
        if (last >= 0xD8 && last <= 0xDB) bytes.resize(limit - sizeof(SQLWCHAR));
      }
      cut = true;
      break;
    }
    if (!more) break;
    // Some drivers (SQLite's) convert the whole value again for every
    // piece: the next piece takes all that is left where the driver says
    // how much, else twice as much, so that a long text costs a few calls
    // instead of a number that grows with its length.
    std::size_t next =
        indicator == SQL_NO_TOTAL ? 2 * piece : static_cast<std::size_t>(indicator) - got + sizeof(SQLWCHAR);
    if (limit != 0) next = std::min(next, limit - bytes.size() + sizeof(SQLWCHAR));
    piece = std::max(next, kPieceBytes) + terminator;
  }
  if (column.bound) {
    // What was bound is the start of the value read again: anything else
    // is another row's data, which a driver's block cursor may hand out.
    const char* bound = column.buffer.data() + row * static_cast<SQLULEN>(column.element_bytes);
    // A text cut at the reader's limit may be shorter than what was bound.
    const std::size_t bound_bytes = BoundPrefixBytes(bound, column);
    const std::size_t prefix = cut ? std::min(bound_bytes, bytes.size()) : bound_bytes;
    if (bytes.size() < prefix || std::memcmp(bytes.data(), bound, prefix) != 0) {
      throw PlatformError("the driver returned another row's data when asked again for the whole value (reading " +
                          Where(column_index, row) + " of the result)");
    }
  }
  // A narrow text keeps the buffer it was read into: it is not copied.
  Value value = narrow ? Value::MakeText(NarrowTextToUtf8(std::move(bytes)))
                       : MakeValue(column_index, row, bytes.data(), bytes.size());
  if (cut && narrow) KeepUtf16Units(&value.text, text_limit_bytes_ / sizeof(SQLWCHAR));
  return value;
}

Value ResultReader::ReadFixedWithGetData(SQLUSMALLINT column_index, SQLULEN row) {
  SQLHSTMT handle = Handle();
  const Column& column = columns_[column_index];
  alignas(16) char data[kTemporalBytes] = {};
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(handle, column_index + 1, column.c_type, data, sizeof data, &indicator);
  if (!SQL_SUCCEEDED(rc)) ThrowReadError(rc, Where(column_index, row), "SQLGetData");
  if (indicator == SQL_NULL_DATA) return Value::MakeNull();
  const std::size_t bytes =
      IsTemporalKind(column.kind) ? static_cast<std::size_t>(std::max<SQLLEN>(indicator, 0)) : sizeof data;
  return MakeValue(column_index, row, data, bytes);
}

}  // namespace tallyvane::odbc
