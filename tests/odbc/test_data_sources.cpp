#include "test_data_sources.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <regex>
#include <sstream>

#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"
#include "shell_command.h"
#include "sqlite_data_source.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace tallyvane::testing {
using namespace tallyvane::odbc;
namespace {

using test::ShellQuote;

constexpr const char* kPostgresDsn = "tallyvane_pg";
constexpr const char* kPostgresAdminDsn = "tallyvane_pg_admin";
// psqlODBC's other driver, which takes and gives text in the database's
// encoding rather than as UTF-16.
constexpr const char* kPostgresAnsiDsn = "tallyvane_pg_ansi";
constexpr const char* kPostgresAdmin = "tallyvane_admin";
constexpr const char* kPostgresAdminPassword = "admin-pw";
constexpr const char* kPostgresUser = "report user";
// A semicolon, braces, an equals sign and blanks, leading and trailing too.
constexpr const char* kPostgresPassword = " se;cr{et}= pw ";
constexpr const char* kPostgresDatabase = "tallyvane_test";
constexpr int kPostgresPort = 54329;

// The server's data and socket, owned by the server's user.
const test::TempDir& ServerFolder() {
  static const test::TempDir folder;
  return folder;
}

// The server's programs, or those of the folder TALLYVANE_PG_BIN names.
const std::string kBin =
    std::getenv("TALLYVANE_PG_BIN") ? std::getenv("TALLYVANE_PG_BIN") : "/usr/lib/postgresql/15/bin";

const Backend kAdmin{kPostgresAdminDsn, kPostgresAdmin, kPostgresAdminPassword};

// A server program, run as the server's user: not root, which it refuses.
std::string ServerTool(const std::string& name) {
  return std::string(geteuid() == 0 ? "runuser -u nobody -- " : "") + kBin + "/" + name;
}

std::string PgCtl(const std::string& arguments) {
  return ServerTool("pg_ctl") + " -D " + ShellQuote(ServerFolder().File("data")) + " " + arguments;
}

// Runs a shell script bounded in time, its output added to the server
// folder's log; true when it succeeds.
bool RunBounded(const std::string& script, int seconds) {
  const std::string line = "timeout " + std::to_string(seconds) + " sh -c " + ShellQuote(script) + " >>" +
                           ShellQuote(ServerFolder().File("server.log")) + " 2>&1 </dev/null";
  return std::system(line.c_str()) == 0;
}

bool server_started = false;

// Whether a server is available; if not, why, and whether that is a
// reason to skip (its binaries are absent) rather than to fail.
struct ServerStatus {
  bool available = false;
  bool skip = false;
  std::string reason;
};

ServerStatus StartServer() {
  const std::string root = ServerFolder().path();
  if (!fs::exists(kBin + "/initdb") || !fs::exists(kBin + "/pg_ctl")) {
    return {false, true, "PostgreSQL server binaries not found in " + kBin + " (set TALLYVANE_PG_BIN to their folder)"};
  }
  ServerFolder().Write("pwfile", std::string(kPostgresAdminPassword) + "\n");
  // Unix socket only, in our own folder: no port on the machine is taken.
  const std::string options =
      "-c listen_addresses='' -k " + root + " -p " + std::to_string(kPostgresPort) + " -c fsync=off";
  if (!RunBounded(
          std::string("set -e; ") + (geteuid() == 0 ? "chown -R nobody: " + ShellQuote(root) + "; " : "") +
              ServerTool("initdb") + " -D " + ShellQuote(root + "/data") + " -U " + kPostgresAdmin +
              " --pwfile=" + ShellQuote(root + "/pwfile") + " -A scram-sha-256 --no-locale -E UTF8 --no-sync; " +
              PgCtl("-l " + ShellQuote(root + "/data/postgres.log") + " -o " + ShellQuote(options) + " -w -t 60 start"),
          180)) {
    const std::string text =
        test::ReadFileBytes(root + "/server.log") + test::ReadFileBytes(root + "/data/postgres.log");
    RunBounded(PgCtl("-m immediate stop"), 30);
    return {false, false, "the PostgreSQL server did not start:\n" + text};
  }
  server_started = true;
  // Stops the server and removes its folder should this process die
  // before it can do so itself (a crash, a sanitizer abort, a kill).
  const std::string watchdog = "while kill -0 " + std::to_string(getpid()) + " 2>/dev/null; do sleep 1; done; " +
                               "timeout 30 " + PgCtl("-m immediate stop") + " >/dev/null 2>&1; rm -rf " +
                               ShellQuote(root);
  (void)!std::system(("setsid sh -c " + ShellQuote(watchdog) + " >/dev/null 2>&1 </dev/null &").c_str());
  try {
    Connect(kAdmin)->Execute(std::string("CREATE ROLE \"") + kPostgresUser + "\" LOGIN PASSWORD '" + kPostgresPassword +
                             "'");
  } catch (const PlatformError& error) {
    return {false, false, std::string("cannot prepare the PostgreSQL test user: ") + error.what()};
  }
  return {true, false, ""};
}

constexpr const char* kMariaDsn = "tallyvane_maria";
constexpr const char* kMariaAdminDsn = "tallyvane_maria_admin";
constexpr const char* kMariaUser = "report user";
constexpr const char* kMariaPassword = " se;cr{et}= pw ";
constexpr const char* kMariaDatabase = "tallyvane_test";
const std::string kMariaBin = std::getenv("TALLYVANE_MARIADB_BIN") ? std::getenv("TALLYVANE_MARIADB_BIN") : "/usr/bin";
const std::string kMariaServer = std::getenv("TALLYVANE_MARIADB_BIN") ? kMariaBin + "/mariadbd" : "/usr/sbin/mariadbd";

const test::TempDir& MariaFolder() {
  static const test::TempDir folder;
  return folder;
}

const Backend kMariaAdmin{kMariaAdminDsn, "root", ""};
bool maria_started = false;

std::string MariaStop() {
  const std::string pid = ShellQuote(MariaFolder().File("server.pid"));
  return "test -f " + pid + " && kill -9 $(cat " + pid + ")";
}

// A private server: its own data folder and socket, no network, no system
// service; started in a few seconds (the data folder is made without
// syncing and the server keeps its log in memory).
ServerStatus StartMaria() {
  const std::string root = MariaFolder().path();
  if (!fs::exists(kMariaBin + "/mariadb-install-db") || !fs::exists(kMariaServer)) {
    return {false, true,
            "MariaDB server binaries not found (mariadb-install-db in " + kMariaBin + ", " + kMariaServer +
                "; set TALLYVANE_MARIADB_BIN to their folder)"};
  }
  const std::string user = geteuid() == 0 ? "runuser -u nobody -- " : "";
  const std::string common = " --no-defaults --datadir=" + ShellQuote(root + "/data");
  const std::string server = user + kMariaServer + common + " --socket=" + ShellQuote(root + "/socket") +
                             " --skip-networking --pid-file=" + ShellQuote(root + "/server.pid") +
                             " --log-error=" + ShellQuote(root + "/error.log") +
                             " --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci"
                             " --innodb-flush-log-at-trx-commit=0 --innodb-buffer-pool-size=16M --skip-log-bin";
  const std::string script =
      std::string("set -e; ") + (geteuid() == 0 ? "chown -R nobody: " + ShellQuote(root) + "; " : "") + user +
      kMariaBin + "/mariadb-install-db" + common + " --auth-root-authentication-method=normal --skip-test-db; " +
      "setsid " + server + " </dev/null >/dev/null 2>&1 & " + "i=0; until test -S " + ShellQuote(root + "/socket") +
      "; do i=$((i+1)); test $i -lt 300; sleep 0.1; done";
  if (!RunBounded(script, 60)) {
    RunBounded(MariaStop(), 10);
    return {false, false, "the MariaDB server did not start:\n" + test::ReadFileBytes(root + "/error.log")};
  }
  maria_started = true;
  const std::string watchdog = "while kill -0 " + std::to_string(getpid()) + " 2>/dev/null; do sleep 1; done; " +
                               MariaStop() + "; sleep 1; rm -rf " + ShellQuote(root);
  (void)!std::system(("setsid sh -c " + ShellQuote(watchdog) + " >/dev/null 2>&1 </dev/null &").c_str());
  try {
    auto admin = Connect(kMariaAdmin);
    admin->Execute(std::string("CREATE USER '") + kMariaUser + "'@'localhost' IDENTIFIED BY '" + kMariaPassword + "'");
    admin->Execute(std::string("GRANT ALL ON ") + kMariaDatabase + ".* TO '" + kMariaUser + "'@'localhost'");
  } catch (const PlatformError& error) {
    return {false, false, std::string("cannot prepare the MariaDB test user: ") + error.what()};
  }
  return {true, false, ""};
}

// Before the first ODBC call of the process (unixODBC reads ODBCINI once):
// the shared SQLite data source's odbc.ini, with the names of the missing
// SQLite file and of the PostgreSQL databases added. When the tests end,
// the server stops.
class OdbcEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const test::SqliteDataSource& sqlite = test::SqliteDataSource::Instance();
    const std::string pg = "Driver=PostgreSQL Unicode\nServername=" + ServerFolder().path() +
                           "\nPort=" + std::to_string(kPostgresPort) + "\nBoolsAsChar=0\nSSLmode=disable\n";
    // Declare/fetch makes psqlODBC read a result in portions as it is
    // fetched instead of whole at execute time.
    std::ofstream(sqlite.odbc_ini(), std::ios::app)
        << "\n[" << kSqliteNoFileDsn << "]\nDriver=SQLite3\nDatabase=" << MissingSqliteFile() << "\nNoCreat=1\n\n["
        << kPostgresDsn << "]\n"
        << pg << "Database=" << kPostgresDatabase << "\nUseDeclareFetch=1\nFetch=500\n\n[" << kPostgresAdminDsn << "]\n"
        << pg << "Database=postgres\n\n[" << kPostgresAnsiDsn << "]\n"
        << std::regex_replace(pg, std::regex("Unicode"), "ANSI") << "Database=" << kPostgresDatabase << "\n\n["
        << kMariaDsn << "]\nDriver=MariaDB Unicode\nSocket=" << MariaFolder().File("socket")
        << "\nDatabase=" << kMariaDatabase << "\n\n[" << kMariaAdminDsn
        << "]\nDriver=MariaDB Unicode\nSocket=" << MariaFolder().File("socket") << "\n";
  }
  void TearDown() override {
    if (server_started) RunBounded(PgCtl("-m fast -w -t 30 stop"), 60);
    // Waits for the server to end before its folder is removed.
    if (maria_started) {
      RunBounded("p=$(cat " + ShellQuote(MariaFolder().File("server.pid")) +
                     "); kill $p; while kill -0 $p 2>/dev/null; do sleep 0.1; done",
                 30);
    }
  }
};

