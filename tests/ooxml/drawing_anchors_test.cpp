// Drawing and note anchors follow inserted rows the way their kind says.
#include "ooxml/drawing_anchors.h"

#include <gtest/gtest.h>

namespace tallyvane::ooxml {
namespace {

std::string Drawing(const std::string& edit_as, int from_row, int to_row) {
  std::string attr = edit_as.empty() ? "" : " editAs=\"" + edit_as + "\"";
  return "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">"
         "<xdr:twoCellAnchor" +
         attr + "><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" + std::to_string(from_row) +
         "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>4</xdr:col>"
         "<xdr:colOff>0</xdr:colOff><xdr:row>" +
         std::to_string(to_row) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to></xdr:twoCellAnchor></xdr:wsDr>";
}

TEST(DrawingAnchors, TwoCellAnchorsMoveGrowOrStayByTheirKind) {
  struct Case {
    const char* edit_as;
    int at;        // first inserted row (one-based)
    int from, to;  // expected zero-based rows afterwards (shape on rows 3 to 6)
  };
  const Case cases[] = {
      {"", 2, 3, 6},          // above: moves
      {"", 4, 2, 6},          // inside: grows
      {"", 8, 2, 5},          // below: stays
      {"oneCell", 4, 2, 5},   // inside, but does not resize
      {"oneCell", 3, 3, 6},   // at its first row: moves
      {"absolute", 1, 2, 5},  // never follows cells
  };
  for (const Case& c : cases) {
    Insertion ins{"S", true, c.at, 1};
    std::string out = ShiftDrawingAnchors(Drawing(c.edit_as, 2, 5), ins, "f.xlsx", "xl/drawings/drawing1.xml");
    std::string expected = Drawing(c.edit_as, c.from, c.to);
    if (c.from == 2 && c.to == 5) {
      EXPECT_EQ(out, "") << c.edit_as << " " << c.at;  // unchanged parts stay as they were
    } else {
      EXPECT_NE(out.find(expected.substr(expected.find("<xdr:twoCellAnchor"))), std::string::npos)
          << c.edit_as << " " << c.at << "\n"
          << out;
    }
  }
}

std::string Note(const std::string& anchor, int row, int column) {
  return "<v:shape><x:ClientData ObjectType=\"Note\"><x:Anchor>" + anchor + "</x:Anchor><x:Row>" + std::to_string(row) +
         "</x:Row><x:Column>" + std::to_string(column) + "</x:Column></x:ClientData></v:shape>";
}

TEST(DrawingAnchors, LegacyNoteShapesMoveWithTheirCell) {
  const std::string vml = Note("3, 15, 4, 10, 5, 15, 8, 4", 4, 2);
  EXPECT_EQ(ShiftVmlAnchors(vml, Insertion{"S", true, 3, 2}), Note("3, 15, 6, 10, 5, 15, 10, 4", 6, 2));
  EXPECT_EQ(ShiftVmlAnchors(vml, Insertion{"S", false, 2, 1}), Note("4, 15, 4, 10, 6, 15, 8, 4", 4, 3));
  EXPECT_EQ(ShiftVmlAnchors(vml, Insertion{"S", true, 9, 1}), "");
}

}  // namespace
}  // namespace tallyvane::ooxml
