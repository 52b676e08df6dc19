// Connecting, refusals and their descriptions.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "app/run_context.h"
#include "log/run_log.h"
#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "test_data_sources.h"
#include "value_expectations.h"

namespace tallyvane::odbc {
namespace {

std::string OpenError(const std::string& data_source, const std::string& user,
                      const std::string& password) {
  auto connection = CreateOdbcConnection();
  try {
    connection->Open(data_source, user, password);
  } catch (const PlatformError& error) {
    EXPECT_FALSE(connection->IsOpen());
    return error.Description();
  }
  ADD_FAILURE() << "connected to " << data_source;
  return "";
}

TEST(ConnectionTest, MissingDataSourceGivesTheDriverManagersText) {
  EXPECT_EQ(OpenError(testing::kMissingDataSource, "bob", "se;cret pw"),
            "[unixODBC][Driver Manager]Data source name not found and no default driver "
            "specified (SQLSTATE IM002) (data sources are read from ODBCINI=" + std::string(std::getenv("ODBCINI")) +
                ", ~/.odbc.ini and /etc/odbc.ini)");
}

TEST(ConnectionTest, MissingSqliteFileIsRefusedNotCreated) {
  EXPECT_EQ(OpenError(testing::SqliteDataSourceWithoutFile(), "", ""),
            "[unixODBC][SQLite]connect failed (SQLSTATE HY000)");
  EXPECT_FALSE(std::filesystem::exists(testing::MissingSqliteFile()));
}

// The SQLite driver ignores braces: a user or password that carried its
// own Database attribute into a connection string would open that file.
// (A name over 32 characters the driver manager refuses in any form.)
TEST(ConnectionTest, UserAndPasswordCannotNameAnotherDatabase) {
  const std::string other = testing::MissingSqliteFile();
  const std::string injected = "a;Database=" + other + ";x=";
  std::ofstream(other).flush();  // an empty file is an empty database
  testing::Backend backend = testing::FreshSqliteDatabase();
  auto own = testing::Connect(backend);
  own->Execute("CREATE TABLE marker (v TEXT)");
  own->Execute("INSERT INTO marker VALUES ('own')");
  for (const auto& [user, password] : {std::pair{injected, std::string()}, std::pair{std::string("u"), injected}}) {
    backend.user = user;
    backend.password = password;
    auto recordset = CreateOdbcRecordset();
    recordset->SetActiveConnection(testing::Connect(backend));
    recordset->Open("SELECT v FROM marker");
    EXPECT_TRUE(testing::SameValue(recordset->FieldValue(0), Value::MakeText("own"))) << user;
  }
  const std::string long_name = testing::SqliteDataSourceWithLongName();
  EXPECT_EQ(OpenError(long_name, "u", "pw"),
            "the data source name \"" + long_name + "\" is longer than the 32 characters that ODBC allows");
  std::filesystem::remove(other);
}

TEST(ConnectionTest, ClosedConnectionRefusesStatements) {
  auto connection = CreateOdbcConnection();
  EXPECT_FALSE(connection->IsOpen());
  try {
    connection->Execute("SELECT 1");
    FAIL() << "ran a statement without a connection";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.Description(),
                 "cannot run a statement: the database connection is not open");
  }
  connection->Close();  // closing twice is harmless
}

TEST(ConnectionTest, RecordsetNeedsAnOpenConnection) {
  auto recordset = CreateOdbcRecordset();
  EXPECT_FALSE(recordset->State());
  try {
    recordset->Open("SELECT 1");
    FAIL() << "opened without a connection";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.Description(), "cannot open the record set: it has no active connection");
  }
  recordset->SetActiveConnection(CreateOdbcConnection());
  try {
    recordset->Open("SELECT 1");
    FAIL() << "opened on a closed connection";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.Description(), "cannot open the record set: its connection is not open");
  }
}

class PostgreSQLConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PostgresStatus status = testing::PreparePostgres(&backend_);
    if (status.skip) GTEST_SKIP() << status.reason;
    ASSERT_TRUE(status.available) << status.reason;
  }
  testing::Backend backend_;
};

TEST_F(PostgreSQLConnectionTest, PasswordWithSemicolonBracesAndBlanksConnects) {
  ASSERT_NE(backend_.password.find(';'), std::string::npos);
  ASSERT_NE(backend_.password.find('}'), std::string::npos);
  ASSERT_EQ(backend_.password.front(), ' ');
  auto connection = testing::Connect(backend_);
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(connection);
  recordset->Open("SELECT current_user");
  EXPECT_TRUE(testing::SameValue(recordset->FieldValue(0), Value::MakeText(backend_.user)));
}

TEST_F(PostgreSQLConnectionTest, WrongPasswordIsRefusedWithoutShowingIt) {
  for (const std::string& password :
       {std::string("wrong;pw"), std::string(" {wrong}} pw "), backend_.password + "x"}) {
    std::string description = OpenError(backend_.data_source, backend_.user, password);
    EXPECT_NE(description.find("password authentication failed"), std::string::npos)
        << description;
    EXPECT_NE(description.find("(SQLSTATE "), std::string::npos) << description;
    EXPECT_EQ(description.find(password), std::string::npos) << description;
  }
}

// The server computes a row only when it is fetched (the DSN asks psqlODBC
// for declare/fetch); rows past 50,000 fail. Counting to 32,768 and going
// back to the first record must never reach them.
TEST_F(PostgreSQLConnectionTest, RecordsAreFetchedOnlyAsFarAsTheCallerMoves) {
  auto connection = testing::Connect(backend_);
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(connection);
  recordset->Open(
      "SELECT i, CASE WHEN i > 50000 THEN 1 / (i - i) ELSE i END "
      "FROM generate_series(1, 1000000) AS s(i)");
  int count = 0;
  for (; !recordset->Eof() && count < 32768; recordset->MoveNext()) ++count;
  EXPECT_EQ(count, 32768);
  recordset->MoveFirst();
  EXPECT_TRUE(testing::SameValue(recordset->FieldValue(1), Value::MakeInteger(1)));
  try {
    for (; !recordset->Eof(); recordset->MoveNext()) {
    }
    FAIL() << "read past the failing record";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.Description()).find("division by zero"), std::string::npos)
        << error.Description();
  }
  // Going on after the failure fails again rather than skip records.
  EXPECT_THROW(recordset->Eof(), PlatformError);
}

// The server's messages hold line breaks (and end in one): in the run log
// the error stays on the lines of its time stamps.
TEST_F(PostgreSQLConnectionTest, ServerMessageKeepsTheLogLayout) {
  RunContext context;
  context.FileSystem = std::make_unique<FileSystem>();
  const std::string log = testing::MissingSqliteFile() + ".log";
  context.LogStream = context.FileSystem->CreateTextFile(log);
  try {
    testing::Connect(backend_)->Execute("DO $$ BEGIN RAISE EXCEPTION E'first\\nsecond'; END $$");
    ADD_FAILURE() << "the statement ran";
  } catch (const PlatformError& error) {
    LogError(context, "Failed to execute function 0.", error.Description());
  }
  context.LogStream->Close();
  std::ifstream in(log, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(log);
  EXPECT_TRUE(std::regex_match(text, std::regex(R"((\[[^\r\n]*\r\n){2})"))) << text;
  EXPECT_NE(text.find("first second"), std::string::npos) << text;
}

TEST_F(PostgreSQLConnectionTest, CommandTimeLimitStopsALongStatement) {
  auto connection = CreateOdbcConnection();
  connection->SetCommandTimeout(1);
  connection->Open(backend_.data_source, backend_.user, backend_.password);
  auto started = std::chrono::steady_clock::now();
  EXPECT_THROW(connection->Execute("SELECT pg_sleep(20)"), PlatformError);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
}

}  // namespace
}  // namespace tallyvane::odbc
