#include "odbc/odbc_connection.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <new>

#include "odbc/data_source_places.h"
#include "odbc/driver_text_width.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/utf16.h"
#include "platform/blocking_call.h"
#include "platform/interruption.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {
namespace {

// Wipes a buffer that held the password before it is released.
template <typename Text>
void Wipe(Text* text) {
  std::fill(text->begin(), text->end(), typename Text::value_type{});
  text->clear();
}

// Replaces every occurrence of the password in a driver's message, in case
// a driver echoes the connection string in its diagnostics.
std::string WithoutPassword(std::string text, const std::string& password) {
  if (password.empty()) return text;
  for (std::size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 3)) {
    text.replace(at, password.size(), "***");
  }
  return text;
}

// The driver's library file name in lower case, "" when it does not say.
std::string DriverName(SQLHDBC connection) {
  SQLWCHAR name[128] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(connection, SQL_DRIVER_NAME, name, sizeof name, &length))) {
    return "";
  }
  const auto bytes = static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0));
  std::string driver = Utf16ToUtf8(name, std::min<std::size_t>(bytes / sizeof(SQLWCHAR), 127));
  std::transform(driver.begin(), driver.end(), driver.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return driver;
}

// The longest data source name the driver manager takes.
constexpr std::size_t kMaxDataSourceLength = 32;

// The user and the password go to the driver as arguments of their own, so
// that no value can add or replace an attribute: the SQLite driver, for
// one, ignores braces in a connection string and would take
// "x;Database=/other.db" as a second database attribute.
SQLRETURN Connect(SQLHDBC connection, const std::string& data_source, const std::string& user,
                  const std::string& password) {
  OdbcWideString name = Utf8ToUtf16(data_source);
  if (name.size() > kMaxDataSourceLength) {
    throw PlatformError("the data source name \"" + data_source + "\" is longer than the " +
                        std::to_string(kMaxDataSourceLength) + " characters that ODBC allows");
  }
  OdbcWideString wide_user = Utf8ToUtf16(user);
  OdbcWideString wide_password = Utf8ToUtf16(password);
  SQLRETURN rc = SQLConnectW(connection, name.data(), static_cast<SQLSMALLINT>(name.size()), wide_user.data(),
                             static_cast<SQLSMALLINT>(wide_user.size()), wide_password.data(),
                             static_cast<SQLSMALLINT>(wide_password.size()));
  Wipe(&wide_password);
  return rc;
}

}  // namespace

OdbcConnection::OdbcConnection() : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
  CheckOdbc(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            SQL_HANDLE_ENV, environment_.get(), "SQLSetEnvAttr");
}

OdbcConnection::~OdbcConnection() {
  try {
    Close();
  } catch (...) {
    // A failing disconnect must not escape a destructor; the handles are
    // freed regardless.
  }
}

void OdbcConnection::SetConnectionTimeout(int seconds) { connection_timeout_ = std::max(seconds, 0); }

void OdbcConnection::SetCommandTimeout(int seconds) { command_timeout_ = std::max(seconds, 0); }

void OdbcConnection::Open(const std::string& data_source, const std::string& user, const std::string& password) {
  try {
    Close();
    OdbcHandle connection(SQL_HANDLE_DBC, environment_.get());
    CheckOdbc(SQLSetConnectAttr(connection.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(connection_timeout_)), 0),
              SQL_HANDLE_DBC, connection.get(), "SQLSetConnectAttr");
    SQLRETURN rc = Connect(connection.get(), data_source, user, password);
    if (!SQL_SUCCEEDED(rc)) {
      std::string description = DescribeDiagnostics(SQL_HANDLE_DBC, connection.get());
      if (description.empty()) {
        description = "cannot connect to data source \"" + data_source + "\"";
      }
      throw PlatformError(WithDataSourcePlaces(WithoutPassword(description, password)), rc);
    }
    connection_ = std::move(connection);
    connected_ = true;
    getdata_extensions_ = 0;
    SQLGetInfoW(connection_.get(), SQL_GETDATA_EXTENSIONS, &getdata_extensions_, sizeof getdata_extensions_, nullptr);
    const std::string driver = DriverName(connection_.get());
    const bool sqlite = driver.find("sqlite") != std::string::npos;
    // The SQLite driver hands out its UTF-8 text unchanged as narrow text;
    // as UTF-16 it converts the whole value again for every piece read,
    // holding a copy twice the text's size each time.
    narrow_text_ = DriverTakesNarrowText(connection_.get()) || sqlite;
    // The SQLite driver turns a UTF-16 surrogate pair in statement text
    // into garbage (an emoji in a literal breaks the statement), while its
    // narrow entry point takes UTF-8 unchanged.
    statements_as_utf8_ = narrow_text_ || sqlite;
    positions_within_blocks_ = driver.find("psqlodbc") != std::string::npos;
  } catch (const PlatformError& error) {
    throw PlatformError(WithoutPassword(error.what(), password), error.Number());
  } catch (const std::bad_alloc&) {
    throw PlatformError("out of memory while connecting to data source \"" + data_source + "\"");
  }
}

