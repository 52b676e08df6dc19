#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

namespace tallyvane {
namespace {

using test::ReadFileBytes;
using test::TempDir;

TEST(ReadProfileString, FindsValuesAsThePrivateProfileFunctionsDo) {
  TempDir dir;
  const std::string ini = dir.Write("a.ini",
                                    "; comment\r\n"
                                    "[File]\r\n"
                                    "  LogFileName = run.log  \r\n"
                                    "Empty=\r\n"
                                    "Quoted=\"  padded  \"\r\n"
                                    "Dup=first\r\n"
                                    "dup=second\r\n"
                                    "[ODBC]\r\n"
                                    "#DSN=Old\r\n"
                                    "DSN=Sales\r\n"
                                    "[FILE]\r\n"
                                    "Later=yes\r\n"
                                    "Exact=" +
                                        std::string(2047, 'x') +
                                        "\r\n"
                                        "Longer=" +
                                        std::string(2048, 'y') + "\r\n");
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"FILE", "logfilename", "run.log"},
      {"file", "Empty", ""},
      {"FILE", "Quoted", "  padded  "},
      {"FILE", "DUP", "first"},
      {"FILE", "Later", "yes"},
      {"odbc", "dsn", "Sales"},
      {"ODBC", "Missing", ""},
      {"ODBC", "#DSN", ""},  // a setting commented out with # is not read
      {"NoSection", "DSN", ""},
      {"FILE", "Exact", std::string(2047, 'x')},
      {"FILE", "Longer", std::string(2047, 'y')},  // values are cut at 2,047 characters
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadProfileString(c.section, c.key, ini), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_EQ(ReadProfileString("FILE", "LogFileName", dir.File("absent.ini")), "");
  EXPECT_EQ(ReadProfileString("FILE", "LogFileName", ""), "");
}

// Configurations as Windows editors save them: with a byte-order mark, in
// a code page that the file names for itself, or in UTF-16, which is
// refused with the fix rather than read garbled.
TEST(ReadProfileString, ReadsTextFromWindowsAsUtf8OrSaysWhyItCannot) {
  TempDir dir;
  const std::string fix =
      " If it was saved in another code page, name that code page in the configuration "
      "file, section [FILE], for example CodePage=windows-1252.";
  struct Case {
    std::string content;
    std::string value;
    std::string error;  // after the file's name
  } cases[] = {
      {"\xEF\xBB\xBF[FILE]\r\nCity=Z\xC3\xBCrich\r\n", "Z\xC3\xBCrich", ""},
      {"[file]\r\ncodepage=windows-1252\r\nCity=Z\xFCrich Caf\xE9\r\n", "Z\xC3\xBCrich Caf\xC3\xA9", ""},
      // The mark says UTF-8; the code page is left for the SQL files.
      {"\xEF\xBB\xBF[FILE]\r\nCodePage=windows-1252\r\nCity=Z\xC3\xBCrich\r\n", "Z\xC3\xBCrich", ""},
      {"[FILE]\r\nCity=Z\xFCrich\r\n", "", " is not valid UTF-8 text at line 2." + fix},
      {"[FILE]\r\nCodePage=klingon\r\nCity=x\r\n", "",
       " names a code page that cannot be used: the code page \"klingon\" is not known."},
      {std::string("\xFF\xFE[\0F\0", 6), "", " is saved as UTF-16 text, which is not read. Save it as UTF-8." + fix},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string ini = dir.Write("c" + std::to_string(++n) + ".ini", c.content);
    EXPECT_EQ(ReadProfileString("FILE", "City", ini), c.value) << n;
    EXPECT_EQ(ProfileTextError(ini), c.error.empty() ? "" : "The configuration file \"" + ini + "\"" + c.error);
  }
}

// A write keeps the file's mark and code page; a value the code page cannot
// hold, or a file whose text cannot be read, is not written.
TEST(WriteProfileString, WritesInTheFilesOwnCodePage) {
  TempDir dir;
  struct Case {
    std::string content;
    std::string value;
    std::string expected;  // the file afterwards
  } cases[] = {
      {"\xEF\xBB\xBF[P]\nD=1\n", "Caf\xC3\xA9", "\xEF\xBB\xBF[P]\nD=Caf\xC3\xA9\n"},
      {"[FILE]\nCodePage=1252\n[P]\nD=1\n", "Caf\xC3\xA9", "[FILE]\nCodePage=1252\n[P]\nD=Caf\xE9\n"},
      {"[FILE]\nCodePage=1252\n[P]\nD=1\n", "\xE6\x97\xA5", "[FILE]\nCodePage=1252\n[P]\nD=1\n"},
      {"[P]\nD=\xE9\n", "x", "[P]\nD=\xE9\n"},
  };
  for (const Case& c : cases) {
    const std::string ini = dir.Write("w.ini", c.content);
    EXPECT_EQ(WriteProfileString("P", "D", c.value, ini), c.expected != c.content);
    EXPECT_EQ(ReadFileBytes(ini), c.expected);
  }
}

// Its permissions too: a configuration may hold a password.
TEST(WriteProfileString, UpdatesInPlaceAndKeepsEverythingElse) {
  TempDir dir;
  const std::string head = "; keep me\r\n[PARAMETER]\r\nName1=Month\r\n# and me\r\nDefault1=";
  const std::string tail = "\r\n\r\n[ODBC]\r\nDSN=Sales\r\nDBPWD=secret\r\n";
  const std::string ini = dir.Write("a.ini", head + "10" + tail);
  const auto owner = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(ini, owner, std::filesystem::perm_options::replace);
  ASSERT_TRUE(WriteProfileString("parameter", "DEFAULT1", "11", ini));
  ASSERT_TRUE(WriteProfileString("PARAMETER", "Desc1", "The month", ini));
  ASSERT_TRUE(WriteProfileString("NEW", "Key", "v", ini));
  EXPECT_EQ(ReadFileBytes(ini), head + "11\r\nDesc1=The month" + tail + "[NEW]\r\nKey=v\r\n");
  EXPECT_EQ(std::filesystem::status(ini).permissions(), owner);
}

// Every value reads back as written, save that line breaks become blanks
// so that no line is injected; a file that cannot be made is reported.
TEST(WriteProfileString, CreatesTheFileAndReadsEveryValueBack) {
  TempDir dir;
  const std::string ini = dir.File("new.ini");
  const std::string values[] = {"plain", "",       "  padded  ", "\"quoted\"",           "'single'",
                                "a=b;c", "\"open", "ünïcode",    "a\r\n[ODBC]\nDSN=evil"};
  int n = 0;
  for (const std::string& value : values) {
    const std::string key = "K" + std::to_string(++n);
    ASSERT_TRUE(WriteProfileString("S", key, value, ini));
    EXPECT_EQ(ReadProfileString("S", key, ini), n < 9 ? value : "a  [ODBC] DSN=evil");
  }
  EXPECT_EQ(ReadProfileString("ODBC", "DSN", ini), "");
  EXPECT_FALSE(WriteProfileString("S", "K", "v", dir.File("missing/folder/a.ini")));
}

}  // namespace
}  // namespace tallyvane
