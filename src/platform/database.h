#pragma once
// What a report run needs of a database access layer: one connection and
// one record set bound to it. Every failing operation throws
// PlatformError whose description comes from the driver.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tallyvane {

class DatabaseConnection {
 public:
  virtual ~DatabaseConnection() = default;
  // Seconds; 0 means no time limit. Set before Open.
  virtual void SetConnectionTimeout(int seconds) = 0;
  virtual void SetCommandTimeout(int seconds) = 0;
  // Connects to an ODBC data source name with a user and a password.
  virtual void Open(const std::string& data_source, const std::string& user, const std::string& password) = 0;
  // Runs a statement; any result it returns is dropped unread.
  virtual void Execute(const std::string& sql) = 0;
  // Lets the driver check a statement without running it; returns the
  // number of columns of its result, or -1 where the driver cannot tell
  // before execution. binary_columns, when given, receives the columns
  // that hold binary data (which no cell can take), each as
  // "column 2 \"name\"".
  virtual int Prepare(const std::string& sql, std::vector<std::string>* binary_columns = nullptr) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

class Recordset {
 public:
  virtual ~Recordset() = default;
  virtual void SetActiveConnection(std::shared_ptr<DatabaseConnection> connection) = 0;
  // Keeps at most units UTF-16 code units of a text where the access layer
  // can stop reading there (0, the default, reads every text whole); the
  // kept text is cut, so a caller that cannot hold texts this long passes
  // one unit more than it can hold and refuses what reaches it. For the
  // next Open.
  virtual void SetTextLimit(std::size_t units) { (void)units; }
  // Runs the statement on the active connection; positioned on the first record.
  virtual void Open(const std::string& sql) = 0;
  virtual bool Eof() = 0;
  virtual void MoveNext() = 0;
  // Back to the first record, also after a pass to the end.
  virtual void MoveFirst() = 0;
  // The caller goes only forward from here: the layer may release each
  // record that MoveNext leaves, and MoveFirst may then fail. Until the
  // next Open.
  virtual void ReleasePassedRecords() {}
  virtual int FieldCount() = 0;
  // The value of field index (from 0) of the current record.
  virtual Value FieldValue(int index) = 0;
  // The name of field index (from 0), "" where the layer knows none.
  virtual std::string FieldName(int /*index*/) { return ""; }
  // True while open.
  virtual bool State() const = 0;
  virtual void Close() = 0;
};

}  // namespace tallyvane
