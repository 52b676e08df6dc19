// The formula language against a small workbook held in memory: each row
// of a table is a formula and what every spreadsheet computes for it, or
// "?" in front when the result must not be saved.
#include "formula/evaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>

namespace tallyvane::formula {
namespace {

using Kind = FormulaValue::Kind;

// Sheets of cells: numbers, texts ('' quoted), TRUE/FALSE, or "=formula".
class MemorySource : public CellSource {
 public:
  struct Sheet {
    std::string name;
    bool changed = false;
    std::map<std::pair<int, int>, std::string> cells;
    std::vector<int> hidden;
  };
  std::vector<Sheet> sheets;
  std::map<std::string, std::pair<std::string, bool>> names;
  mutable std::map<int, int> last_columns;  // filled on first use, after the cells

  int FindSheet(std::string_view name) const override {
    for (size_t i = 0; i < sheets.size(); ++i) {
      if (sheets[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }
  SourceCell Cell(int sheet, int row, int column) const override {
    SourceCell c;
    auto& cells = sheets[static_cast<size_t>(sheet)].cells;
    auto it = cells.find({row, column});
    if (it == cells.end()) return c;
    const std::string& t = it->second;
    if (t[0] == '=') {
      c.kind = SourceCell::Kind::Formula;
      c.formula = std::string_view(t).substr(1);
      return c;
    }
    c.kind = SourceCell::Kind::Value;
    if (t[0] == '\'')
      c.value = FormulaValue::Text(t.substr(1));
    else if (t == "TRUE" || t == "FALSE")
      c.value = FormulaValue::Boolean(t == "TRUE");
    else
      c.value = FormulaValue::Number(std::stod(t));
    return c;
  }
  void ForEachCell(int sheet, const Area& a, const std::function<void(int, int, SourceCell&)>& visit) const override {
    const auto& cells = sheets[static_cast<size_t>(sheet)].cells;
    for (auto it = cells.lower_bound({a.first_row, a.first_column}); it != cells.end() && it->first.first <= a.last_row;
         ++it) {
      const auto& at = it->first;
      if (at.second >= a.first_column && at.second <= a.last_column) {
        SourceCell cell = Cell(sheet, at.first, at.second);
        visit(at.first, at.second, cell);
      }
    }
  }
  int LastRow(int sheet) const override {
    const auto& cells = sheets[static_cast<size_t>(sheet)].cells;
    return cells.empty() ? 0 : cells.rbegin()->first.first;
  }
  int LastColumn(int sheet) const override {
    auto cached = last_columns.find(sheet);
    if (cached != last_columns.end()) return cached->second;
    int r = 0;
    for (const auto& c : sheets[static_cast<size_t>(sheet)].cells) r = std::max(r, c.first.second);
    return last_columns[sheet] = r;
  }
  bool RowHidden(int sheet, int row) const override {
    for (int h : sheets[static_cast<size_t>(sheet)].hidden) {
      if (h == row) return true;
    }
    return false;
  }
  bool SheetChanged(int sheet) const override { return sheets[static_cast<size_t>(sheet)].changed; }
  bool FindName(std::string_view name, int, std::string* formula, bool* changed) const override {
    auto it = names.find(std::string(name));
    if (it == names.end()) return false;
    *formula = it->second.first;
    *changed = it->second.second;
    return true;
  }
};

std::string Show(const CellResult& r) {
  std::string s = r.certain ? "" : "?";
  switch (r.value.kind) {
    case Kind::Number: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", r.value.number);
      return s + buf;
    }
    case Kind::Text: return s + "\"" + r.value.text + "\"";
    case Kind::Boolean: return s + (r.value.number != 0 ? "TRUE" : "FALSE");
    case Kind::Error: return s + ErrorText(r.value.error);
    case Kind::Empty: return s + "empty";
  }
  return s;
}

MemorySource Workbook() {
  MemorySource m;
  MemorySource::Sheet data{"Data", false, {}, {6}};
  const char* a[] = {"1", "2", "3", "4", "5", "100"};
  const char* b[] = {"'a", "'B", "'c", "'a", "'x  y", "'a"};
  for (int r = 1; r <= 6; ++r) {
    data.cells[{r, 1}] = a[r - 1];
    data.cells[{r, 2}] = b[r - 1];
  }
  data.cells[{1, 3}] = "TRUE";
  data.cells[{3, 3}] = "'10";
  data.cells[{4, 3}] = "2.675";
  data.cells[{5, 3}] = "=A1+A2";
  const char* keys[] = {"10", "20", "30", "40"};
  const char* words[] = {"'ten", "'twenty", "'thirty", "'forty"};
  for (int r = 1; r <= 4; ++r) {
    data.cells[{r, 4}] = keys[r - 1];
    data.cells[{r, 5}] = words[r - 1];
  }
  data.cells[{1, 6}] = "=F1+1";
  data.cells[{2, 6}] = "=NOW()";
  data.cells[{3, 6}] = "=SUBTOTAL(9,A1:A2)";
  data.cells[{4, 6}] = "='Other sheet'!A1*2";
  data.cells[{5, 6}] = "=A5&\"\"";
  data.cells[{1, 7}] = "38000";
  m.sheets.push_back(data);
  MemorySource::Sheet other{"Other sheet", true, {{{1, 1}, "7"}}, {}};
  m.sheets.push_back(other);
  m.names["RATE"] = {"Data!$A$2", false};
  m.names["NOTE"] = {"\"2004\"", true};
  return m;
}

struct Case {
  const char* formula;
  const char* expected;
};

void Check(const std::vector<Case>& cases, bool date1904 = false) {
  MemorySource m = Workbook();
  Evaluator ev(m, date1904);
  for (const Case& c : cases) {
    EXPECT_EQ(Show(ev.EvaluateText(c.formula, 0, 20, 1)), c.expected) << c.formula;
  }
}

TEST(Formula, OperatorsConvertAndBindAsInTheSpreadsheet) {
  Check({
      {"6/2*3", "9"},
      {"-2^2", "4"},
      {"2^3^2", "64"},
      {"2^-1", "0.5"},
      {"0^2", "0"},
      {"0.2^1E+15", "?0"},
      {"1+2*3-4", "3"},
      {"50%*4", "2"},
      {"-A1%", "-0.01"},
      {"(1+2)*3", "9"},
      {"\"10\"+1", "11"},
      {"TRUE+1", "2"},
      {"G2+1", "1"},
      {"G2&\"x\"", "\"x\""},
      {"\"1.5\"+1", "?#VALUE!"},
      {"\"a\"+1", "?#VALUE!"},
      {"1/0", "?#DIV/0!"},
      {"0^0", "?#NUM!"},
      {"0.1+0.2=0.3", "TRUE"},
      {"0.1+0.2-0.3", "0"},
      {"\"abc\"=\"ABC\"", "TRUE"},
      {"\"a\"<\"B\"", "TRUE"},
      {"\"a-\"<\"a b\"", "?FALSE"},
      {"1<\"a\"", "TRUE"},
      {"\"z\"<TRUE", "?TRUE"},
      {"G2=0", "TRUE"},
      {"G2=\"\"", "TRUE"},
      {"\"a\"&\"b\"", "\"ab\""},
      {"1&\"b\"", "?\"1b\""},
      {"A1&A2", "?\"12\""},
      {"1+", "?#NAME?"},
      {"{1,2}", "?#NAME?"},
      {"Table1[Col]", "?#NAME?"},
      {"[1]Sheet1!A1", "?#NAME?"},
      {"Data:Other!A1", "?#NAME?"},
      {"A1:A2", "?#VALUE!"},
      {"Rate*2", "4"},
      {"Note+1", "2005"},
      {"Missing", "?#NAME?"},
      {"'Other sheet'!A1", "7"},
      {"'Nope'!A1", "?#REF!"},
      {"C5", "3"},
      {"F1", "?1"},
      {"F2", "?#NAME?"},
      {"F5", "?\"5\""},
      {"#N/A", "?#N/A"},
      {"1e3+.5", "1000.5"},
  });
}

TEST(Formula, AggregatesCountWhatTheSpreadsheetCounts) {
  Check({
      {"SUM(A1:A5)", "15"},
      {"SUM(A:A)", "115"},
      {"SUM(A1:C5)", "?20.675"},
      {"SUM(1,TRUE,\"2\")", "?4"},
      {"SUM(1,TRUE)", "2"},
      {"SUM(B1:B5)", "0"},
      {"AVERAGE(A1:A5)", "3"},
      {"AVERAGE(B1:B2)", "?#DIV/0!"},
      {"MIN(A1:A5,0.5)", "0.5"},
      {"MAX(A1:B6)", "100"},
      {"MAX(B1:B2)", "0"},
      {"COUNT(A1:C6)", "?8"},
      {"COUNTA(A1:C6)", "16"},
      {"COUNTBLANK(A1:C6)", "2"},
      {"COUNTBLANK(H:H)", "1048576"},
      {"SUM(F1:F1)", "?1"},
      {"SUBTOTAL(9,A1:A6)", "?115"},
      {"SUBTOTAL(109,A1:A6)", "15"},
      {"SUBTOTAL(109,A1:A6,F3)", "15"},
      {"SUBTOTAL(101,A1:A6)", "3"},
      {"SUBTOTAL(103,B1:B6)", "5"},
      {"SUBTOTAL(104,A1:A6)", "5"},
      {"SUBTOTAL(107,A1:A5)", "1.58113883008419"},
      {"SUBTOTAL(12,A1)", "?#VALUE!"},
      {"SUM(A1:A5)/COUNT(A1:A5)", "3"},
      {"SUM(1E+16,1,-1E+16)", "?0"},
  });
}

TEST(Formula, MathRoundsOnFifteenDigits) {
  Check({
      {"ROUND(2.675,2)", "2.68"},
      {"ROUND(C4,2)", "2.68"},
      {"ROUND(-2.5,0)", "-3"},
      {"ROUND(1234.5,-2)", "1200"},
      {"ROUND(0.4,-1)", "0"},
      {"ROUNDUP(1.21,1)", "1.3"},
      {"ROUNDUP(-1.21,1)", "-1.3"},
      {"ROUNDDOWN(1.29,1)", "1.2"},
      {"ROUNDUP(0.001,0)", "1"},
      {"ROUNDDOWN(99.9,-1)", "90"},
      {"INT(-1.5)", "-2"},
      {"INT(2.9)", "2"},
      {"ABS(-3)", "3"},
      {"MOD(7,3)", "1"},
      {"MOD(-7,3)", "2"},
      {"MOD(7,-3)", "-2"},
      {"MOD(1,0)", "?#DIV/0!"},
      {"MOD(-3,1E+30)", "?#NUM!"},
      {"SUMPRODUCT(A1:A3,D1:D3)", "140"},
      {"SUMPRODUCT(A1:A3,D1:D4)", "?#VALUE!"},
      {"SUMPRODUCT((A1:A3>1)*D1:D3)", "?#VALUE!"},
  });
}

TEST(Formula, LogicTakesOnlyTheBranchItNeeds) {
  Check({
      {"IF(A1=0,\"n/a\",A2/A1)", "2"},
      {"IF(G2=0,\"n/a\",A2/G2)", "\"n/a\""},
      {"IF(FALSE,1)", "FALSE"},
      {"IF(FALSE,1,)", "0"},
      {"IF(\"x\",1,2)", "?#VALUE!"},
      {"IF(TRUE,NOW(),1)", "?#NAME?"},
      {"IF(FALSE,NOW(),1)", "1"},
      {"IF(TRUE,1,NOW())", "1"},
      {"IFERROR(1/0,5)", "5"},
      {"IFERROR(4,5)", "4"},
      {"AND(A1:A3,TRUE)", "TRUE"},
      {"AND(B1:B2)", "?#VALUE!"},
      {"OR(0,G2)", "FALSE"},
      {"OR(C1:C3)", "TRUE"},
      {"NOT(0)", "TRUE"},
  });
}

TEST(Formula, CriteriaFollowTheSpreadsheetSyntax) {
  Check({
      {"COUNTIF(B1:B6,\"a\")", "3"},
      {"COUNTIF(B1:B6,\"A\")", "3"},
      {"COUNTIF(B1:B6,\"<>a\")", "3"},
      {"COUNTIF(A1:A6,\">2\")", "4"},
      {"COUNTIF(A1:A6,\"<=2\")", "2"},
      {"COUNTIF(A1:A6,3)", "1"},
      {"COUNTIF(B1:B6,\"x*\")", "1"},
      {"COUNTIF(B1:B6,\"?\")", "5"},
      {"COUNTIF(B1:B6,\"~?\")", "0"},
      {"COUNTIF(B1:B6,\"a~b\")", "?0"},
      {"COUNTIF(H:H,\"<>a\")", "1048576"},
      {"COUNTIF(A1:A6,\">2.5\")", "?4"},
      {"COUNTIF(A1:A6,\"1/2\")", "?0"},
      {"COUNTIF(A1:A6,\"\")", "?0"},
      {"SUMIF(B1:B6,\"a\",A1:A6)", "105"},
      {"SUMIF(A1:A6,\">3\")", "109"},
      {"SUMIF(B:B,\"a\",A:A)", "105"},
      {"SUMIF(B1:B6,\"a\",A1:A3)", "?#VALUE!"},
      {"SUMIFS(A1:A6,B1:B6,\"a\",A1:A6,\"<50\")", "5"},
      {"COUNTIFS(B1:B6,\"a\",A1:A6,\">1\")", "2"},
      {"AVERAGEIF(B1:B6,\"a\",A1:A6)", "35"},
      {"AVERAGEIFS(A1:A6,B1:B6,\"q\")", "?#DIV/0!"},
      {"COUNTIF(C1:C3,TRUE)", "1"},
      {"COUNTIF(C1:C3,\"10\")", "?0"},
  });
}

TEST(Formula, LookupsAgreeOnlyWhereEverySearchDoes) {
  Check({
      {"VLOOKUP(20,D1:E4,2,FALSE)", "\"twenty\""},
      {"MIN(VLOOKUP(1,A1:H2,8,FALSE),5)", "?0"},
      {"VLOOKUP(25,D1:E4,2)", "\"twenty\""},
      {"VLOOKUP(5,D1:E4,2,TRUE)", "?#N/A"},
      {"VLOOKUP(25,D1:E4,2,0)", "?#N/A"},
      {"VLOOKUP(20,D1:E4,3,0)", "?#REF!"},
      {"VLOOKUP(\"T*\",E1:E4,1,0)", "\"ten\""},
      {"IFERROR(VLOOKUP(99,D:E,2,0),0)", "0"},
      {"VLOOKUP(2,A1:B6,2)", "\"B\""},
      {"VLOOKUP(2,A1:C6,2)", "\"B\""},
      {"VLOOKUP(2,B1:C6,2)", "?#N/A"},
      {"HLOOKUP(\"c\",B3:C3,2,0)", "?#REF!"},
      {"HLOOKUP(3,A3:B3,2,0)", "?#REF!"},
      {"HLOOKUP(3,A3:C4,2,0)", "4"},
      {"MATCH(30,D1:D4,0)", "3"},
      {"MATCH(35,D1:D4)", "3"},
      {"MATCH(35,D1:D4,-1)", "?4"},
      {"MATCH(\"C\",B1:B6,0)", "3"},
      {"INDEX(D1:E4,2,2)", "\"twenty\""},
      {"INDEX(D1:D4,3)", "30"},
      {"INDEX(A1:E1,4)", "10"},
      {"SUM(INDEX(D1:E4,0,1))", "100"},
      {"INDEX(D1:E4,5,1)", "?#REF!"},
      {"ROWS(A:A)", "1048576"},
      {"COLUMNS(D1:E4)", "2"},
      {"ROWS(1)", "1"},
  });
}

TEST(Formula, TextFunctionsWorkOnCharacters) {
  Check({
      {"LEN(\"h\xC3\xA9llo\")", "5"},
      {"LEN(A1)", "?1"},
      {"LEFT(\"abc\")", "\"a\""},
      {"LEFT(\"abc\",5)", "\"abc\""},
      {"RIGHT(\"abc\",2)", "\"bc\""},
      {"MID(\"abcdef\",2,3)", "\"bcd\""},
      {"MID(\"abc\",5,1)", "\"\""},
      {"MID(\"abc\",0,1)", "?#VALUE!"},
      {"LEFT(\"abc\",-1)", "?#VALUE!"},
      {"UPPER(\"aBc\")", "\"ABC\""},
      {"LOWER(\"aBc\")", "\"abc\""},
      {"UPPER(\"\xC3\xA9\")", "?\"\xC3\xA9\""},
      {"TRIM(\"  a   b  \")", "\"a b\""},
      {"TRIM(B5)", "\"x y\""},
      {"CONCATENATE(\"a\",B2,\"c\")", "\"aBc\""},
      {"CONCATENATE(\"a\",1)", "?\"a1\""},
      {"LEN(\"\xF0\x9F\x98\x80\")", "2"},
      {"LEFT(\"\xF0\x9F\x98\x80\",1)", "?\"\xF0\x9F\x98\x80\""},
  });
}

TEST(Formula, DatesInBothSystems) {
  Check({
      {"DATE(2004,10,31)", "38291"},
      {"DATE(1900,3,1)", "61"},
      {"DATE(1900,2,28)", "?59"},
      {"DATE(2004,2,30)", "38047"},
      {"DATE(99,1,1)", "?#NUM!"},
      {"DATE(2004,13,1)", "?#NUM!"},
      {"YEAR(G1)", "2004"},
      {"MONTH(G1)", "1"},
      {"DAY(G1)", "14"},
      {"DAY(60)", "?29"},
      {"YEAR(-1)", "?#NUM!"},
      {"MONTH(38291.75)", "10"},
  });
  Check({{"DATE(2004,10,31)", "36829"},
         {"DATE(1904,1,1)", "0"},
         {"YEAR(0)", "1904"},
         {"DAY(G1)", "15"},
         {"DATE(1903,12,31)", "?#NUM!"},
         {"IFERROR(DATE(1900,1,31),0)", "?0"}},
        true);
}

TEST(Formula, ChangedCellsNamesAndVolatileFunctionsReachEveryDependent) {
  MemorySource m = Workbook();
  Evaluator ev(m, false);
  struct Dependence {
    int row;
    int column;
    bool changed;
  };
  // C5 reads Data only; F4 reads the changed sheet; F2 is volatile.
  for (const Dependence& d :
       {Dependence{5, 3, false}, Dependence{4, 6, true}, Dependence{2, 6, true}, Dependence{3, 6, false}}) {
    EXPECT_EQ(ev.Evaluate(0, d.row, d.column).changed, d.changed) << d.row << "," << d.column;
  }
  EXPECT_FALSE(ev.EvaluateText("SUM(Data!A1:A2)+Rate", 0, 20, 1).changed);
  EXPECT_TRUE(ev.EvaluateText("Note&\"\"", 0, 20, 1).changed);
  EXPECT_TRUE(ev.EvaluateText("F4+1", 0, 20, 1).changed);
  // A known function we do not compute keeps a template's result while
  // what it reads is unchanged; an unknown one never does.
  EXPECT_FALSE(ev.EvaluateText("TEXT(A1,\"0\")", 0, 20, 1).changed);
  EXPECT_TRUE(ev.EvaluateText("MYMACRO(A1)", 0, 20, 1).changed);
  EXPECT_TRUE(ev.EvaluateText("TEXT('Other sheet'!A1,\"0\")", 0, 20, 1).changed);
}

// Long chains of formulas: reading upwards they are computed in order and
// certain; reading downwards, deeper than the evaluator nests, the top is
// left uncertain rather than risking the stack.
TEST(Formula, LongChainsNeitherOverflowNorLoseTheOrder) {
  MemorySource m;
  m.sheets.push_back({"Data", false, {}, {}});
  auto& cells = m.sheets[0].cells;
  for (int r = 1; r <= 20000; ++r) {
    cells[{r, 1}] = r == 1 ? "1" : "=A" + std::to_string(r - 1) + "+1";
    cells[{r, 2}] = r == 20000 ? "1" : "=B" + std::to_string(r + 1) + "+1";
  }
  Evaluator ev(m, false);
  for (int r = 1; r <= 20000; ++r) ev.Evaluate(0, r, 1);
  EXPECT_EQ(Show(ev.Evaluate(0, 20000, 1)), "20000");
  EXPECT_EQ(Show(ev.Evaluate(0, 19990, 2)), "11");
  EXPECT_FALSE(ev.Evaluate(0, 1, 2).certain);
}

// Running totals over a long sheet read a long range each: past a budget
// for all ranges together, formulas stay uncertain instead of taking
// gigabytes; the ranges read before keep their results.
TEST(Formula, RangesReadTogetherStayWithinABudget) {
  MemorySource m;
  m.sheets.push_back({"Data", true, {{{1, 1}, "1"}, {{40000, 1}, "2"}}, {}});
  Evaluator ev(m, false);
  std::vector<std::string> shown;
  for (int last = 40000; last < 40000 + 120; ++last) {
    shown.push_back(Show(ev.EvaluateText("SUM($A$1:A" + std::to_string(last) + ")", 0, 1, 2)));
  }
  EXPECT_EQ(shown.front(), "3");
  EXPECT_EQ(shown.back().substr(0, 1), "?") << "not saved";
}

}  // namespace
}  // namespace tallyvane::formula
