#include "sql/sql_file_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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
    t.context.Platform = &platform;
    t.context.Interactive = false;
    t.context.DbConnection = platform.CreateDbConnection();
    log = dir.File("run.log");
    t.context.LogStream = t.context.FileSystem->CreateTextFile(log);
  }

  std::vector<std::string> Read(const std::string& content, std::int16_t number = 3) {
    const std::string path = dir.Write("f.sql", content);
    RunSqlFile(t.context, number, path);
    return test::LogMessages(log);
  }

  test::TempDir dir;
  test::TestContext t;
  FakeJournal journal;
  FakePlatform platform;
  std::string log;
};

TEST_F(SqlFileReaderTest, GathersStatementsBehindTheirFunctionLines) {
  t.context.Parameters[0] = {"[MONTH]", "", "2004-10", 1};
  t.context.ParameterCount = 1;
  const std::string open_line = "[SQLFILE3]  Open \"" + dir.File("f.sql") + "\" succesfully.";
  const std::vector<std::string> log_lines = Read(
      "# Monthly sales\r\n"
      "DELETE FROM tmp_sales\r\n"
      "@Sales=0;Sheet1;3;2\r\n"
      "SELECT region, SUM(amount) FROM sales\r\n"
      "    WHERE month = '[MONTH]' # this month\r\n"
      "GROUP BY region\r\n"
      "\r\n"
      "@Dropped=0\r\n"
      "@Total=0;TotalCell\r\n"
      "SELECT SUM(amount) FROM sales WHERE note <> '#1'\r\n"
      "@Last=0\r\n");
  EXPECT_EQ(log_lines, (std::vector<std::string>{
                           open_line,
                           "[SQLFILE3]  []    Function 0",
                           "[SQLFILE3]  []    DELETE FROM tmp_sales",
                           "[SQLFILE3]  []    Success.",
                           "[SQLFILE3]  [Sales]    Function 0",
                           "[SQLFILE3]  [Sales]    SELECT region, SUM(amount) FROM sales WHERE month = '2004-10' GROUP BY region",
                           "[SQLFILE3]  [Sales]    Success.",
                           "[SQLFILE3]  [Total]    Function 0",
                           "[SQLFILE3]  [Total]    SELECT SUM(amount) FROM sales WHERE note <> '#1'",
                           "[SQLFILE3]  [Total]    Success.",
                       }));
  EXPECT_EQ(t.context.SqlStatementCount, 3);
}

TEST_F(SqlFileReaderTest, AFunctionLineWithoutEqualsEndsTheFileAfterDispatching) {
  const std::vector<std::string> log_lines = Read("@A=0\nSELECT 1\n@declare x\nSELECT 2\n");
  ASSERT_EQ(log_lines.size(), 6u);
  EXPECT_EQ(log_lines[3], "[SQLFILE3]  [A]    Success.");
  EXPECT_EQ(log_lines[4], "Error: Failed to read [SQLFILE3] \"" + dir.File("f.sql") + "\".");
  EXPECT_EQ(log_lines[5].rfind("Error Info: ", 0), 0u);
  EXPECT_EQ(journal.calls, std::vector<std::string>{"Execute SELECT 1"});
  EXPECT_EQ(t.context.ErrorCount, 1);
}

TEST_F(SqlFileReaderTest, ReportsBadFieldsAndUnknownFunctions) {
  const std::vector<std::string> log_lines = Read("@=x\nSELECT 1\n@A=4\nSELECT 2\n@B=-1\nSELECT 3\n@C=0\nSELECT 4\n");
  EXPECT_EQ(log_lines, (std::vector<std::string>{
                           "[SQLFILE3]  Open \"" + dir.File("f.sql") + "\" succesfully.",
                           "Error: Failed to excute function.",
                           "Error Info: Type mismatch (field 1 is \"x\")",
                           "[SQLFILE3]  [A]    Failure.",
                           "[SQLFILE3]  [B]    Failure.",
                           "[SQLFILE3]  [C]    Function 0",
                           "[SQLFILE3]  [C]    SELECT 4",
                           "[SQLFILE3]  [C]    Success.",
                       }));
  EXPECT_EQ(t.context.SqlStatementCount, 4);
  EXPECT_EQ(t.context.ErrorCount, 1);
}

TEST_F(SqlFileReaderTest, ExecuteFailureIsLoggedAndTheFileGoesOn) {
  journal.failing.insert("Execute bad");
  const std::vector<std::string> log_lines = Read("@X=0\nbad\n@Y=0\ngood\n");
  EXPECT_EQ(log_lines[3], "Error: Failed to execute function 0.");
  EXPECT_EQ(log_lines[4], "Error Info: Execute bad failed");
  EXPECT_EQ(log_lines[5], "[SQLFILE3]  [X]    Failure.");
  EXPECT_EQ(log_lines.back(), "[SQLFILE3]  [Y]    Success.");
}

