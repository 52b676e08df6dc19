#include "sql/sql_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "sql/sql_file_list.h"
#include "temp_dir.h"
#include "test_context.h"

namespace tallyvane {
namespace {

using test::FakeJournal;
using test::FakePlatform;

// Statements run as function 0 against the connection double, so that the
// log shows the reader's and the dispatcher's lines alone.
class SqlFileReaderTest : public ::testing::Test {
 protected:
  SqlFileReaderTest() : platform(journal) {
    t.context.wiring.Platform = &platform;
    t.context.Interactive = false;
    t.context.session.DbConnection = platform.CreateDbConnection();
    log = dir.File("run.log");
    t.context.session.LogStream = t.context.wiring.FileSystem->CreateTextFile(log);
  }

  // Runs content as file 3; returns the log with the file's path as "f.sql".
  std::vector<std::string> Read(const std::string& content) {
    const std::string path = dir.Write("f.sql", content);
    RunSqlFile(t.context, 3, path);
    std::vector<std::string> lines = test::LogMessages(log);
    for (std::string& line : lines) {
      for (std::size_t at; (at = line.find(path)) != std::string::npos;) line.replace(at, path.size(), "f.sql");
    }
    return lines;
  }

  test::TempDir dir;
  test::TestContext t;
  FakeJournal journal;
  FakePlatform platform;
  std::string log;
};

// The pure reader: statements with their labels, fields and first lines,
// and a line that cannot be read ending the reading after the statements
// handed over before it.
TEST(ReadSqlStatements, GathersStatementsBehindTheirFunctionLines) {
  const struct {
    std::vector<std::string> lines;
    std::vector<std::string> statements;
    std::string error;
  } cases[] = {
      {{"DELETE FROM t", "@S=0;Sheet1;3;2", "SELECT a", "    WHERE m = '[MONTH]' # '", "", "@Dropped=0", "@T=0",
        "SELECT '#1'", "@Last=0"},
       {"1 [] DELETE FROM t", "2 [S] 0;Sheet1;3;2: SELECT a WHERE m = '2004-10'", "7 [T] 0: SELECT '#1'"},
       ""},
      {{"@A=0", "SELECT 1", "@declare x", "SELECT 2"},
       {"1 [A] 0: SELECT 1"},
       "The function line \"@declare x\" has no \"=\" (line 3)"},
      {{"@A=0", "SELECT 1", std::string(40000, 'x')},
       {},
       "The line is too long: 32,767 or more characters before any comment. (line 3)"},
  };
  for (const auto& c : cases) {
    const SqlFileStatements read = ReadSqlStatements(c.lines, {{"[MONTH]", "2004-10"}});
    std::vector<std::string> statements;
    for (const SqlStatement& s : read.statements) {
      statements.push_back(std::to_string(s.line) + " [" + s.label + "] " + s.fields + (s.fields.empty() ? "" : ": ") +
                           s.text);
    }
    EXPECT_EQ(statements, c.statements) << c.lines[0];
    EXPECT_EQ(read.error, c.error) << c.lines[0];
  }
}

std::string Line(const std::string& label, const std::string& text) { return "[SQLFILE3]  [" + label + "]    " + text; }

// Statements gathered behind their function lines, bad function lines, a
// failing statement, and files that are not valid text in the code page
// (which run nothing): the whole log of each file.
TEST_F(SqlFileReaderTest, LogsEveryStatementBehindItsFunctionLineAndEveryFailure) {
  t.context.parameters.Parameters[0] = {"[MONTH]", "", "2004-10", 1};
  t.context.parameters.ParameterCount = 1;
  journal.failing.insert("Execute bad");
  const std::string open = "[SQLFILE3]  Open \"f.sql\" succesfully.";
  const std::string unread = "Error: Failed to read [SQLFILE3] \"f.sql\".";
  const std::string fix =
      " If it was saved in another code page, name that code page in the configuration "
      "file, section [FILE], for example CodePage=windows-1252.";
  const struct {
    const char* code_page;
    std::string content;
    std::vector<std::string> log;
    int statements, errors;
  } cases[] = {
      {"",
       "DELETE FROM t\r\n@S=0;Sheet1;3;2\r\nSELECT a\r\n    WHERE m = '[MONTH]' # '\r\n\r\n@Dropped=0\r\n@T=0\r\n"
       "SELECT '#1'\r\n@Last=0\r\n",
       {open, Line("", "Function 0"), Line("", "DELETE FROM t"), Line("", "Success."), Line("S", "Function 0"),
        Line("S", "SELECT a WHERE m = '2004-10'"), Line("S", "Success."), Line("T", "Function 0"),
        Line("T", "SELECT '#1'"), Line("T", "Success.")},
       3,
       0},
      {"",
       "@A=0\nSELECT 1\n@declare x\nSELECT 2\n",
       {open, Line("A", "Function 0"), Line("A", "SELECT 1"), Line("A", "Success."), unread,
        "Error Info: The function line \"@declare x\" has no \"=\" (line 3)"},
       1,
       1},
      {"",
       "@=x\nSELECT 1\n@A=4\nSELECT 2\n@B=-1\nSELECT 3\n@C=0\nSELECT 4\n",
       {open, "Error: Failed to excute function.",
        "Error Info: Type mismatch (field 1 is \"x\"; it must be the function, 0 to 3)", Line("A", "Failure."),
        Line("B", "Failure."), Line("C", "Function 0"), Line("C", "SELECT 4"), Line("C", "Success.")},
       4,
       1},
      {"",
       "@X=0\nbad\n@Y=0\ngood\n",
       {open, Line("X", "Function 0"), Line("X", "bad"), "Error: Failed to execute function 0.",
        "Error Info: Execute bad failed", Line("X", "Failure."), Line("Y", "Function 0"), Line("Y", "good"),
        Line("Y", "Success.")},
       2,
       1},
      // An overlong line fails the file without exhausting memory.
      {"",
       "@A=0\nSELECT 1\n" + std::string(5'000'000, 'x') + "\n",
       {open, unread, "Error Info: The line is too long: 32,767 or more characters before any comment. (line 3)"},
       0,
       1},
      {"windows-1252",
       "SELECT 'M\xFCller \x80'\n",
       {open, Line("", "Function 0"), Line("", "SELECT 'M\xC3\xBCller \xE2\x82\xAC'"), Line("", "Success.")},
       1,
       0},
      // A byte-order mark is no part of the statement and means UTF-8 whatever the code page.
      {"windows-1252",
       "\xEF\xBB\xBFSELECT 'M\xC3\xBCller'\n",
       {open, Line("", "Function 0"), Line("", "SELECT 'M\xC3\xBCller'"), Line("", "Success.")},
       1,
       0},
      {"",
       "SELECT 1\nSELECT 'M\xFCller'\n",
       {open, unread, "Error Info: The file \"f.sql\" is not valid UTF-8 text at line 2." + fix},
       0,
       1},
      {"1252",
       "SELECT '\x81'\n",
       {open, unread, "Error Info: The file \"f.sql\" is not valid CP1252 text at line 1." + fix},
       0,
       1},
      {"",
       std::string("\xFF\xFES\0E\0\n\0", 8),
       {open, unread,
        "Error Info: The file \"f.sql\" is saved as UTF-16 text, which is not read. Save it as UTF-8." + fix},
       0,
       1},
  };
  for (const auto& c : cases) {
    t.context.settings.CodePage = c.code_page;
    t.context.counters.SqlStatementCount = t.context.counters.ErrorCount = 0;
    t.context.session.LogStream = t.context.wiring.FileSystem->CreateTextFile(log);
    EXPECT_EQ(Read(c.content), c.log) << c.content.substr(0, 40);
    EXPECT_EQ(t.context.counters.SqlStatementCount, c.statements) << c.content.substr(0, 40);
    EXPECT_EQ(t.context.counters.ErrorCount, c.errors) << c.content.substr(0, 40);
  }
}

// A missing file, a folder or a pipe is an error of the configuration; a
// file that cannot be opened is announced, then fails.
TEST_F(SqlFileReaderTest, ReportsMissingAndUnreadableFiles) {
  std::filesystem::create_directory(dir.File("folder.sql"));
  ASSERT_EQ(mkfifo(dir.File("fifo.sql").c_str(), 0600), 0);
  std::vector<std::string> expected;
  for (const char* name : {"missing.sql", "folder.sql", "fifo.sql"}) {
    RunSqlFile(t.context, 2, dir.File(name));
    expected.push_back("Error: The information in the configuration file is incorrect.");
    expected.push_back("Error Info: [SQLFILE2] \"" + dir.File(name) + "\" does not exist.");
  }
  EXPECT_EQ(test::LogMessages(log), expected);
  if (getuid() == 0) return;  // root reads files without read permission
  const std::string locked = dir.Write("locked.sql", "SELECT 1\n");
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  RunSqlFile(t.context, 1, locked);
  const std::vector<std::string> log_lines = test::LogMessages(log);
  ASSERT_EQ(log_lines.size(), 9u);
  EXPECT_EQ(log_lines[7], "Error: Failed to read [SQLFILE1] \"" + locked + "\".");
}

TEST_F(SqlFileReaderTest, FileListSkipsGapsAndStopsAtTheHighestNumber) {
  const std::string a = dir.Write("a.sql", "SELECT 'a'\n");
  const std::string b = dir.Write("b.sql", "SELECT 'b'\n");
  t.context.settings.CfgFileName =
      dir.Write("run.ini", "[SQLFILE]\nF_MAXNUM= 3 \nF1=  " + a + "  \nF2=   \nF3=" + b + "\nF4=" + a + "\n");
  RunSqlFileList(t.context);
  EXPECT_EQ(t.context.counters.SqlFileCount, 2);
  EXPECT_EQ(journal.calls, (std::vector<std::string>{"Execute SELECT 'a'", "Execute SELECT 'b'"}));
  EXPECT_EQ(test::LogMessages(log)[4], "[SQLFILE3]  Open \"" + b + "\" succesfully.");

  for (const char* highest : {"F_MAXNUM=0", "F_MAXNUM=-3", "F_MAXNUM=  "}) {
    t.context.counters.SqlFileCount = 0;
    t.context.settings.CfgFileName = dir.Write("run.ini", std::string("[SQLFILE]\n") + highest + "\nF1=" + a + "\n");
    RunSqlFileList(t.context);
    EXPECT_EQ(t.context.counters.SqlFileCount, 0) << highest;
  }
  t.context.settings.CfgFileName = dir.Write("run.ini", "[SQLFILE]\nF_MAXNUM=40000\n");
  EXPECT_THROW(RunSqlFileList(t.context), std::exception);
}

}  // namespace
}  // namespace tallyvane
