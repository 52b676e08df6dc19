// The insertion rules of one worksheet part at their boundaries: at, just
// above and just below what they move, on the inserted-into sheet and on
// other sheets.
#include <gtest/gtest.h>

#include "ooxml/worksheet_part.h"

namespace tallyvane::ooxml {
namespace {

std::string Sheet(const std::string& inner) {
  return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + inner + "</worksheet>";
}

struct InsertionRuleCase {
  const char* what;
  std::string sheet;  // the part's children
  bool rows;
  int at;
  std::vector<std::string> expected;  // fragments of the part after inserting two rows (columns)
};

TEST(WorksheetInsertion, MovesEachStructureAtItsBoundary) {
  const std::string frozen =
      "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"3\" topLeftCell=\"A4\" activePane=\"bottomLeft\" "
      "state=\"frozen\"/></sheetView></sheetViews><sheetData/>";
  const std::string breaks =
      "<sheetData/><rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"2\" max=\"16383\" man=\"1\"/>"
      "<brk id=\"3\" max=\"16383\" man=\"1\"/></rowBreaks>";
  const std::string group =
      "<sheetData><row r=\"2\" outlineLevel=\"1\"/><row r=\"3\" outlineLevel=\"1\"/><row r=\"4\" outlineLevel=\"1\"/>"
      "<row r=\"5\" ht=\"20\" customHeight=\"1\"/></sheetData>";
  const InsertionRuleCase cases[] = {
      {"rows inserted inside the frozen rows widen them", frozen, true, 3, {"ySplit=\"5\" topLeftCell=\"A6\""}},
      {"rows inserted at the lower pane's first row leave the split",
       frozen,
       true,
       4,
       {"ySplit=\"3\" topLeftCell=\"A4\""}},
      {"rows inserted below the pane's first row change nothing", frozen, true, 5, {"ySplit=\"3\" topLeftCell=\"A4\""}},
      {"a break above the insertion stays, one at it moves", breaks, true, 4, {"<brk id=\"2\"", "<brk id=\"5\""}},
      {"rows inside a group join it", group, true, 3, {"<row r=\"3\" outlineLevel=\"1\"/>"}},
      {"rows right below a group stay out of it",
       group,
       true,
       5,
       {"<row r=\"4\" outlineLevel=\"1\"/><row r=\"7\" ht=\"20\""}},
      {"a column definition ending left of the insertion widens",
       "<cols><col min=\"1\" max=\"2\" width=\"20\"/></cols>"
       "<sheetData/>",
       false,
       3,
       {"<col min=\"1\" max=\"4\" width=\"20\"/>"}},
      {"a column definition at the insertion moves",
       "<cols><col min=\"3\" max=\"3\" width=\"20\"/></cols><sheetData/>",
       false,
       3,
       {"<col min=\"5\" max=\"5\" width=\"20\"/>"}},
      {"new cells take the style on their left",
       "<sheetData><row r=\"1\"><c r=\"A1\" s=\"2\"/><c r=\"B1\"/></row>"
       "</sheetData>",
       false,
       2,
       {"<c r=\"B1\" s=\"2\"/><c r=\"C1\" s=\"2\"/><c r=\"D1\"/>"}},
  };
  for (const InsertionRuleCase& c : cases) {
    SCOPED_TRACE(c.what);
    WorksheetPart part("xl/worksheets/sheet1.xml", Sheet(c.sheet), "t.xlsx");
    part.Insert(Insertion{"Data", c.rows, c.at, 2});
    const std::string after = part.Serialize();
    for (const std::string& fragment : c.expected) EXPECT_NE(after.find(fragment), std::string::npos) << after;
  }
}

// A threshold of a colour scale on another sheet refers to that sheet
// unless it names the inserted-into one.
TEST(WorksheetInsertion, OtherSheetsMoveOnlyWhatNamesTheInsertedIntoSheet) {
  WorksheetPart summary("xl/worksheets/sheet2.xml",
                        Sheet("<sheetData><row r=\"1\"><c r=\"A1\"><f>Data!B5+B5</f></c></row></sheetData>"
                              "<conditionalFormatting sqref=\"A1:A3\"><cfRule type=\"colorScale\" priority=\"1\">"
                              "<colorScale><cfvo type=\"num\" val=\"$B$5\"/><cfvo type=\"num\" val=\"Data!$B$5\"/>"
                              "<color rgb=\"FFFF0000\"/><color rgb=\"FF00FF00\"/></colorScale></cfRule>"
                              "</conditionalFormatting>"),
                        "t.xlsx");
  summary.ShiftReferencesTo(Insertion{"Data", true, 4, 2});
  const std::string after = summary.Serialize();
  for (const char* fragment : {"<f>Data!B7+B5</f>", "sqref=\"A1:A3\"", "val=\"$B$5\"", "val=\"Data!$B$7\""}) {
    EXPECT_NE(after.find(fragment), std::string::npos) << fragment << " in " << after;
  }
}

TEST(WorksheetInsertion, RefusesWhatProtectionOrAnArrayForbids) {
  const std::string array =
      "<sheetData><row r=\"2\"><c r=\"B2\"><f t=\"array\" ref=\"B2:B4\">A2:A4*2</f></c></row></sheetData>";
  struct Case {
    std::string sheet;
    bool rows;
    int at;
    const char* refusal;
  } cases[] = {
      {"<sheetData/><sheetProtection sheet=\"1\"/>", true, 2, "the worksheet is protected"},
      {"<sheetData/><sheetProtection sheet=\"1\"/>", false, 2, "the worksheet is protected"},
      {"<sheetData/><sheetProtection sheet=\"1\" insertRows=\"0\"/>", true, 2, ""},
      {"<sheetData/><sheetProtection sheet=\"1\" insertRows=\"0\"/>", false, 2, "the worksheet is protected"},
      {"<sheetData/><sheetProtection sheet=\"true\" insertColumns=\"false\"/>", false, 2, ""},
      {"<sheetData/><sheetProtection sheet=\"true\" insertColumns=\"false\"/>", true, 2, "the worksheet is protected"},
      {"<sheetData/><sheetProtection insertRows=\"1\"/>", true, 2, ""},
      {array, true, 2, ""},
      {array, true, 3, "it would change part of the array formula in B2:B4"},
      {array, true, 4, "it would change part of the array formula in B2:B4"},
      {array, true, 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet + (c.rows ? " rows at " : " columns at ") + std::to_string(c.at));
    WorksheetPart part("xl/worksheets/sheet1.xml", Sheet(c.sheet), "t.xlsx");
    EXPECT_EQ(part.InsertionRefusal(Insertion{"Data", c.rows, c.at, 2}), c.refusal);
  }
}

}  // namespace
}  // namespace tallyvane::ooxml