TEST_F(SqlFileReaderTest, ReportsMissingAndUnreadableFiles) {
  RunSqlFile(t.context, 2, dir.File("missing.sql"));
  const std::string folder = dir.File("folder.sql");
  std::filesystem::create_directory(folder);
  RunSqlFile(t.context, 4, folder);
  const std::vector<std::string> log_lines = test::LogMessages(log);
  ASSERT_EQ(log_lines.size(), 4u);
  EXPECT_EQ(log_lines[0], "Error: The information in the configuration file is incorrect.");
  EXPECT_EQ(log_lines[1], "Error Info: [SQLFILE2] \"" + dir.File("missing.sql") + "\" does not exist.");
  EXPECT_EQ(log_lines[2], "Error: The information in the configuration file is incorrect.");
}

TEST_F(SqlFileReaderTest, AFileThatCannotBeOpenedIsAnnouncedThenFails) {
  if (getuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  const std::string path = dir.Write("locked.sql", "SELECT 1\n");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  RunSqlFile(t.context, 1, path);
  const std::vector<std::string> log_lines = test::LogMessages(log);
  ASSERT_EQ(log_lines.size(), 3u);
  EXPECT_EQ(log_lines[1], "Error: Failed to read [SQLFILE1] \"" + path + "\".");
}

TEST_F(SqlFileReaderTest, AnOverlongLineFailsTheFileWithoutExhaustingMemory) {
  const std::vector<std::string> log_lines = Read("@A=0\nSELECT 1\n" + std::string(5'000'000, 'x') + "\n");
  ASSERT_EQ(log_lines.size(), 3u);
  EXPECT_EQ(log_lines[1], "Error: Failed to read [SQLFILE3] \"" + dir.File("f.sql") + "\".");
  EXPECT_TRUE(journal.calls.empty());
}

// Lines are read in the configuration's code page; a file that is not valid
// text in it, or is UTF-16, fails before any of its statements runs.
TEST_F(SqlFileReaderTest, ReadsTheCodePageAndRunsNothingOfAFileThatIsNotValidText) {
  const std::string fix = " If it was saved in another code page, name that code page in the configuration "
                          "file, section [FILE], for example CodePage=windows-1252.";
  const std::string file = "The file \"" + dir.File("f.sql") + "\"";
  struct Case {
    const char* code_page;
    std::string content;
    std::string expected_line;
  } cases[] = {
      {"windows-1252", "SELECT 'M\xFCller \x80'\n", "[SQLFILE3]  []    SELECT 'M\xC3\xBCller \xE2\x82\xAC'"},
      {"", "SELECT 1\nSELECT 'M\xFCller'\n", "Error Info: " + file + " is not valid UTF-8 text at line 2." + fix},
      {"1252", "SELECT '\x81'\n", "Error Info: " + file + " is not valid CP1252 text at line 1." + fix},
      {"", std::string("\xFF\xFES\0E\0\n\0", 8),
       "Error Info: " + file + " is saved as UTF-16 text, which is not read. Save it as UTF-8." + fix},
  };
  for (const Case& c : cases) {
    t.context.CodePage = c.code_page;
    const std::vector<std::string> log_lines = Read(c.content);
    EXPECT_NE(std::find(log_lines.begin(), log_lines.end(), c.expected_line), log_lines.end()) << log_lines.back();
    EXPECT_EQ(journal.calls.size(), c.expected_line[0] == '[' ? 1u : 0u) << c.expected_line;
    journal.calls.clear();
    t.context.LogStream = t.context.FileSystem->CreateTextFile(log);
  }
}

TEST_F(SqlFileReaderTest, FileListSkipsGapsAndStopsAtTheHighestNumber) {
  const std::string a = dir.Write("a.sql", "SELECT 'a'\n");
  const std::string b = dir.Write("b.sql", "SELECT 'b'\n");
  t.context.CfgFileName = dir.Write("run.ini", "[SQLFILE]\nF_MAXNUM= 3 \nF1=  " + a + "  \nF2=   \nF3=" + b +
                                                   "\nF4=" + a + "\n");
  RunSqlFileList(t.context);
  EXPECT_EQ(t.context.SqlFileCount, 2);
  EXPECT_EQ(journal.calls, (std::vector<std::string>{"Execute SELECT 'a'", "Execute SELECT 'b'"}));
  EXPECT_EQ(test::LogMessages(log)[4], "[SQLFILE3]  Open \"" + b + "\" succesfully.");

  for (const char* highest : {"F_MAXNUM=0", "F_MAXNUM=-3", "F_MAXNUM=  "}) {
    t.context.SqlFileCount = 0;
    t.context.CfgFileName = dir.Write("run.ini", std::string("[SQLFILE]\n") + highest + "\nF1=" + a + "\n");
    RunSqlFileList(t.context);
    EXPECT_EQ(t.context.SqlFileCount, 0) << highest;
  }
  t.context.CfgFileName = dir.Write("run.ini", "[SQLFILE]\nF_MAXNUM=40000\n");
  EXPECT_THROW(RunSqlFileList(t.context), std::exception);
}

}  // namespace
}  // namespace tallyvane
