#include "ooxml/drawing_anchors.h"

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <vector>

#include "ooxml/xml_references.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

std::string ShiftCommentReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                   const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  bool any = false;
  ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
    if ((LocalName(n) == "comment" || LocalName(n) == "threadedComment") && n.attribute("ref")) {
      any = ShiftRangeAttribute(n.attribute("ref"), ins) || any;
    }
    return true;
  });
  return any ? SerializeXml(doc) : std::string();
}

std::string ShiftDrawingAnchors(const std::string& bytes, const Insertion& ins, const std::string& file,
                                const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  bool any = false;
  const char* axis = ins.rows ? "row" : "col";
  for (pugi::xml_node anchor : doc.document_element().children()) {
    std::string_view kind = LocalName(anchor);
    if (kind != "twoCellAnchor" && kind != "oneCellAnchor") continue;
    pugi::xml_node from = ChildByLocalName(ChildByLocalName(anchor, "from"), axis);
    pugi::xml_node to = ChildByLocalName(ChildByLocalName(anchor, "to"), axis);
    if (!from) continue;
    std::string edit_as = anchor.attribute("editAs").value();
    if (kind == "twoCellAnchor" && edit_as == "absolute") continue;
    int first = from.text().as_int() + 1;  // stored zero-based
    int last = to ? to.text().as_int() + 1 : first;
    int moved_first = first;
    ShiftIndex(&moved_first, ins);
    int delta = moved_first - first;
    int new_last = last;
    if (kind == "twoCellAnchor" && edit_as != "oneCell") {
      // The shape's far edge is a cell boundary like a range end.
      RefArea a;
      a.single = false;
      if (ins.rows) {
        a.first.row = first;
        a.last.row = last;
        a.first.column = a.last.column = 1;
      } else {
        a.first.column = first;
        a.last.column = last;
        a.first.row = a.last.row = 1;
      }
      if (ShiftArea(&a, ins, Growth::Reference)) new_last = ins.rows ? a.last.row : a.last.column;
    } else {
      new_last = last + delta;
    }
    int max = ins.rows ? kMaxRows : kMaxColumns;
    moved_first = std::min(moved_first, max);
    new_last = std::min(new_last, max);
    if (moved_first != first) {
      from.text().set(moved_first - 1);
      any = true;
    }
    if (to && new_last != last) {
      to.text().set(new_last - 1);
      any = true;
    }
  }
  return any ? SerializeXml(doc) : std::string();
}

std::string ShiftVmlAnchors(const std::string& bytes, const Insertion& ins) {
  // VML is often not well-formed XML: edit the few elements as text, with
  // whatever prefix the writer gave the excel namespace.
  static const std::regex kElement("<([A-Za-z0-9_]+:)?(Row|Column|Anchor)>([^<]*)<");
  std::string out;
  out.reserve(bytes.size() + 16);
  bool any = false;
  size_t copied = 0;
  const char* axis = ins.rows ? "Row" : "Column";
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), kElement); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    std::string kind = m[2].str();
    std::string value = m[3].str();
    std::string shifted = value;
    if (kind == axis) {
      int index = std::atoi(value.c_str()) + 1;
      if (index > 0 && ShiftIndex(&index, ins)) shifted = std::to_string(index - 1);
    } else if (kind == "Anchor") {
      // LeftColumn, LeftOffset, TopRow, TopOffset, RightColumn, RightOffset,
      // BottomRow, BottomOffset: the note moves with its cell.
      std::vector<std::string> fields;
      size_t p = 0;
      while (p <= value.size()) {
        size_t q = value.find(',', p);
        if (q == std::string::npos) q = value.size();
        fields.push_back(value.substr(p, q - p));
        p = q + 1;
      }
      if (fields.size() == 8) {
        size_t a = ins.rows ? 2 : 0, b = ins.rows ? 6 : 4;
        int first = std::atoi(fields[a].c_str()) + 1, last = std::atoi(fields[b].c_str()) + 1;
        int moved = first;
        ShiftIndex(&moved, ins);
        int delta = moved - first;
        if (delta != 0) {
          fields[a] = (a ? " " : "") + std::to_string(moved - 1);
          fields[b] = " " + std::to_string(last + delta - 1);
          shifted.clear();
          for (size_t k = 0; k < fields.size(); ++k) shifted += (k ? "," : "") + fields[k];
        }
      }
    }
    if (shifted == value) continue;
    size_t value_at = static_cast<size_t>(m.position(3));
    out.append(bytes, copied, value_at - copied);
    out += shifted;
    copied = value_at + value.size();
    any = true;
  }
  if (!any) return std::string();
  out.append(bytes, copied, std::string::npos);
  return out;
}

}  // namespace tallyvane::ooxml
