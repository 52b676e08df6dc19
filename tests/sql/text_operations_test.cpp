#include "sql/text_operations.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "sql/function_fields.h"
#include "sql/sql_file_reader.h"

namespace tallyvane {
namespace {

using namespace std::string_literals;

TEST(StripComment, DropsCommentsOutsideQuotes) {
  struct Case {
    std::string line;
    std::string cleaned;
  } cases[] = {
      {"# Monthly sales", ""},
      {"    WHERE month = '[MONTH]' # this month", "WHERE month = '[MONTH]'"},
      {"SELECT SUM(amount) FROM sales WHERE note <> '#1'", "SELECT SUM(amount) FROM sales WHERE note <> '#1'"},
      {"a 'x''#y' #z", "a 'x''#y'"},
      {"a \"it's #1\" b", "a \"it's #1\" b"},
      {"a \"#1\" b # c", "a \"#1\" b"},
      {"a 'never closed # still text", "a 'never closed # still text"},
      {"SELECT * FROM #temp", "SELECT * FROM"},
      {"\t@Sales=1;Sheet1;3;2 # note", "@Sales=1;Sheet1;3;2"},
      {"ab\0cd # x"s, "ab"},
      {"#", ""},
      {"@", "@"},
      {"", ""},
      {"   ", ""},
      {"\t\r\n x ab \t\r\n", "x ab"},
      {"\xEF\xBB\xBF@x=1", "\xEF\xBB\xBF@x=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripComment(c.line), c.cleaned) << c.line;
  }
}

TEST(StripComment, RefusesLinesOf32767CharactersBeforeTheComment) {
  EXPECT_EQ(StripComment(std::string(32766, 'x')).size(), 32766u);
  EXPECT_EQ(StripComment(std::string(40000, 'x').replace(100, 1, "#")).size(), 100u);
  EXPECT_THROW(StripComment(std::string(32767, 'x')), std::exception);
  EXPECT_THROW(StripComment(std::string(40000, ' ') + "x"), std::exception);
}

TEST(SubstituteParameters, ReplacesLiterallyFirstDeclaredFirst) {
  const std::vector<SqlParameter> parameters = {{"AB", "1"}, {"ABC", "2"}, {"", "never"}, {"[MONTH]", "[MONTH] 10  "}};
  EXPECT_EQ(SubstituteParameters(parameters, "ABC"), "1C");
  EXPECT_EQ(SubstituteParameters(parameters, "abc"), "abc");
  EXPECT_EQ(SubstituteParameters(parameters, "x='[MONTH]'"), "x='[MONTH] 10  '");
  EXPECT_EQ(SubstituteParameters(parameters, "x=[MONTH]"), "x=[MONTH] 10");
  EXPECT_EQ(SubstituteParameters({}, "ABC"), "ABC");
}

TEST(DecodeFunctionFields, DecodesFiveFieldsWithDefaults) {
  struct Case {
    std::string fields;
    int function;
    std::string target;
    int row;
    int col;
    bool by_column;
  } cases[] = {
      {"", 0, "", 0, 0, false},
      {"1;Sheet1", 1, "Sheet1", 0, 0, false},
      {" 2 ;  My Sheet  ; 3;4;1;extra", 2, "My Sheet", 3, 4, true},
      {"1;S;1;1;0", 1, "S", 1, 1, false},
      {"1;S;1;1;-7", 1, "S", 1, 1, true},
      {"3;Total=Name", 3, "Total=Name", 0, 0, false},
      {"1;S;2.5;3.5", 1, "S", 2, 4, false},
  };
  for (const Case& c : cases) {
    const FunctionFields d = DecodeFunctionFields(c.fields);
    EXPECT_EQ(std::make_tuple(int{d.function}, d.target, int{d.begin_row}, int{d.begin_col}, d.by_column),
              std::make_tuple(c.function, c.target, c.row, c.col, c.by_column))
        << c.fields;
  }
  for (const char* bad : {"x", "1;S;32768", "1;S;1;a", "1e3"}) {
    EXPECT_THROW(DecodeFunctionFields(bad), std::exception) << bad;
  }
}

}  // namespace
}  // namespace tallyvane
