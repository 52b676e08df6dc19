#include "db/database_connection.h"

#include <exception>
#include <string>

#include "log/run_log.h"
#include "platform/platform_error.h"
#include "platform/platform_factory.h"
#include "run/run_context.h"

namespace tallyvane {
namespace {

// The user part follows a full-width comma and a blank; the password never
// appears in any line.
std::string ConnectionTarget(const RunContext& context) {
  std::string target = "DSN=" + context.DataSourceName;
  if (!context.DbUserName.empty()) target += "\xEF\xBC\x8C USER=" + context.DbUserName;
  return target;
}

}  // namespace

bool ConnectDatabase(RunContext& context) {
  try {
    context.DbConnection = context.Platform->CreateDbConnection();
    context.DbRecordset = context.Platform->CreateDbRecordset();
    context.DbConnection->SetConnectionTimeout(0);
    context.DbConnection->SetCommandTimeout(0);
    context.DbConnection->Open(context.DataSourceName, context.DbUserName, context.DbPassword);
    context.DbRecordset->SetActiveConnection(context.DbConnection);
    WriteLog(context, "Connect to database successfully. " + ConnectionTarget(context));
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to connect to database. " + ConnectionTarget(context), error.what());
    return false;
  }
}

bool DisconnectDatabase(RunContext& context) {
  try {
    if (!context.DbConnection) throw PlatformError("The database connection is not open.");
    context.DbConnection->Close();
    context.DbConnection.reset();
    context.DbRecordset.reset();
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to disconnect from database.", error.what());
    return false;
  }
}

}  // namespace tallyvane
