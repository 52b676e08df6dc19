// Reference shifting and shared-formula translation, case by case.
#include "ooxml/reference_shifter.h"

#include <gtest/gtest.h>

namespace tallyvane::ooxml {
namespace {

struct FormulaCase {
  const char* formula;
  const char* host;  // sheet the formula lives in
  bool rows;
  int at;
  int count;
  const char* expected;
};

TEST(ReferenceShifter, ShiftsFormulasLikeTheDesktopSpreadsheet) {
  const FormulaCase cases[] = {
      // The range rule: moves, grows, stays.
      {"SUM(A5:A6)", "S", true, 5, 1, "SUM(A6:A7)"},
      {"SUM(A5:A6)", "S", true, 6, 1, "SUM(A5:A7)"},
      {"SUM(A5:A6)", "S", true, 7, 1, "SUM(A5:A6)"},
      {"SUM(B2:B3)", "S", true, 3, 32765, "SUM(B2:B32768)"},
      {"A1+$B$7*C$9", "S", true, 2, 3, "A1+$B$10*C$12"},
      // Whole columns are untouched by rows; whole rows follow the rule.
      {"SUM(A:A)+SUM($2:$3)", "S", true, 3, 2, "SUM(A:A)+SUM($2:$5)"},
      {"SUM(A1:XFD1)+SUM(B1:B1048576)", "S", false, 1, 2, "SUM(A1:XFD1)+SUM(D1:D1048576)"},
      {"SUM(A1:XFD1)+SUM(B1:B1048576)", "S", true, 1, 2, "SUM(A3:XFD3)+SUM(B1:B1048576)"},
      {"SUM(A:B)+SUM(2:3)", "S", false, 2, 1, "SUM(A:C)+SUM(2:3)"},
      {"C1+XFD1", "S", false, 2, 1, "D1+#REF!"},
      // Only references to the inserted-into sheet move.
      {"Data!B2+B2", "Other", true, 2, 1, "Data!B3+B2"},
      {"'Data'!B2+data!B2+'My Sheet'!B2", "Other", true, 1, 1, "'Data'!B3+data!B3+'My Sheet'!B2"},
      {"'It''s'!A1", "Other", true, 1, 1, "'It''s'!A1"},
      // Strings, functions, names, errors, structured and external references.
      {"\"A1\"&A1&LOG10(A1)&T_A1", "S", true, 1, 1, "\"A1\"&A2&LOG10(A2)&T_A1"},
      {"Table1[[#This Row],[A1]]+[1]Data!A1+#REF!+A1", "S", true, 1, 1, "Table1[[#This Row],[A1]]+[1]Data!A1+#REF!+A2"},
      {"XFE1+A1048577+1.5E+3", "S", true, 1, 1, "XFE1+A1048577+1.5E+3"},
      {"Sheet1:Sheet3!A1+A1", "S", true, 1, 1, "Sheet1:Sheet3!A1+A2"},
      // Pushed off the sheet.
      {"A1048576+A1:A1048576", "S", true, 2, 1, "#REF!+A1:A1048576"},
      {"A1048570:A1048576", "S", true, 1048560, 10, "#REF!"},
  };
  for (const FormulaCase& c : cases) {
    Insertion ins{"Data", c.rows, c.at, c.count};
    std::string host = std::string(c.host) == "S" ? "Data" : c.host;
    EXPECT_EQ(ShiftFormula(c.formula, ins, host), c.expected) << c.formula;
  }
  // A quoted sheet name is read with its doubled quotes undone.
  EXPECT_EQ(ShiftFormula("IF('It''s'!$A$1:B2>0,\"x!A1\",'IT''S'!C3)", Insertion{"It's", true, 1, 1}, "Other"),
            "IF('It''s'!$A$2:B3>0,\"x!A1\",'IT''S'!C4)");
}

TEST(ReferenceShifter, FormatRangesAlsoGrowDirectlyBelow) {
  Insertion ins{"S", true, 4, 2};
  EXPECT_EQ(ShiftSqref("B2:B3 D3 F5:F6", ins, Growth::Format), "B2:B5 D3:D5 F7:F8");
  EXPECT_EQ(ShiftSqref("B2:B3 D3 F5:F6", ins, Growth::Reference), "B2:B3 D3 F7:F8");
  EXPECT_EQ(ShiftSqref("A1048576", ins, Growth::Reference), "");
  Insertion cols{"S", false, 3, 1};
  EXPECT_EQ(ShiftSqref("A1:B2 C1", cols, Growth::Format), "A1:C2 D1");
}

TEST(ReferenceShifter, TranslatesSharedFormulasFromTheirMaster) {
  EXPECT_EQ(TranslateFormula("A1*2+$A$1+Other!B$3", 3, 1), "B4*2+$A$1+Other!C$3");
  EXPECT_EQ(TranslateFormula("SUM(A:A)+1:1", 2, 1), "SUM(B:B)+3:3");
  EXPECT_EQ(TranslateFormula("A1", -1, 0), "#REF!");
}

}  // namespace
}  // namespace tallyvane::ooxml
