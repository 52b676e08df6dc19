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
std::string ConnectionTarget(const RunSettings& settings) {
  std::string target = "DSN=" + settings.DataSourceName;
  if (!settings.DbUserName.empty()) target += "\xEF\xBC\x8C USER=" + settings.DbUserName;
  return target;
}

}  // namespace

bool ConnectDatabase(const RunLog& log, const RunSettings& settings, PlatformFactory& platform, RunSession& session) {
  try {
    session.DbConnection = platform.CreateDbConnection();
    session.DbRecordset = platform.CreateDbRecordset();
    session.DbConnection->SetConnectionTimeout(0);
    session.DbConnection->SetCommandTimeout(0);
    session.DbConnection->Open(settings.DataSourceName, settings.DbUserName, settings.DbPassword);
    session.DbRecordset->SetActiveConnection(session.DbConnection);
    WriteLog(log, "Connect to database successfully. " + ConnectionTarget(settings));
    return true;
  } catch (const std::exception& error) {
    LogError(log, "Failed to connect to database. " + ConnectionTarget(settings), error.what());
    return false;
  }
}

bool DisconnectDatabase(const RunLog& log, RunSession& session) {
  try {
    if (!session.DbConnection) throw PlatformError("The database connection is not open.");
    session.DbConnection->Close();
    session.DbConnection.reset();
    session.DbRecordset.reset();
    return true;
  } catch (const std::exception& error) {
    LogError(log, "Failed to disconnect from database.", error.what());
    return false;
  }
}

}  // namespace tallyvane
