#include "odbc/odbc_recordset.h"

#include <sqlext.h>

#include <new>
#include <utility>

#include "odbc/odbc_connection.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/packed_row.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {

OdbcRecordset::~OdbcRecordset() { Close(); }

void OdbcRecordset::SetActiveConnection(std::shared_ptr<DatabaseConnection> connection) {
  if (connection && !dynamic_cast<OdbcConnection*>(connection.get())) {
    throw PlatformError("cannot use the connection for a record set: it is not an ODBC connection");
  }
  // The open result belongs to the connection being replaced, which may go
  // with it.
  Close();
  connection_ = std::move(connection);
}

void OdbcRecordset::Open(const std::string& sql) {
  Close();
  auto* connection = dynamic_cast<OdbcConnection*>(connection_.get());
  if (!connection) {
    throw PlatformError("cannot open the record set: it has no active connection");
  }
  if (!connection->IsOpen()) {
    throw PlatformError("cannot open the record set: its connection is not open");
  }
  try {
    std::shared_ptr<OdbcHandle> statement = connection->NewStatement();
    SQLHSTMT handle = statement->get();
    SQLRETURN rc = connection->ExecDirect(handle, sql);
    if (rc != SQL_NO_DATA) CheckOdbc(rc, SQL_HANDLE_STMT, handle, "SQLExecDirect");
    // Columns are described after execution: the SQLite driver decides the
    // type of an expression from the first row.
    reader_ =
        std::make_unique<ResultReader>(std::move(statement), connection->GetDataExtensions(), connection->NarrowText(),
                                       connection->PositionsWithinBlocks(), text_limit_);
    // No result columns means no result at all (an INSERT, a CREATE TABLE),
    // which is not the same as an empty result: nothing can be read from it.
    if (reader_->ColumnCount() == 0) {
      throw PlatformError("cannot open the record set: the statement returned no records set");
    }
    open_ = true;
    FetchUpToPosition();
  } catch (const std::bad_alloc&) {
    Close();
    throw PlatformError("out of memory while opening the record set");
  } catch (...) {
    Close();
    throw;
  }
}

bool OdbcRecordset::Eof() {
  RequireOpen("test for the end of the record set");
  return AtEnd();
}

void OdbcRecordset::MoveNext() {
  RequireOpen("move to the next record");
  if (AtEnd()) {
    throw PlatformError("cannot move to the next record: the record set is at its end");
  }
  if (release_passed_) std::string().swap(rows_[position_]);
  ++position_;
  ForgetFieldPosition();
}

void OdbcRecordset::MoveFirst() {
  RequireOpen("move to the first record");
  if (release_passed_ && position_ > 0) {
    throw PlatformError("cannot move to the first record: the records read have been released");
  }
  position_ = 0;
  ForgetFieldPosition();
}

int OdbcRecordset::FieldCount() {
  RequireOpen("count the fields");
  return reader_->ColumnCount();
}

Value OdbcRecordset::FieldValue(int index) {
  RequireOpen("read a field");
  if (index < 0 || index >= reader_->ColumnCount()) {
    throw PlatformError("cannot read field " + std::to_string(index) + ": the record has " +
                        std::to_string(reader_->ColumnCount()) + " fields");
  }
  if (AtEnd()) {
    throw PlatformError("cannot read field " + std::to_string(index) + ": there is no current record");
  }
  const std::string& packed = rows_[position_];
  if (index < next_field_) ForgetFieldPosition();
  while (next_field_ < index) {
    SkipValue(packed, &next_field_offset_);
    ++next_field_;
  }
  Value value = UnpackValue(packed, &next_field_offset_);
  ++next_field_;
  return value;
}

void OdbcRecordset::ForgetFieldPosition() {
  next_field_ = 0;
  next_field_offset_ = 0;
}

std::string OdbcRecordset::FieldName(int index) {
  RequireOpen("name a field");
  if (index < 0 || index >= reader_->ColumnCount()) return "";
  return reader_->ColumnName(index);
}

bool OdbcRecordset::State() const { return open_; }

void OdbcRecordset::Close() {
  open_ = false;
  reader_.reset();
  rows_.clear();
  rows_.shrink_to_fit();
  position_ = 0;
  ForgetFieldPosition();
  release_passed_ = false;
}

void OdbcRecordset::RequireOpen(const char* action) const {
  if (!open_) throw PlatformError(std::string("cannot ") + action + ": the record set is closed");
}

void OdbcRecordset::FetchUpToPosition() {
  try {
    std::vector<ResultReader::Row> block;
    auto keep = [&] {
      for (const ResultReader::Row& row : block) rows_.push_back(PackRow(row));
      block.clear();
    };
    bool more = true;
    while (more && position_ >= rows_.size()) {
      try {
        more = reader_->FetchBlock(&block);
      } catch (const PlatformError&) {
        // The records read before the failure stay readable, as before it.
        keep();
        throw;
      }
      keep();
    }
  } catch (const std::bad_alloc&) {
    throw PlatformError("out of memory while reading the record set");
  }
}

bool OdbcRecordset::AtEnd() {
  FetchUpToPosition();
  return position_ >= rows_.size();
}

}  // namespace tallyvane::odbc
