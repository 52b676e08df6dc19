#include "test_data_sources.h"

#include "odbc_driver_pinning.h"
#include "shell_command.h"
#include "temp_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "odbc/odbc_factory.h"
#include "platform/platform_error.h"

namespace fs = std::filesystem;

namespace tallyvane::testing {
using namespace tallyvane::odbc;
namespace {

using test::ShellQuote;

constexpr const char* kSqliteDsn = "tallyvane_sqlite";
constexpr const char* kPostgresDsn = "tallyvane_pg";
constexpr const char* kPostgresAdminDsn = "tallyvane_pg_admin";
constexpr const char* kPostgresAdmin = "tallyvane_admin";
constexpr const char* kPostgresAdminPassword = "admin-pw";
constexpr const char* kPostgresUser = "report user";
// A semicolon, braces, an equals sign and blanks, leading and trailing too.
constexpr const char* kPostgresPassword = " se;cr{et}= pw ";
constexpr const char* kPostgresDatabase = "tallyvane_test";
constexpr int kPostgresPort = 54329;

struct Paths {
  test::TempDir root;
  test::TempDir pg;  // data and socket, owned by the server's user
};

Paths& TestPaths() {
  static Paths paths;
  return paths;
}

std::string PostgresBinDir() {
  const char* from_env = std::getenv("TALLYVANE_PG_BIN");
  return from_env ? from_env : "/usr/lib/postgresql/15/bin";
}

Backend Admin() {
  return Backend{"PostgreSQL", kPostgresAdminDsn, kPostgresAdmin, kPostgresAdminPassword};
}

bool RunningAsRoot() { return geteuid() == 0; }

// A server program, run as the server's user: not root, which it refuses.
std::string ServerTool(const std::string& name) {
  return std::string(RunningAsRoot() ? "runuser -u nobody -- " : "") + PostgresBinDir() + "/" + name;
}

std::string PgCtl(const std::string& arguments) {
  return ServerTool("pg_ctl") + " -D " + ShellQuote(TestPaths().pg.File("data")) + " " + arguments;
}

// Runs a command bounded in time; its output goes to log_path. Returns the
// exit status.
int RunBounded(const std::string& command, const std::string& log_path, int seconds) {
  std::string line = "timeout " + std::to_string(seconds) + " " + command + " >>" +
                     ShellQuote(log_path) + " 2>&1 </dev/null";
  int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PostgresServer {
 public:
  ~PostgresServer() { Stop(); }

  PostgresStatus Start() {
    if (started_) return {true, false, ""};
    if (tried_) return {false, false, failure_};
    tried_ = true;
    std::string bin = PostgresBinDir();
    if (!fs::exists(bin + "/initdb") || !fs::exists(bin + "/pg_ctl")) {
      return {false, true, "PostgreSQL server binaries not found in " + bin +
                               " (set TALLYVANE_PG_BIN to their folder)"};
    }
    std::string root = TestPaths().pg.path();
    std::string log = root + "/server.log";
    TestPaths().pg.Write("pwfile", std::string(kPostgresAdminPassword) + "\n");
    if (RunningAsRoot()) {
      struct passwd* nobody = getpwnam("nobody");
      if (!nobody) return Fail("there is no user \"nobody\" to run the server as");
      for (const auto& entry : fs::recursive_directory_iterator(root)) {
        (void)!chown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
      }
      (void)!chown(root.c_str(), nobody->pw_uid, nobody->pw_gid);
    }
    if (RunBounded(ServerTool("initdb") + " -D " + ShellQuote(root + "/data") + " -U " +
                       kPostgresAdmin + " --pwfile=" + ShellQuote(root + "/pwfile") +
                       " -A scram-sha-256 --no-locale -E UTF8 --no-sync",
                   log, 120) != 0) {
      return Fail("initdb failed:\n" + test::ReadFileBytes(log));
    }
    // Unix socket only, in our own folder: no port on the machine is taken.
    std::string options = "-c listen_addresses='' -k " + root + " -p " +
                          std::to_string(kPostgresPort) + " -c fsync=off";
    if (RunBounded(PgCtl("-l " + ShellQuote(root + "/data/postgres.log") + " -o " +
                         ShellQuote(options) + " -w -t 60 start"),
                   log, 90) != 0) {
      std::string text = test::ReadFileBytes(log) + test::ReadFileBytes(root + "/data/postgres.log");
      RunBounded(PgCtl("-m immediate stop"), log, 30);
      return Fail("the PostgreSQL server did not start:\n" + text);
    }
    started_ = true;
    StartWatchdog(root);
    try {
      Connect(Admin())->Execute(std::string("CREATE ROLE \"") + kPostgresUser +
                                "\" LOGIN PASSWORD '" + kPostgresPassword + "'");
    } catch (const PlatformError& error) {
      return Fail(std::string("cannot prepare the PostgreSQL test user: ") + error.what());
    }
    return {true, false, ""};
  }

  void Stop() {
    if (!started_) return;
    started_ = false;
    RunBounded(PgCtl("-m fast -w -t 30 stop"), TestPaths().pg.File("server.log"), 60);
  }

 private:
  PostgresStatus Fail(const std::string& reason) {
    failure_ = reason;
    return {false, false, reason};
  }

  // Stops the server and removes its folder should this process die
  // before it can do so itself (a crash, a sanitizer abort, a kill).
  static void StartWatchdog(const std::string& root) {
    std::string script = "while kill -0 " + std::to_string(getpid()) +
                         " 2>/dev/null; do sleep 1; done; timeout 30 " + PgCtl("-m immediate stop") +
                         " >/dev/null 2>&1; rm -rf " + ShellQuote(root) + " " +
                         ShellQuote(TestPaths().root.path());
    std::string line = "setsid sh -c " + ShellQuote(script) + " >/dev/null 2>&1 </dev/null &";
    (void)!std::system(line.c_str());
  }

  bool tried_ = false;
  bool started_ = false;
  std::string failure_;
};

PostgresServer& Server() {
  static PostgresServer server;
  return server;
}

}  // namespace

void InstallOdbcIni() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  Paths& paths = TestPaths();
  chmod(paths.pg.path().c_str(), 0755);
  std::string ini;
  ini += std::string("[") + kSqliteDsn + "]\nDriver=SQLite3\nDatabase=" + paths.root.File("test.db") +
         "\nNoCreat=1\nTimeout=5000\n\n";
  ini += std::string("[") + kSqliteLongDsn + "]\nDriver=SQLite3\nDatabase=" + paths.root.File("test.db") +
         "\nNoCreat=1\n\n";
  ini += std::string("[") + kSqliteNoFileDsn + "]\nDriver=SQLite3\nDatabase=" + MissingSqliteFile() +
         "\nNoCreat=1\n\n";
  std::string pg = "Driver=PostgreSQL Unicode\nServername=" + paths.pg.path() +
                   "\nPort=" + std::to_string(kPostgresPort) +
                   "\nBoolsAsChar=0\nSSLmode=disable\n";
  // Declare/fetch makes psqlODBC read a result in portions as it is
  // fetched instead of whole at execute time.
  ini += std::string("[") + kPostgresDsn + "]\n" + pg + "Database=" + kPostgresDatabase +
         "\nUseDeclareFetch=1\nFetch=500\n\n";
  ini += std::string("[") + kPostgresAdminDsn + "]\n" + pg + "Database=postgres\n";
  setenv("ODBCINI", paths.root.Write("odbc.ini", ini).c_str(), 1);
  test::KeepOdbcDriversLoaded();
}

Backend FreshSqliteDatabase() {
  fs::remove(TestPaths().root.File("test.db-journal"));
  // SQLite takes an empty file for an empty database.
  TestPaths().root.Write("test.db", "");
  return Backend{"SQLite", kSqliteDsn, "", ""};
}

std::string MissingSqliteFile() { return TestPaths().root.File("missing.db"); }

PostgresStatus PreparePostgres(Backend* backend) {
  PostgresStatus status = Server().Start();
  if (!status.available) return status;
  try {
    auto connection = Connect(Admin());
    connection->Execute(std::string("DROP DATABASE IF EXISTS ") + kPostgresDatabase +
                        " WITH (FORCE)");
    connection->Execute(std::string("CREATE DATABASE ") + kPostgresDatabase + " OWNER \"" +
                        kPostgresUser + "\"");
  } catch (const PlatformError& error) {
    return {false, false, std::string("cannot create the PostgreSQL test database: ") + error.what()};
  }
  *backend = Backend{"PostgreSQL", kPostgresDsn, kPostgresUser, kPostgresPassword};
  return status;
}

void StopPostgres() { Server().Stop(); }

std::shared_ptr<DatabaseConnection> Connect(const Backend& backend) {
  auto connection = CreateOdbcConnection();
  // A server that stops answering fails the test instead of hanging it.
  connection->SetConnectionTimeout(30);
  connection->Open(backend.data_source, backend.user, backend.password);
  return connection;
}

}  // namespace tallyvane::testing