void OdbcConnection::Execute(const std::string& sql) {
  try {
    RequireOpen("run a statement");
    std::shared_ptr<OdbcHandle> statement = NewStatement();
    SQLRETURN rc = ExecDirect(statement->get(), sql);
    // A searched UPDATE or DELETE that touches no row answers SQL_NO_DATA.
    if (rc != SQL_NO_DATA) CheckOdbc(rc, SQL_HANDLE_STMT, statement->get(), "SQLExecDirect");
    // Any result is dropped unread: freeing the statement closes its cursor.
    SQLCloseCursor(statement->get());
    statement->Reset();
  } catch (const std::bad_alloc&) {
    throw PlatformError("out of memory while running a statement");
  }
}

int OdbcConnection::Prepare(const std::string& sql, std::vector<std::string>* binary_columns) {
  RequireOpen("prepare a statement");
  std::shared_ptr<OdbcHandle> statement = NewStatement();
  SQLRETURN rc;
  if (statements_as_utf8_) {
    std::string text = sql;
    rc = SQLPrepare(statement->get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
  } else {
    OdbcWideString wide = Utf8ToUtf16(sql);
    rc = SQLPrepareW(statement->get(), wide.data(), static_cast<SQLINTEGER>(wide.size()));
  }
  CheckOdbc(rc, SQL_HANDLE_STMT, statement->get(), "SQLPrepare");
  SQLSMALLINT columns = 0;
  rc = SQLNumResultCols(statement->get(), &columns);
  // psqlODBC accepts any text in SQLPrepare and reports its errors here;
  // a driver that cannot tell before execution says so without one.
  if (!SQL_SUCCEEDED(rc) && !DescribeDiagnostics(SQL_HANDLE_STMT, statement->get()).empty()) {
    ThrowOdbcError(rc, SQL_HANDLE_STMT, statement->get(), "SQLNumResultCols");
  }
  if (!SQL_SUCCEEDED(rc)) columns = -1;
  if (binary_columns != nullptr) binary_columns->clear();
  for (SQLUSMALLINT i = 1; binary_columns != nullptr && i <= std::max<SQLSMALLINT>(columns, 0); ++i) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    if (!SQL_SUCCEEDED(
            SQLDescribeColW(statement->get(), i, name, 256, &name_length, &type, &size, &digits, &nullable))) {
      break;
    }
    if (type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY) {
      const auto units = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(name_length, 0)), 255);
      binary_columns->push_back("column " + std::to_string(i) + " \"" + Utf16ToUtf8(name, units) + "\"");
    }
  }
  statement->Reset();
  return columns;
}

void OdbcConnection::Close() {
  FreeStatements();
  if (connected_) {
    connected_ = false;
    SQLRETURN rc = SQLDisconnect(connection_.get());
    if (!SQL_SUCCEEDED(rc)) {
      // An open transaction keeps the driver from disconnecting: roll it
      // back rather than leave the connection half closed.
      SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
      SQLDisconnect(connection_.get());
    }
  }
  connection_.Reset();
}

bool OdbcConnection::IsOpen() const { return connected_; }

SQLRETURN OdbcConnection::ExecDirect(SQLHSTMT statement, const std::string& sql) const {
  // A termination signal cancels a long statement; the run then stops
  // instead of reporting the cancelled statement as failed.
  CancelOnInterruption cancel([statement] { SQLCancel(statement); });
  StopIfInterrupted();
  SQLRETURN rc = SQL_ERROR;
  // Through the blocking-call seam: the window keeps answering (its Stop
  // above all) while the driver works.
  if (statements_as_utf8_) {
    std::string text = sql;
    RunBlockingCall([&] {
      rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    });
  } else {
    OdbcWideString wide = Utf8ToUtf16(sql);
    RunBlockingCall([&] { rc = SQLExecDirectW(statement, wide.data(), static_cast<SQLINTEGER>(wide.size())); });
  }
  StopIfInterrupted();
  return rc;
}

std::shared_ptr<OdbcHandle> OdbcConnection::NewStatement() {
  RequireOpen("run a statement");
  auto statement = std::make_shared<OdbcHandle>(SQL_HANDLE_STMT, connection_.get());
  // One pass forward is all any caller needs; it spares the SQLite driver
  // building a scrollable copy of the result. Set before execution: some
  // drivers refuse to change the cursor type later.
  SQLSetStmtAttr(statement->get(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
  SQLRETURN rc = SQLSetStmtAttr(statement->get(), SQL_ATTR_QUERY_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(command_timeout_)), 0);
  // "No limit" is what a driver without time limits does anyway.
  if (command_timeout_ != 0) CheckOdbc(rc, SQL_HANDLE_STMT, statement->get(), "SQLSetStmtAttr");
  statements_.erase(std::remove_if(statements_.begin(), statements_.end(),
                                   [](const std::weak_ptr<OdbcHandle>& s) { return s.expired(); }),
                    statements_.end());
  statements_.push_back(statement);
  return statement;
}

void OdbcConnection::RequireOpen(const char* action) const {
  if (!connected_) {
    throw PlatformError(std::string("cannot ") + action + ": the database connection is not open");
  }
}

void OdbcConnection::FreeStatements() {
  for (const std::weak_ptr<OdbcHandle>& weak : statements_) {
    if (std::shared_ptr<OdbcHandle> statement = weak.lock()) statement->Reset();
  }
  statements_.clear();
}

}  // namespace tallyvane::odbc
