// Writing values of every kind, finding worksheets and setting names, read
// back with an independent reader.
#include <gtest/gtest.h>

#include "ooxml/cell_reference.h"
#include "spreadsheet_test_support.h"

namespace tallyvane {
namespace {

using testing::ErrorOf;

TEST(CellValues, EveryKindReadsBackWithItsTypeAndFormatOrIsRefused) {
  testing::OpenedTemplate t("basic.xlsx");
  auto ws = t.workbook->WorksheetByName("data");
  const struct {
    int row, column;
    Value value;
    const char* read_back;  // cell, openpyxl's type, value, number format, bold, italic
  } cells[] = {
      {2, 2, Value::MakeInteger(42), "B2 n 42 General False False"},
      {3, 2, Value::MakeNumber(3.25), "B3 n 3.25 General False False"},
      {2, 3, Value::MakeDecimal("12.50"), "C2 n 12.5 General False False"},
      {2, 1, Value::MakeText("007"), "A2 s '007' General False False"},
      {3, 1, Value::MakeText("=1+2"), "A3 s '=1+2' General False False"},
      {8, 1, Value::MakeText(" lead & <tag> \"q\" \x01 _x0041_ \r"),
       "A8 s ' lead & <tag> \"q\" _x0001_ _x0041_ \\r' General False False"},
      {8, 2, Value::MakeText("007"), "B8 s '007' General False False"},  // the same text is shared once
      {8, 3, Value::MakeText("_x0041_"), nullptr},                       // plain, yet read as an escape unless escaped
      {8, 4, Value::MakeText("_x0041\x02"), nullptr},  // the same once the control character is escaped
      {3, 4, Value::MakeBoolean(true), "D3 b True General False False"},
      // Styled italic, General.
      {2, 5, Value::MakeDate(2024, 2, 29), "E2 d datetime.datetime(2024, 2, 29, 0, 0) mm-dd-yy False True"},
      {3, 5, Value::MakeDateTime({2024, 3, 1, 13, 45, 30}),
       "E3 d datetime.datetime(2024, 3, 1, 13, 45, 30) m/d/yy h:mm False False"},
      {4, 5, Value::MakeTime(6, 0, 0), "E4 d datetime.time(6, 0) h:mm:ss False False"},
      {5, 5, Value::MakeDate(1900, 3, 1), "E5 d datetime.datetime(1900, 3, 1, 0, 0) mm-dd-yy False False"},
      {6, 5, Value::MakeDate(1900, 2, 28), "E6 d datetime.datetime(1900, 2, 28, 0, 0) mm-dd-yy False False"},
      // The last microsecond stays within its day, not in the year 10000.
      {7, 5, Value::MakeDateTime({9999, 12, 31, 23, 59, 59, 999999000}),
       "E7 d datetime.datetime(9999, 12, 31, 23, 59, 59, 999000) m/d/yy h:mm False False"},
      {2, 4, Value::MakeDate(2000, 1, 1), "D2 n 36526 0.00 False False"},  // keeps its 0.00 format
      {1, 1, Value::MakeNull(), "A1 n None General True False"},           // clears, keeps bold
      {4, 2, Value::MakeText(""), "B4 n None General False False"},        // clears the formula
      {1048576, 16384, Value::MakeInteger(-1), "XFD1048576 n -1 General False False"},
      // The longest text fits; bytes that are not UTF-8 become U+FFFD
      // instead of breaking the file.
      {9, 3, Value::MakeText(std::string(32767, 'y')), nullptr},
      {9, 4, Value::MakeText("caf\xE9 ok"), "D9 s 'caf\xEF\xBF\xBD ok' General False False"},
      {9, 5, Value::MakeNumber(1.0 / 0.0), "E9 e '#NUM!' General False False"},
  };
  std::string refs, expected;
  for (const auto& c : cells) {
    ws->SetCellValue(c.row, c.column, c.value);
    if (!c.read_back) continue;
    refs += " " + std::string(c.read_back).substr(0, std::string(c.read_back).find(' '));
    expected += c.read_back + std::string("\n");
  }
  // A refused value leaves the cell as it was.
  const std::string outside = "\": it lies outside the sheet (rows 1 to 1048576, columns 1 to 16384)";
  const std::string b2 = "cannot write the cell B2 of the worksheet \"Data\": ";
  const std::string no_date = " is not a valid date of the workbook's date system (from 1900-01-01)";
  const struct {
    int row, column;
    Value value;
    std::string error;
  } refused[] = {
      {0, 1, Value::MakeInteger(1), "cannot write the cell at row 0, column 1 of the worksheet \"Data" + outside},
      {1, 16385, Value::MakeInteger(1),
       "cannot write the cell at row 1, column 16385 of the worksheet \"Data" + outside},
      {1, 1, Value::MakeBinary("\x01\x02"), "Type mismatch"},
      {2, 2, Value::MakeDate(1899, 12, 31), b2 + "the date 1899-12-31" + no_date},
      {2, 2, Value::MakeDate(2023, 2, 29), b2 + "the date 2023-02-29" + no_date},
      {2, 2, Value::MakeText(std::string(32768, 'x')),
       b2 + "the text is longer than the 32767 characters a cell can hold"},
  };
  for (const auto& c : refused) EXPECT_EQ(ErrorOf([&] { ws->SetCellValue(c.row, c.column, c.value); }), c.error);
  std::string out = t.SaveAndRead("ws = wb[\"Data\"]\nfor ref in \"" + refs + R"py(".split():
    c = ws[ref]
    print(ref, c.data_type, repr(c.value), c.number_format, c.font.b, c.font.i)
print(len(ws["C9"].value))
print([t for t in re.findall(r"<si>(.*?)</si>", part("xl/sharedStrings.xml")) if len(t) < 99])
)py");
  EXPECT_EQ(out, expected + "32767\n" +
                     "['<t>007</t>', '<t>=1+2</t>', '<t xml:space=\"preserve\"> lead &amp; &lt;tag&gt; \"q\" _x0001_ "
                     "_x005F_x0041_ &#13;</t>', '<t>_x005F_x0041_</t>', '<t>_x005F_x0041_x0002_</t>', "
                     "'<t>caf\xEF\xBF\xBD ok</t>']\n");
}

// The desktop spreadsheet refuses to change part of a multi-cell array
// formula, a pivot table or a locked cell of a protected sheet; a refused
// write leaves the cell as it was. A value over a dynamic array's cells
// leaves none of its spilled results behind.
TEST(CellValues, WritesTheDesktopSpreadsheetRefusesAreRefusedAndSpillsLeaveNoStaleResult) {
  testing::OpenedTemplate t("guarded.xlsx");
  const struct {
    const char* sheet;
    int row, column;
    const char* error;  // after "cannot write the cell <cell> of the worksheet "<sheet>": "
  } writes[] = {
      {"Arrays", 2, 2, "it would change part of the array formula in B1:B2"},
      {"Arrays", 1, 2, "it would change part of the array formula in B1:B2"},
      {"Arrays", 1, 5, "it would change part of the array formula in D1:E1"},
      {"Arrays", 1, 6, nullptr},
      {"Arrays", 3, 2, nullptr},
      {"Locked", 1, 1, "the cell is locked and the worksheet is protected"},
      {"Locked", 5, 3, "the cell is locked and the worksheet is protected"},
      {"Locked", 1, 2, nullptr},
      {"Locked", 5, 2, nullptr},
      {"Spill", 2, 3, nullptr},
      {"Spill", 3, 4, nullptr},
  };
  for (const auto& w : writes) {
    auto ws = t.workbook->WorksheetByName(w.sheet);
    for (const Value& v : {Value::MakeNull(), Value::MakeInteger(101)}) {
      const std::string error = ErrorOf([&] { ws->SetCellValue(w.row, w.column, v); });
      EXPECT_EQ(error, w.error ? "cannot write the cell " + ooxml::CellName(w.row, w.column) + " of the worksheet \"" +
                                     w.sheet + "\": " + w.error
                               : "(no error)");
    }
  }
  EXPECT_EQ(t.SaveAndRead(R"py(
for name in ("Arrays", "Locked", "Spill"):
    print(re.findall(r'<c r="([A-Z]+\d+)"[^>]*?(?:/>|>(.*?)</c>)', part("xl/worksheets/sheet%d.xml" % (wb.sheetnames.index(name) + 1))))
)py"),
            "[('A1', '<v>1</v>'), ('B1', '<f t=\"array\" ref=\"B1:B2\">A1</f><v></v>'), "
            "('D1', '<f t=\"array\" ref=\"D1:E1\">A1*2</f><v></v>'), "
            "('F1', '<v>101</v>'), ('A2', '<v>2</v>'), ('B3', '<v>101</v>')]\n"
            "[('A1', '<is><t>locked</t></is>'), ('B1', '<v>101</v>'), ('B5', '<v>101</v>')]\n"
            "[('A2', '<is><t>x</t></is>'), ('C2', '<v>101</v>'), ('D2', ''), "
            "('C3', '<f t=\"array\" ref=\"C3\">_xlfn.SEQUENCE(1,2)</f>'), ('D3', '<v>101</v>')]\n");
  // A pivot table's cells are its own; the cells beside it are free.
  testing::OpenedTemplate pivot("pivot.xlsx");
  auto summary = pivot.workbook->WorksheetByName("Summary");
  EXPECT_EQ(ErrorOf([&] { summary->SetCellValue(7, 6, Value::MakeInteger(1)); }),
            "cannot write the cell F7 of the worksheet \"Summary\": it would change part of the pivot table in A1:F7");
  EXPECT_EQ(ErrorOf([&] { summary->SetCellValue(8, 1, Value::MakeInteger(1)); }), "(no error)");
  summary->InsertRows(1, 2);  // the pivot table moves down with its cells
  EXPECT_EQ(ErrorOf([&] { summary->SetCellValue(2, 1, Value::MakeInteger(1)); }), "(no error)");
  EXPECT_NE(ErrorOf([&] { summary->SetCellValue(9, 6, Value::MakeInteger(1)); }), "(no error)");
}

TEST(CellValues, DatesFollowThe1904DateSystem) {
  testing::OpenedTemplate t("date1904.xlsx");
  auto ws = t.workbook->WorksheetByIndex(1);
  ws->SetCellValue(1, 1, Value::MakeDate(1904, 1, 2));
  ws->SetCellValue(2, 1, Value::MakeDateTime({2024, 5, 17, 12}));
  std::string out = t.SaveAndRead(R"py(
print(re.findall(r'<v>([^<]*)</v>', part("xl/worksheets/sheet1.xml")))
)py");
  EXPECT_EQ(out, "['1', '43967.5']\n");
}

// The run writes into Data and assigns the name Total: each formula of a
// sheet it never touches gets a computed result, keeps the template's, or
// loses it, by what it reads (openpyxl's data_only reading shows each).
TEST(CellValues, SavedResultsAreComputedKeptOrDroppedByWhatTheFormulaReads) {
  testing::OpenedTemplate t("results.xlsx");
  t.workbook->WorksheetByName("Data")->SetCellValue(1, 1, Value::MakeInteger(21));
  t.workbook->SetNameValue("Total", "new");
  std::string out = t.SaveAndRead(R"py(
values = openpyxl.load_workbook(sys.argv[1], data_only=True)["Static"]
print([values["B%d" % r].value for r in range(1, 11)])
)py");
  // SUM computed; TEXT kept; NOW, an unknown function, TEXT of the written
  // cell and INDIRECT dropped; the written cell doubled; text from a kept
  // result kept; an error kept; the assigned name's text computed.
  EXPECT_EQ(out, "[12, '5', None, None, None, 42, '5x', '#DIV/0!', 'new', None]\n");
}

// Sheets and names are found ignoring case; a text constant replaces the
// definition of a workbook-level name.
TEST(Workbook, FindsSheetsSetsNamesAndKeepsHandlesSafe) {
  testing::OpenedTemplate t("basic.xlsx");
  t.workbook->Activate();
  EXPECT_EQ(t.workbook->WorksheetByName("OTHER sheet")->Name(), "Other Sheet");
  EXPECT_EQ(t.workbook->WorksheetByIndex(3)->Name(), "Summary");
  const std::string sheets = "; sheets: Data, Other Sheet, Summary)";
  for (int bad : {0, 4, -1}) {
    EXPECT_EQ(ErrorOf([&] { t.workbook->WorksheetByIndex(bad); }),
              "Subscript out of range (no sheet at position " + std::to_string(bad) + sheets);
  }
  EXPECT_EQ(ErrorOf([&] { t.workbook->WorksheetByName("Nope"); }),
            "Subscript out of range (no sheet \"Nope\"" + sheets);
  EXPECT_EQ(t.workbook->WorksheetNames(), (std::vector<std::string>{"Data", "Other Sheet", "Summary"}));
  EXPECT_TRUE(t.workbook->HasDefinedName("total"));
  EXPECT_FALSE(t.workbook->HasDefinedName("Missing") || t.workbook->HasDefinedName("LocalName"));
  EXPECT_EQ(t.workbook->DefinedNameFormula("amounts"), "Data!$B$2:$B$3");
  EXPECT_EQ(t.workbook->DefinedNameFormula("Total"), "\"template\"");
  EXPECT_EQ(t.workbook->DefinedNameFormula("LocalName"), "");
  t.workbook->SetNameValue("TOTAL", "first");
  t.workbook->SetNameValue("total", "He said \"hi\" &\x01 left\r");
  t.workbook->SetNameValue("Amounts", std::string(300, 'x'));
  EXPECT_EQ(ErrorOf([&] { t.workbook->SetNameValue("Missing", "x"); }),
            "the name \"Missing\" is not defined in the workbook");
  // A sheet-level name is not a workbook-level name.
  EXPECT_EQ(ErrorOf([&] { t.workbook->SetNameValue("LocalName", "x"); }),
            "the name \"LocalName\" is not defined in the workbook");
  std::string out = t.SaveAndRead(R"py(
for n in wb.defined_names.definedName:
    if n.name in ("Total", "Amounts", "LocalName"):
        print(n.name, n.attr_text if len(n.attr_text) < 60 else len(n.attr_text))
)py");
  EXPECT_EQ(out, "Total \"He said \"\"hi\"\" &\"&CHAR(1)&\" left\"&CHAR(13)\nAmounts 305\nLocalName Data!$A$1\n");
  // Handles stay safe after the workbook is closed and after it is gone.
  auto data = t.workbook->WorksheetByName("Data");
  auto other = t.workbook->WorksheetByName("Summary");
  t.workbook->Close();
  const std::string closed = "the workbook \"" + t.file + "\" is closed";
  EXPECT_EQ(ErrorOf([&] { other->SetCellValue(1, 1, Value::MakeInteger(1)); }), closed);
  EXPECT_EQ(ErrorOf([&] { t.workbook->Save(); }), closed);
  EXPECT_EQ(ErrorOf([&] { t.workbook->WorksheetByIndex(1); }), closed);
  t.workbook.reset();
  EXPECT_EQ(data->Name(), "Data");
  EXPECT_NE(ErrorOf([&] { data->InsertRows(2, 1); }), "(no error)");
  t.workbook = t.app->OpenWorkbook(t.file);
  auto again = t.workbook->WorksheetByIndex(1);
  t.app->Quit();
  EXPECT_NE(ErrorOf([&] { again->SetCellValue(1, 1, Value::MakeInteger(1)); }), "(no error)");
}

}  // namespace
}  // namespace tallyvane