// Every part of the value, the unused ones too.
std::string Describe(const Value& v) {
  std::ostringstream out;
  const DateTime& d = v.date_time;
  out << std::setprecision(17) << "kind " << static_cast<int>(v.kind) << " (" << v.integer << ", " << v.number << ", "
      << v.boolean << ", " << d.year << "-" << d.month << "-" << d.day << " " << d.hour << ":" << d.minute << ":"
      << d.second << "." << d.nanosecond << " (" << d.fraction_digits << " digits), " << v.text.size() << " bytes \""
      << v.text << "\")";
  return out.str();
}

}  // namespace

Backend FreshSqliteDatabase() {
  test::SqliteDataSource::Instance().Reset("");
  return Backend{test::SqliteDataSource::kName, "", ""};
}

std::string MissingSqliteFile() {
  return fs::path(test::SqliteDataSource::Instance().database()).replace_filename("missing.db").string();
}

void PreparePostgres(Backend* backend) {
  static const ServerStatus status = StartServer();
  if (status.skip) GTEST_SKIP() << status.reason;
  ASSERT_TRUE(status.available) << status.reason;
  auto connection = Connect(kAdmin);
  connection->Execute(std::string("DROP DATABASE IF EXISTS ") + kPostgresDatabase + " WITH (FORCE)");
  connection->Execute(std::string("CREATE DATABASE ") + kPostgresDatabase + " OWNER \"" + kPostgresUser + "\"");
  *backend = Backend{kPostgresDsn, kPostgresUser, kPostgresPassword};
}

