// Connecting, refusals and their descriptions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "log/run_log.h"
#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "temp_dir.h"
#include "test_data_sources.h"

namespace tallyvane::odbc {
namespace {

using testing::ErrorOf;

std::string OpenError(const std::string& data_source, const std::string& user, const std::string& password) {
  auto connection = CreateOdbcConnection();
  const std::string description = ErrorOf([&] { connection->Open(data_source, user, password); });
  EXPECT_FALSE(connection->IsOpen()) << data_source;
  return description;
}

std::string FirstText(const std::shared_ptr<DatabaseConnection>& connection, const std::string& sql) {
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(connection);
  recordset->Open(sql);
  return recordset->FieldValue(0).text;
}

TEST(ConnectionTest, RefusalsSayWhy) {
  const std::string long_name = "tallyvane_sqlite_under_a_name_of_over_32_characters";
  const struct {
    std::string data_source, expected;
  } cases[] = {
      {"tallyvane_missing_dsn",
       "[unixODBC][Driver Manager]Data source name not found and no default driver specified (SQLSTATE IM002) "
       "(data sources are read from ODBCINI=\"" +
           std::string(std::getenv("ODBCINI")) + "\" and \"/etc/odbc.ini\")"},
      {testing::kSqliteNoFileDsn, "[unixODBC][SQLite]connect failed (SQLSTATE HY000)"},
      {long_name, "the data source name \"" + long_name + "\" is longer than the 32 characters that ODBC allows"},
  };
  for (const auto& c : cases) EXPECT_EQ(OpenError(c.data_source, "bob", "se;cret pw"), c.expected);
  // A missing SQLite file is refused, not created.
  EXPECT_FALSE(std::filesystem::exists(testing::MissingSqliteFile()));

  auto connection = CreateOdbcConnection();
  EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT 1"); }),
            "cannot run a statement: the database connection is not open");
  connection->Close();  // closing twice is harmless
  auto recordset = CreateOdbcRecordset();
  EXPECT_FALSE(recordset->State());
  EXPECT_EQ(ErrorOf([&] { recordset->Open("SELECT 1"); }), "cannot open the record set: it has no active connection");
  recordset->SetActiveConnection(connection);
  EXPECT_EQ(ErrorOf([&] { recordset->Open("SELECT 1"); }), "cannot open the record set: its connection is not open");
}

// The SQLite driver ignores braces: a user or password that carried its
// own Database attribute into a connection string would open that file.
TEST(ConnectionTest, UserAndPasswordCannotNameAnotherDatabase) {
  const std::string other = testing::MissingSqliteFile();
  const std::string injected = "a;Database=" + other + ";x=";
  std::ofstream(other).flush();  // an empty file is an empty database
  testing::Backend backend = testing::FreshSqliteDatabase();
  testing::Connect(backend)->Execute("CREATE TABLE marker AS SELECT 'own' AS v");
  for (const auto& [user, password] : {std::pair{injected, std::string()}, std::pair{std::string("u"), injected}}) {
    backend.user = user;
    backend.password = password;
    EXPECT_EQ(FirstText(testing::Connect(backend), "SELECT v FROM marker"), "own") << user;
  }
  std::filesystem::remove(other);
}

class PostgreSQLConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::PreparePostgres(&backend_); }
  testing::Backend backend_;
};

// The password holds a semicolon, braces and blanks.
TEST_F(PostgreSQLConnectionTest, OnlyTheRightPasswordConnectsAndNoRefusalShowsIt) {
  EXPECT_EQ(FirstText(testing::Connect(backend_), "SELECT current_user"), backend_.user);
  for (const std::string& password : {std::string("wrong;pw"), std::string(" {wrong}} pw "), backend_.password + "x"}) {
    std::string description = OpenError(backend_.data_source, backend_.user, password);
    EXPECT_NE(description.find("password authentication failed"), std::string::npos) << description;
    EXPECT_NE(description.find("(SQLSTATE "), std::string::npos) << description;
    EXPECT_EQ(description.find(password), std::string::npos) << description;
  }
  // A letter of two bytes in UTF-8 and one unit in UTF-16: the password's
  // length reaches the driver in UTF-16 units.
  testing::Backend accented = backend_;
  accented.password += "\xC3\xA9";
  const auto set_password = [&](const testing::Backend& as, const std::string& password) {
    testing::Connect(as)->Execute("ALTER ROLE \"" + backend_.user + "\" PASSWORD '" + password + "'");
  };
  set_password(backend_, accented.password);
  std::string user;
  try {
    user = FirstText(testing::Connect(accented), "SELECT current_user");
    set_password(accented, backend_.password);
  } catch (const PlatformError& error) {
    user = error.what();
  }
  EXPECT_EQ(user, backend_.user);
}

// The server computes a row only when it is fetched (the DSN asks psqlODBC
// for declare/fetch); rows past 50,000 fail. Counting to 32,768 and going
// back to the first record must never reach them.
TEST_F(PostgreSQLConnectionTest, RecordsAreFetchedOnlyAsFarAsTheCallerMoves) {
  auto recordset = CreateOdbcRecordset();
  recordset->SetActiveConnection(testing::Connect(backend_));
  recordset->Open(
      "SELECT i, CASE WHEN i > 50000 THEN 1 / (i - i) ELSE i END "
      "FROM generate_series(1, 1000000) AS s(i)");
  int count = 0;
  for (; !recordset->Eof() && count < 32768; recordset->MoveNext()) ++count;
  EXPECT_EQ(count, 32768);
  recordset->MoveFirst();
  EXPECT_TRUE(testing::SameValue(recordset->FieldValue(1), Value::MakeInteger(1)));
  const std::string description = ErrorOf([&] {
    for (; !recordset->Eof(); recordset->MoveNext()) {
    }
  });
  EXPECT_NE(description.find("division by zero"), std::string::npos) << description;
  // Going on after the failure fails again rather than skip records.
  EXPECT_THROW(recordset->Eof(), PlatformError);
}

// A statement over the command time limit is stopped (without the limit
// it would end after 20 seconds, successfully). The server's messages hold
// line breaks (and end in one): in the run log the error stays on the
// lines of its time stamps.
TEST_F(PostgreSQLConnectionTest, LongStatementsStopAndServerMessagesKeepTheLogLayout) {
  auto connection = CreateOdbcConnection();
  connection->SetCommandTimeout(1);
  connection->Open(backend_.data_source, backend_.user, backend_.password);
  EXPECT_THROW(connection->Execute("SELECT pg_sleep(20)"), PlatformError);
  test::TempDir dir;
  RunContext context;
  context.wiring.FileSystem = std::make_unique<FileSystem>();
  context.session.LogStream = context.wiring.FileSystem->CreateTextFile(dir.File("run.log"));
  LogError(LogOf(context), "Failed to execute function 0.",
           ErrorOf([&] { connection->Execute("DO $$ BEGIN RAISE EXCEPTION E'first\\nsecond'; END $$"); }));
  const std::string text = test::ReadFileBytes(dir.File("run.log"));
  EXPECT_TRUE(std::regex_match(text, std::regex(R"((\[[^\r\n]*\r\n){2})"))) << text;
  EXPECT_NE(text.find("first second"), std::string::npos) << text;
}

}  // namespace
}  // namespace tallyvane::odbc
