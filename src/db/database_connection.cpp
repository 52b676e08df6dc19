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
  std::string target = "DSN=" + context.settings.DataSourceName;
  if (!context.settings.DbUserName.empty()) target += "\xEF\xBC\x8C USER=" + context.settings.DbUserName;
  return target;
}

}  // namespace

bool ConnectDatabase(RunContext& context) {
  try {
    context.session.DbConnection = context.wiring.Platform->CreateDbConnection();
    context.session.DbRecordset = context.wiring.Platform->CreateDbRecordset();
    context.session.DbConnection->SetConnectionTimeout(0);
    context.session.DbConnection->SetCommandTimeout(0);
    context.session.DbConnection->Open(context.settings.DataSourceName, context.settings.DbUserName,
                                       context.settings.DbPassword);
    context.session.DbRecordset->SetActiveConnection(context.session.DbConnection);
    WriteLog(context, "Connect to database successfully. " + ConnectionTarget(context));
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to connect to database. " + ConnectionTarget(context), error.what());
    return false;
  }
}

bool DisconnectDatabase(RunContext& context) {
  try {
    if (!context.session.DbConnection) throw PlatformError("The database connection is not open.");
    context.session.DbConnection->Close();
    context.session.DbConnection.reset();
    context.session.DbRecordset.reset();
    return true;
  } catch (const std::exception& error) {
    LogError(context, "Failed to disconnect from database.", error.what());
    return false;
  }
}

}  // namespace tallyvane