void PreparePostgresAnsi(Backend* backend) {
  PreparePostgres(backend);
  backend->data_source = kPostgresAnsiDsn;
}

void PrepareMaria(Backend* backend) {
  static const ServerStatus status = StartMaria();
  if (status.skip) GTEST_SKIP() << status.reason;
  ASSERT_TRUE(status.available) << status.reason;
  auto connection = Connect(kMariaAdmin);
  connection->Execute(std::string("DROP DATABASE IF EXISTS ") + kMariaDatabase);
  connection->Execute(std::string("CREATE DATABASE ") + kMariaDatabase + " CHARACTER SET utf8mb4");
  *backend = Backend{kMariaDsn, kMariaUser, kMariaPassword};
}

std::shared_ptr<DatabaseConnection> Connect(const Backend& backend) {
  auto connection = CreateOdbcConnection();
  // A server that stops answering fails the test instead of hanging it.
  connection->SetConnectionTimeout(30);
  connection->Open(backend.data_source, backend.user, backend.password);
  return connection;
}

::testing::AssertionResult SameValue(const Value& a, const Value& e) {
  const std::string got = Describe(a), expected = Describe(e);
  if (got == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << got.substr(0, 200) << ", expected " << expected.substr(0, 200);
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PlatformError& error) {
    return error.Description();
  }
  ADD_FAILURE() << "no error";
  return "";
}

}  // namespace tallyvane::testing

// Set up only when tests run (not when they are listed).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new tallyvane::testing::OdbcEnvironment);
  return RUN_ALL_TESTS();
}
