// How inserting whole rows or columns changes a worksheet part: the rows and
// cells of its sheet data, its column definitions, its formulas, and every
// reference held in the rest of the part.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ooxml/worksheet_part.h"
#include "ooxml/xml_references.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

// Elements that go when their range is pushed off the sheet entirely.
bool Removable(std::string_view element) {
  return element == "mergeCell" || element == "conditionalFormatting" || element == "dataValidation" ||
         element == "hyperlink" || element == "autoFilter";
}

// Row attributes that inserted rows inherit from the row above.
bool InheritedRowAttribute(std::string_view name) {
  return name == "s" || name == "customFormat" || name == "ht" || name == "customHeight" || name == "thickTop" ||
         name == "thickBot";
}

int OutlineLevel(const Row* row) {
  if (!row) return 0;
  for (const XmlAttr& a : row->attrs) {
    if (a.name == "outlineLevel") return std::atoi(a.value.c_str());
  }
  return 0;
}

// The value of attribute a of element n after the insertion. *off_sheet
// tells that its range was pushed off the sheet entirely; the value is
// then kept, and the caller decides whether the element goes.
std::string ShiftedAttribute(pugi::xml_node n, pugi::xml_attribute a, const Insertion& ins, bool own_sheet,
                             bool* off_sheet) {
  std::string_view ln = LocalName(n);
  std::string_view an = a.name();
  const std::string before = a.value();
  // A hyperlink's location is text to the desktop spreadsheet: it stays as
  // written. A threshold of a colour scale, data bar or icon set may be a
  // reference or a formula.
  if (an == "val" && ln == "cfvo") return ShiftFormula(before, ins, own_sheet ? ins.sheet : std::string());
  if (!own_sheet) return before;
  if (an == "sqref" || (an == "ref" && ln != "dimension")) {
    const bool format_range = an == "sqref" && (ln == "conditionalFormatting" || ln == "dataValidation");
    std::string after = ShiftSqref(before, ins, format_range ? Growth::Format : Growth::Reference);
    if (!after.empty()) return after;
    *off_sheet = true;
    return before;
  }
  if ((an == "topLeftCell" && ln != "pane") || an == "activeCell") {
    std::string after = ShiftSqref(before, ins, Growth::Reference);
    return after.empty() ? before : after;
  }
  std::string_view parent = LocalName(n.parent());
  if (an == "id" && ln == "brk" && ((parent == "rowBreaks" && ins.rows) || (parent == "colBreaks" && !ins.rows))) {
    // A break's id is the zero-based index of the row (column) after it.
    if (a.as_int() + 1 >= ins.at) return std::to_string(a.as_int() + ins.count);
  }
  return before;
}

// A frozen pane keeps its split and the first cell of the lower (right)
// pane together: rows (columns) inserted above (left of) the split line
// widen the frozen part, and the lower pane still starts right below it.
// A split that is not frozen is measured in twips and stays. The pane's
// first cell keeps the same cells in view, and new rows inserted just at
// it show at its top.
bool ShiftPane(pugi::xml_node pane, const Insertion& ins) {
  bool any = false;
  std::string state = pane.attribute("state").value();
  pugi::xml_attribute split = pane.attribute(ins.rows ? "ySplit" : "xSplit");
  if (split && (state == "frozen" || state == "frozenSplit") && ins.at <= split.as_int()) {
    split.set_value(split.as_int() + ins.count);
    any = true;
  }
  pugi::xml_attribute first = pane.attribute("topLeftCell");
  int row = 0, column = 0;
  if (first && ParseCellName(first.value(), &row, &column)) {
    int& index = ins.rows ? row : column;
    if (ins.at < index && index + ins.count <= (ins.rows ? kMaxRows : kMaxColumns)) {
      index += ins.count;
      first.set_value(CellName(row, column).c_str());
      any = true;
    }
  }
  return any;
}

bool HasElementChild(pugi::xml_node n) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() == pugi::node_element) return true;
  }
  return false;
}

// Sets the element's text when it changed; true when it did.
bool ShiftElementText(pugi::xml_node n, const std::string& after) {
  if (after == n.text().get()) return false;
  n.text().set(after.c_str());
  return true;
}

}  // namespace

bool WorksheetPart::WouldPushOffContent(const Insertion& ins) const {
  if (ins.rows) {
    int limit = kMaxRows - ins.count;  // rows after this one leave the sheet
    for (auto it = rows_.rbegin(); it != rows_.rend() && it->index > limit; ++it) {
      if (it->index < ins.at) break;
      for (const Cell& c : it->cells) {
        if (c.HasContent()) return true;
      }
    }
    return false;
  }
  int limit = kMaxColumns - ins.count;
  for (const Row& row : rows_) {
    for (auto it = row.cells.rbegin(); it != row.cells.rend() && it->column > limit; ++it) {
      if (it->column >= ins.at && it->HasContent()) return true;
    }
  }
  return false;
}

std::string WorksheetPart::InsertionRefusal(const Insertion& ins) const {
  pugi::xml_node protection = ChildByLocalName(doc_.document_element(), "sheetProtection");
  auto on = [&](const char* name, const char* fallback) {
    std::string v = protection.attribute(name) ? protection.attribute(name).value() : fallback;
    return v == "1" || v == "true";
  };
  // insertRows="0" is what lets users insert rows into a protected sheet.
  if (protection && on("sheet", "0") && on(ins.rows ? "insertRows" : "insertColumns", "1")) {
    return "the worksheet is protected";
  }
  for (const Row& row : rows_) {
    for (const Cell& c : row.cells) {
      if (!c.HasFormula() || (c.extra->formula.type != "array" && c.extra->formula.type != "dataTable")) continue;
      RefArea area;
      size_t end = 0;
      const std::string& ref = c.extra->formula.ref;
      if (ParseAreaAt(ref, 0, &area, &end) && end == ref.size() && SplitsArea(area, ins)) {
        return "it would change part of the " +
               std::string(c.extra->formula.type == "array" ? "array formula" : "data table") + " in " + ref;
      }
    }
  }
  return std::string();
}

void WorksheetPart::ShiftRowsOfSheetData(const Insertion& ins) {
  auto first = std::lower_bound(rows_.begin(), rows_.end(), ins.at, [](const Row& r, int i) { return r.index < i; });
  for (auto it = first; it != rows_.end(); ++it) it->index += ins.count;
  while (!rows_.empty() && rows_.back().index > kMaxRows) rows_.pop_back();
  // New rows take the format of the row above, as the desktop spreadsheet's
  // default insertion does, and rows inserted inside an outlined group (the
  // rows on both sides in it) join the group instead of splitting it.
  if (ins.at <= 1) return;
  Row* above = FindRow(ins.at - 1);
  const int level = std::min(OutlineLevel(above), OutlineLevel(FindRow(ins.at + ins.count)));
  if (!above) return;
  std::vector<XmlAttr> attrs;
  for (const XmlAttr& a : above->attrs) {
    if (InheritedRowAttribute(a.name)) attrs.push_back(a);
  }
  if (level > 0) attrs.push_back({"outlineLevel", std::to_string(level)});
  std::vector<std::pair<int, int>> styled;  // column, style
  for (const Cell& c : above->cells) {
    if (c.style != 0) styled.emplace_back(c.column, c.style);
  }
  if (attrs.empty() && styled.empty()) return;
  first = std::lower_bound(rows_.begin(), rows_.end(), ins.at, [](const Row& r, int i) { return r.index < i; });
  std::vector<Row> fresh(static_cast<size_t>(std::min(ins.count, kMaxRows - ins.at + 1)));
  for (size_t k = 0; k < fresh.size(); ++k) {
    fresh[k].index = ins.at + static_cast<int>(k);
    fresh[k].attrs = attrs;
    fresh[k].cells.reserve(styled.size());
    for (const auto& s : styled) {
      fresh[k].cells.emplace_back();
      fresh[k].cells.back().column = s.first;
      fresh[k].cells.back().style = s.second;
    }
  }
  rows_.insert(first, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
}

void WorksheetPart::ShiftColumnsOfSheetData(const Insertion& ins) {
  for (Row& row : rows_) {
    std::vector<Cell>& cells = row.cells;
    auto first =
        std::lower_bound(cells.begin(), cells.end(), ins.at, [](const Cell& c, int col) { return c.column < col; });
    for (auto it = first; it != cells.end(); ++it) it->column += ins.count;
    while (!cells.empty() && cells.back().column > kMaxColumns) cells.pop_back();
    if (ins.at <= 1) continue;
    // New cells take the format of the cell on their left.
    auto left =
        std::lower_bound(cells.begin(), cells.end(), ins.at - 1, [](const Cell& c, int col) { return c.column < col; });
    if (left == cells.end() || left->column != ins.at - 1 || left->style == 0) continue;
    int style = left->style;
    int n = std::min(ins.count, kMaxColumns - ins.at + 1);
    std::vector<Cell> fresh(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
      fresh[static_cast<size_t>(k)].column = ins.at + k;
      fresh[static_cast<size_t>(k)].style = style;
    }
    size_t pos = static_cast<size_t>(left - cells.begin()) + 1;
    cells.insert(cells.begin() + static_cast<long>(pos), std::make_move_iterator(fresh.begin()),
                 std::make_move_iterator(fresh.end()));
  }
}

void WorksheetPart::ShiftColumnDefinitions(const Insertion& ins) {
  pugi::xml_node cols = ChildByLocalName(doc_.document_element(), "cols");
  if (!cols) return;
  for (pugi::xml_node c = cols.first_child(); c;) {
    pugi::xml_node next = c.next_sibling();
    if (LocalName(c) == "col") {
      int min = c.attribute("min").as_int(), max = c.attribute("max").as_int();
      // Inserted columns take the width and format of the column on their
      // left, so a definition ending just left of the insertion grows too.
      if (ins.at <= min) {
        min += ins.count;
        max += ins.count;
      } else if (ins.at <= max + 1) {
        max += ins.count;
      }
      if (min > kMaxColumns) {
        cols.remove_child(c);
      } else {
        c.attribute("min").set_value(min);
        c.attribute("max").set_value(std::min(max, kMaxColumns));
      }
    }
    c = next;
  }
  if (!cols.first_child()) doc_.document_element().remove_child(cols);
  LoadColumns();
}

void WorksheetPart::ShiftCellFormulas(const Insertion& ins, const std::string& host) {
  for (Row& row : rows_) {
    for (Cell& c : row.cells) {
      if (!c.HasFormula()) continue;
      CellFormula& f = c.extra->formula;
      bool changed = false;
      if (!f.text.empty()) {
        std::string shifted = ShiftFormula(f.text, ins, host, &changed);
        if (changed) f.text = std::move(shifted);
      }
      if (!host.empty() && (f.type == "array" || f.type == "dataTable") && !f.ref.empty()) {
        f.ref = ShiftSqref(f.ref, ins, Growth::Reference);
      }
      if (!host.empty() && f.type == "dataTable") {
        for (XmlAttr& a : f.attrs) {
          if (a.name == "r1" || a.name == "r2") a.value = ShiftSqref(a.value, ins, Growth::Reference);
        }
      }
    }
  }
}

bool WorksheetPart::ShiftTreeReferences(const Insertion& ins, bool own_sheet) {
  bool any = false;
  const std::string host = own_sheet ? ins.sheet : std::string();
  std::vector<pugi::xml_node> to_remove;
  ForEachElement(doc_.document_element(), [&](pugi::xml_node n) {
    std::string_view ln = LocalName(n);
    if (ln == "sheetData") return false;
    for (pugi::xml_attribute a : n.attributes()) {
      bool off_sheet = false;
      std::string after = ShiftedAttribute(n, a, ins, own_sheet, &off_sheet);
      if (off_sheet && Removable(ln) && std::find(to_remove.begin(), to_remove.end(), n) == to_remove.end()) {
        to_remove.push_back(n);
      }
      if (after != a.value()) {
        a.set_value(after.c_str());
        any = true;
      }
    }
    if (own_sheet && ln == "pane") any = ShiftPane(n, ins) || any;
    // x14 validations hold their formula one level down (<x14:formula1><xm:f>).
    if ((ln == "formula" || ln == "formula1" || ln == "formula2" || ln == "f") && !HasElementChild(n)) {
      any = ShiftFormulaText(n, ins, host) || any;
      return false;
    }
    if (ln == "sqref" && own_sheet) {  // x14 formats and validations, sparkline cells
      std::string_view parent = LocalName(n.parent());
      const bool format_range = parent == "conditionalFormatting" || parent == "dataValidation";
      any = ShiftElementText(n, ShiftSqref(n.text().get(), ins, format_range ? Growth::Format : Growth::Reference)) ||
            any;
      return false;
    }
    return true;
  });
  for (pugi::xml_node n : to_remove) n.parent().remove_child(n);
  return any;
}

void WorksheetPart::Insert(const Insertion& ins) {
  changed_ = true;
  blocks_known_ = false;
  ExpandSharedFormulas();
  if (ins.rows) {
    ShiftRowsOfSheetData(ins);
  } else {
    ShiftColumnsOfSheetData(ins);
    ShiftColumnDefinitions(ins);
  }
  ShiftCellFormulas(ins, ins.sheet);
  ShiftTreeReferences(ins, true);
  // Counts of merged cells and the like stay in step with their children.
  for (const char* container : {"mergeCells", "dataValidations", "hyperlinks"}) {
    pugi::xml_node c = ChildByLocalName(doc_.document_element(), container);
    if (!c) continue;
    int n = 0;
    for (pugi::xml_node k : c.children()) n += k.type() == pugi::node_element;
    if (n == 0) {
      doc_.document_element().remove_child(c);
    } else if (c.attribute("count")) {
      c.attribute("count").set_value(n);
    }
  }
}

bool WorksheetPart::ShiftReferencesTo(const Insertion& ins) {
  bool mentions = false;
  for (const Row& row : rows_) {
    for (const Cell& c : row.cells) {
      if (c.HasFormula() && c.extra->formula.text.find('!') != std::string::npos) {
        mentions = true;
        break;
      }
    }
    if (mentions) break;
  }
  bool any = false;
  if (mentions) {
    // Shared groups that point into the other sheet would shift unevenly.
    ExpandSharedFormulas();
    for (Row& row : rows_) {
      for (Cell& c : row.cells) {
        if (!c.HasFormula()) continue;
        bool changed = false;
        std::string s = ShiftFormula(c.extra->formula.text, ins, "", &changed);
        if (changed) {
          c.extra->formula.text = std::move(s);
          any = true;
        }
      }
    }
  }
  any = ShiftTreeReferences(ins, false) || any;
  if (any) changed_ = true;
  return any;
}

}  // namespace tallyvane::ooxml
