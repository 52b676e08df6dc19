#include "ooxml/worksheet_part.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "platform/platform_error.h"
#include "ooxml/formula_reference_lexer.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

const char kSheetDataMarker[] = "tallyvane:sheetData";

CellType TypeFromAttribute(std::string_view t) {
  if (t == "s") return CellType::SharedString;
  if (t == "b") return CellType::Boolean;
  if (t == "e") return CellType::Error;
  if (t == "str") return CellType::String;
  if (t == "inlineStr") return CellType::InlineString;
  if (t == "d") return CellType::IsoDate;
  return CellType::Number;
}

const char* TypeAttribute(CellType t) {
  switch (t) {
    case CellType::SharedString: return "s";
    case CellType::Boolean: return "b";
    case CellType::Error: return "e";
    case CellType::String: return "str";
    case CellType::InlineString: return "inlineStr";
    case CellType::IsoDate: return "d";
    case CellType::Number: break;
  }
  return nullptr;
}

int ParseInt(std::string_view s, int fallback) {
  int v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : fallback;
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, static_cast<size_t>(r.ptr - buf));
}

void AppendDouble(std::string& out, double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, static_cast<size_t>(r.ptr - buf));
}

const std::string* FindAttr(const std::vector<XmlAttr>& attrs, std::string_view name) {
  for (const XmlAttr& a : attrs) {
    if (a.name == name) return &a.value;
  }
  return nullptr;
}

// Elements that go when their range is pushed off the sheet entirely.
bool Removable(std::string_view element) {
  return element == "mergeCell" || element == "conditionalFormatting" || element == "dataValidation" ||
         element == "hyperlink" || element == "autoFilter";
}

// Row attributes that inserted rows inherit from the row above.
bool InheritedRowAttribute(std::string_view name) {
  return name == "s" || name == "customFormat" || name == "ht" || name == "customHeight" ||
         name == "thickTop" || name == "thickBot";
}

}  // namespace

WorksheetPart::WorksheetPart(std::string part, const std::string& bytes, const std::string& file)
    : part_(std::move(part)) {
  ParseXml(doc_, bytes, file, part_);
  pugi::xml_node root = doc_.document_element();
  std::string root_name = root.name();
  size_t colon = root_name.find(':');
  if (colon != std::string::npos) prefix_ = root_name.substr(0, colon + 1);
  pugi::xml_node sheet_data = ChildByLocalName(root, "sheetData");
  if (!sheet_data) {
    throw PlatformError("cannot open \"" + file + "\": the worksheet part \"" + part_ +
                        "\" has no sheetData");
  }
  LoadSheetData(sheet_data);
  while (sheet_data.first_child()) sheet_data.remove_child(sheet_data.first_child());
  sheet_data.append_child(pugi::node_comment).set_value(kSheetDataMarker);
  LoadColumns();
}

void WorksheetPart::LoadSheetData(pugi::xml_node sheet_data) {
  int previous_row = 0;
  bool sorted = true;
  for (pugi::xml_node rn : sheet_data.children()) {
    if (rn.type() != pugi::node_element || LocalName(rn) != "row") continue;
    Row row;
    row.index = rn.attribute("r") ? rn.attribute("r").as_int() : previous_row + 1;
    if (row.index < 1 || row.index > kMaxRows) {
      throw PlatformError("cannot open \"" + part_ + "\": a row number is out of range");
    }
    if (row.index <= previous_row) sorted = false;
    previous_row = row.index;
    for (pugi::xml_attribute a : rn.attributes()) {
      std::string_view n = a.name();
      if (n == "r" || n == "spans") continue;
      row.attrs.push_back({a.name(), a.value()});
    }
    int previous_column = 0;
    bool cells_sorted = true;
    for (pugi::xml_node cn : rn.children()) {
      if (cn.type() != pugi::node_element || LocalName(cn) != "c") continue;
      Cell cell;
      int r = 0, c = 0;
      pugi::xml_attribute ra = cn.attribute("r");
      if (ra && ParseCellName(ra.value(), &r, &c)) {
        cell.column = c;
      } else {
        cell.column = previous_column + 1;
      }
      if (cell.column <= previous_column) cells_sorted = false;
      previous_column = cell.column;
      std::unique_ptr<CellExtra> extra;
      for (pugi::xml_attribute a : cn.attributes()) {
        std::string_view n = a.name();
        if (n == "r") continue;
        if (n == "s") {
          cell.style = a.as_int();
        } else if (n == "t") {
          cell.type = TypeFromAttribute(a.value());
        } else {
          if (!extra) extra = std::make_unique<CellExtra>();
          extra->attrs.push_back({a.name(), a.value()});
        }
      }
      for (pugi::xml_node child : cn.children()) {
        std::string_view ln = LocalName(child);
        if (ln == "v") {
          cell.has_value = true;
          std::string_view text = child.text().get();
          double number = 0;
          bool numeric = cell.type == CellType::Number || cell.type == CellType::SharedString ||
                         cell.type == CellType::Boolean;
          auto r = std::from_chars(text.data(), text.data() + text.size(), number);
          if (numeric && !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size()) {
            cell.number = number;
          } else {
            if (!extra) extra = std::make_unique<CellExtra>();
            extra->has_value_text = true;
            extra->value_text.assign(text);
          }
        } else if (ln == "f") {
          if (!extra) extra = std::make_unique<CellExtra>();
          extra->has_formula = true;
          extra->formula.text = child.text().get();
          for (pugi::xml_attribute a : child.attributes()) {
            std::string_view n = a.name();
            if (n == "t") extra->formula.type = a.value();
            else if (n == "ref") extra->formula.ref = a.value();
            else if (n == "si") extra->formula.shared_index = a.as_int(-1);
            else extra->formula.attrs.push_back({a.name(), a.value()});
          }
        } else if (ln == "is") {
          if (!extra) extra = std::make_unique<CellExtra>();
          struct W : pugi::xml_writer {
            std::string* s;
            void write(const void* d, size_t n) override { s->append(static_cast<const char*>(d), n); }
          } w;
          w.s = &extra->inline_xml;
          child.print(w, "", pugi::format_raw);
        }
      }
      cell.extra = std::move(extra);
      row.cells.push_back(std::move(cell));
    }
    if (!cells_sorted) {
      std::stable_sort(row.cells.begin(), row.cells.end(),
                       [](const Cell& a, const Cell& b) { return a.column < b.column; });
    }
    rows_.push_back(std::move(row));
  }
  if (!sorted) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.index < b.index; });
  }
}

void WorksheetPart::LoadColumns() {
  column_styles_.clear();
  pugi::xml_node cols = ChildByLocalName(doc_.document_element(), "cols");
  for (pugi::xml_node c : cols.children()) {
    if (LocalName(c) != "col") continue;
    int style = c.attribute("style").as_int(0);
    if (style != 0) column_styles_.push_back({c.attribute("min").as_int(), c.attribute("max").as_int(), style});
  }
}

Row* WorksheetPart::FindRow(int index) {
  if (!rows_.empty() && rows_.back().index == index) return &rows_.back();
  auto it = std::lower_bound(rows_.begin(), rows_.end(), index,
                             [](const Row& r, int i) { return r.index < i; });
  if (it != rows_.end() && it->index == index) return &*it;
  return nullptr;
}

Row& WorksheetPart::TouchRow(int index) {
  if (rows_.empty() || rows_.back().index < index) {
    // Rows of a report tend to have as many cells as the one before.
    size_t expected = rows_.empty() ? 0 : rows_.back().cells.size();
    rows_.emplace_back();
    rows_.back().index = index;
    rows_.back().cells.reserve(expected);
    return rows_.back();
  }
  auto it = std::lower_bound(rows_.begin(), rows_.end(), index,
                             [](const Row& r, int i) { return r.index < i; });
  if (it != rows_.end() && it->index == index) return *it;
  Row row;
  row.index = index;
  return *rows_.insert(it, std::move(row));
}

int WorksheetPart::InheritedStyle(const Row& row, int column) const {
  const std::string* custom = FindAttr(row.attrs, "customFormat");
  if (custom && (*custom == "1" || *custom == "true")) {
    const std::string* s = FindAttr(row.attrs, "s");
    if (s) return ParseInt(*s, 0);
  }
  for (const ColumnStyle& c : column_styles_) {
    if (column >= c.min && column <= c.max) return c.style;
  }
  return 0;
}

Cell& WorksheetPart::TouchCell(int row_index, int column) {
  changed_ = true;
  Row& row = TouchRow(row_index);
  std::vector<Cell>& cells = row.cells;
  if (cells.empty() || cells.back().column < column) {
    cells.emplace_back();
    cells.back().column = column;
    cells.back().style = InheritedStyle(row, column);
    return cells.back();
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), column,
                             [](const Cell& c, int col) { return c.column < col; });
  if (it != cells.end() && it->column == column) return *it;
  Cell cell;
  cell.column = column;
  cell.style = InheritedStyle(row, column);
  return *cells.insert(it, std::move(cell));
}

void WorksheetPart::ClearCell(int row_index, int column) {
  Row* row = FindRow(row_index);
  if (!row) return;
  auto it = std::lower_bound(row->cells.begin(), row->cells.end(), column,
                             [](const Cell& c, int col) { return c.column < col; });
  if (it == row->cells.end() || it->column != column) return;
  // A shared-formula master carries the text for its whole group: give
  // the group to plain formulas before the master loses its formula.
  if (it->HasFormula() && it->extra->formula.type == "shared" && !it->extra->formula.ref.empty()) {
    ExpandSharedFormulas();
    row = FindRow(row_index);
    it = std::lower_bound(row->cells.begin(), row->cells.end(), column,
                          [](const Cell& c, int col) { return c.column < col; });
  }
  changed_ = true;
  it->has_value = false;
  it->number = 0;
  it->type = CellType::Number;
  it->extra.reset();
}

const Cell* WorksheetPart::FindCell(int row_index, int column) const {
  auto row = std::lower_bound(rows_.begin(), rows_.end(), row_index,
                              [](const Row& r, int i) { return r.index < i; });
  if (row == rows_.end() || row->index != row_index) return nullptr;
  auto it = std::lower_bound(row->cells.begin(), row->cells.end(), column,
                             [](const Cell& c, int col) { return c.column < col; });
  return it != row->cells.end() && it->column == column ? &*it : nullptr;
}

Cell& WorksheetPart::CellForValue(int row, int column) {
  Cell* cell = &TouchCell(row, column);
  if (cell->extra) {
    if (cell->HasFormula() && cell->extra->formula.type == "shared" && !cell->extra->formula.ref.empty()) {
      ExpandSharedFormulas();  // rewrites formula texts only: cell stays valid
    }
    cell->extra.reset();
  }
  return *cell;
}

void WorksheetPart::ExpandSharedFormulas() {
  struct Master {
    std::string text;
    int row = 0;
    int column = 0;
  };
  std::map<int, Master> masters;
  for (const Row& row : rows_) {
    for (const Cell& c : row.cells) {
      if (c.HasFormula() && c.extra->formula.type == "shared" && !c.extra->formula.ref.empty()) {
        masters[c.extra->formula.shared_index] = {c.extra->formula.text, row.index, c.column};
      }
    }
  }
  for (Row& row : rows_) {
    for (Cell& c : row.cells) {
      if (!c.HasFormula() || c.extra->formula.type != "shared") continue;
      CellFormula& f = c.extra->formula;
      auto m = masters.find(f.shared_index);
      if (m != masters.end() && f.ref.empty()) {
        f.text = TranslateFormula(m->second.text, row.index - m->second.row, c.column - m->second.column);
      }
      f.type.clear();
      f.ref.clear();
      f.shared_index = -1;
      changed_ = true;
    }
  }
}

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

void WorksheetPart::ShiftRowsOfSheetData(const Insertion& ins) {
  auto first = std::lower_bound(rows_.begin(), rows_.end(), ins.at,
                                [](const Row& r, int i) { return r.index < i; });
  for (auto it = first; it != rows_.end(); ++it) it->index += ins.count;
  while (!rows_.empty() && rows_.back().index > kMaxRows) rows_.pop_back();
  // New rows take the format of the row above, as the desktop spreadsheet's
  // default insertion does.
  if (ins.at <= 1) return;
  Row* above = FindRow(ins.at - 1);
  if (!above) return;
  std::vector<XmlAttr> attrs;
  for (const XmlAttr& a : above->attrs) {
    if (InheritedRowAttribute(a.name)) attrs.push_back(a);
  }
  std::vector<std::pair<int, int>> styled;  // column, style
  for (const Cell& c : above->cells) {
    if (c.style != 0) styled.emplace_back(c.column, c.style);
  }
  if (attrs.empty() && styled.empty()) return;
  first = std::lower_bound(rows_.begin(), rows_.end(), ins.at,
                           [](const Row& r, int i) { return r.index < i; });
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
    auto first = std::lower_bound(cells.begin(), cells.end(), ins.at,
                                  [](const Cell& c, int col) { return c.column < col; });
    for (auto it = first; it != cells.end(); ++it) it->column += ins.count;
    while (!cells.empty() && cells.back().column > kMaxColumns) cells.pop_back();
    if (ins.at <= 1) continue;
    // New cells take the format of the cell on their left.
    auto left = std::lower_bound(cells.begin(), cells.end(), ins.at - 1,
                                 [](const Cell& c, int col) { return c.column < col; });
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
  std::string host = own_sheet ? ins.sheet : std::string();
  std::vector<pugi::xml_node> to_remove;
  ForEachElement(doc_.document_element(), [&](pugi::xml_node n) {
    std::string_view ln = LocalName(n);
    if (ln == "sheetData") return false;
    std::string_view parent = LocalName(n.parent());
    bool format_range = ln == "conditionalFormatting" || ln == "dataValidation";
    for (pugi::xml_attribute a : n.attributes()) {
      std::string_view an = a.name();
      std::string before = a.value();
      std::string after = before;
      if (an == "location" && ln == "hyperlink") {
        after = ShiftFormula(before, ins, "");
      } else if (!own_sheet) {
        continue;
      } else if (an == "sqref" || (an == "ref" && ln != "dimension")) {
        after = ShiftSqref(before, ins, an == "sqref" && format_range ? Growth::Format : Growth::Reference);
        if (after.empty()) {
          // What lies wholly off the sheet goes; anything else keeps its range.
          if (Removable(ln) && std::find(to_remove.begin(), to_remove.end(), n) == to_remove.end()) {
            to_remove.push_back(n);
          }
          after = before;
        }
      } else if (an == "topLeftCell" || an == "activeCell") {
        after = ShiftSqref(before, ins, Growth::Reference);
        if (after.empty()) after = before;
      } else if (an == "id" && ln == "brk" &&
                 ((parent == "rowBreaks" && ins.rows) || (parent == "colBreaks" && !ins.rows))) {
        // A break's id is the zero-based index of the row (column) after it.
        int next = a.as_int() + 1;
        if (next >= ins.at) after = std::to_string(a.as_int() + ins.count);
      }
      if (after != before) {
        a.set_value(after.c_str());
        any = true;
      }
    }
    if (ln == "formula" || ln == "formula1" || ln == "formula2" || ln == "f") {
      std::string before = n.text().get();
      bool changed = false;
      std::string after = ShiftFormula(before, ins, host, &changed);
      if (changed) {
        n.text().set(after.c_str());
        any = true;
      }
      return false;
    }
    if (ln == "sqref" && own_sheet) {  // x14 formats and validations, sparkline cells
      std::string before = n.text().get();
      bool format_range = parent == "conditionalFormatting" || parent == "dataValidation";
      std::string after = ShiftSqref(before, ins, format_range ? Growth::Format : Growth::Reference);
      if (after != before) {
        n.text().set(after.c_str());
        any = true;
      }
      return false;
    }
    return true;
  });
  for (pugi::xml_node n : to_remove) n.parent().remove_child(n);
  return any;
}

void WorksheetPart::Insert(const Insertion& ins) {
  changed_ = true;
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

void WorksheetPart::UpdateDimension() {
  pugi::xml_node dim = ChildByLocalName(doc_.document_element(), "dimension");
  if (!dim) return;
  int min_row = 0, max_row = 0, min_col = kMaxColumns + 1, max_col = 0;
  for (const Row& row : rows_) {
    if (row.cells.empty()) continue;
    if (min_row == 0) min_row = row.index;
    max_row = row.index;
    min_col = std::min(min_col, row.cells.front().column);
    max_col = std::max(max_col, row.cells.back().column);
  }
  std::string ref = "A1";
  if (max_row > 0) {
    ref = CellName(min_row, min_col);
    if (min_row != max_row || min_col != max_col) ref += ":" + CellName(max_row, max_col);
  }
  dim.attribute("ref") ? dim.attribute("ref").set_value(ref.c_str())
                       : dim.append_attribute("ref").set_value(ref.c_str());
}

void WorksheetPart::AppendRow(std::string& out, const Row& row) const {
  const std::string& p = prefix_;
  {
    if (row.cells.empty() && row.attrs.empty()) return;
    out += '<';
    out += p;
    out += "row r=\"";
    AppendInt(out, row.index);
    out += '"';
    for (const XmlAttr& a : row.attrs) {
      out += ' ';
      out += a.name;
      out += "=\"";
      AppendEscaped(out, a.value, true);
      out += '"';
    }
    if (row.cells.empty()) {
      out += "/>";
      return;
    }
    out += '>';
    for (const Cell& c : row.cells) {
      out += '<';
      out += p;
      out += "c r=\"";
      AppendColumnLetters(out, c.column);
      AppendInt(out, row.index);
      out += '"';
      if (c.style != 0) {
        out += " s=\"";
        AppendInt(out, c.style);
        out += '"';
      }
      const char* t = TypeAttribute(c.type);
      bool has_inline = c.extra && !c.extra->inline_xml.empty();
      if (t && (c.has_value || c.HasFormula() || has_inline)) {
        out += " t=\"";
        out += t;
        out += '"';
      }
      if (c.extra) {
        for (const XmlAttr& a : c.extra->attrs) {
          out += ' ';
          out += a.name;
          out += "=\"";
          AppendEscaped(out, a.value, true);
          out += '"';
        }
      }
      if (!c.has_value && !c.HasFormula() && !has_inline) {
        out += "/>";
        continue;
      }
      out += '>';
      if (c.HasFormula()) {
        const CellFormula& f = c.extra->formula;
        out += '<';
        out += p;
        out += 'f';
        if (!f.type.empty()) out += " t=\"" + f.type + "\"";
        if (!f.ref.empty()) out += " ref=\"" + f.ref + "\"";
        if (f.shared_index >= 0) {
          out += " si=\"";
          AppendInt(out, f.shared_index);
          out += '"';
        }
        for (const XmlAttr& a : f.attrs) {
          out += ' ';
          out += a.name;
          out += "=\"";
          AppendEscaped(out, a.value, true);
          out += '"';
        }
        if (f.text.empty()) {
          out += "/>";
        } else {
          out += '>';
          AppendEscaped(out, f.text, false);
          out += "</";
          out += p;
          out += "f>";
        }
      }
      if (has_inline) out += c.extra->inline_xml;
      if (c.has_value) {
        out += '<';
        out += p;
        out += "v>";
        if (c.extra && c.extra->has_value_text) {
          AppendEscaped(out, c.extra->value_text, false);
        } else if (c.type == CellType::Number) {
          AppendDouble(out, c.number);
        } else {
          AppendInt(out, static_cast<long long>(c.number));
        }
        out += "</";
        out += p;
        out += "v>";
      }
      out += "</";
      out += p;
      out += "c>";
    }
    out += "</";
    out += p;
    out += "row>";
  }
}

void WorksheetPart::SplitFrame(std::string* head, std::string* tail) {
  UpdateDimension();
  std::string frame = SerializeXml(doc_);
  std::string marker = std::string("<!--") + kSheetDataMarker + "-->";
  size_t at = frame.find(marker);
  if (at == std::string::npos) throw PlatformError("internal error: the sheet data marker is lost");
  head->assign(frame, 0, at);
  tail->assign(frame, at + marker.size(), std::string::npos);
}

std::string WorksheetPart::Serialize() {
  std::string head, tail, out;
  SplitFrame(&head, &tail);
  out = head;
  for (const Row& row : rows_) AppendRow(out, row);
  out += tail;
  return out;
}

// Writes the rows on a second thread while the package writer compresses
// the pieces already made: serialising and deflating overlap.
class WorksheetPart::Stream : public PartStream {
 public:
  explicit Stream(std::shared_ptr<WorksheetPart> part) : part_(std::move(part)) {}
  ~Stream() override { Stop(); }

  void Restart() override {
    Stop();
    part_->SplitFrame(&head_, &tail_);
    phase_ = 0;
    queue_.clear();
    finished_ = false;
    stop_ = false;
    error_ = nullptr;
    producer_ = std::thread([this] { Produce(); });
  }

  long long SizeBound() override {
    long long bound = 4096;
    for (const Row& row : part_->rows_) {
      bound += 48;
      for (const XmlAttr& a : row.attrs) bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
      for (const Cell& c : row.cells) {
        bound += 80;  // tags, reference, style, type and a number
        if (!c.extra) continue;
        // Escaping makes text at most six times longer (&quot;).
        bound += 6 * static_cast<long long>(c.extra->formula.text.size() + c.extra->formula.ref.size() +
                                            c.extra->value_text.size() + c.extra->inline_xml.size()) + 64;
        for (const XmlAttr& a : c.extra->attrs) bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
        for (const XmlAttr& a : c.extra->formula.attrs) {
          bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
        }
      }
    }
    std::string head, tail;
    part_->SplitFrame(&head, &tail);
    return bound + static_cast<long long>(head.size() + tail.size());
  }
  bool Next(std::string& out) override {
    switch (phase_) {
      case 0:
        out += head_;
        phase_ = 1;
        return true;
      case 1: {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty() || finished_; });
        if (!queue_.empty()) {
          if (out.empty()) {
            out.swap(queue_.front());
            // The caller's spent buffer goes back to the producer, so that
            // a few large buffers serve the whole part.
            queue_.front().clear();
            spare_.push_back(std::move(queue_.front()));
          } else {
            out += queue_.front();
          }
          queue_.pop_front();
          ready_.notify_all();
          return true;
        }
        if (error_) std::rethrow_exception(error_);
        phase_ = 2;
      }
        [[fallthrough]];
      case 2:
        out += tail_;
        phase_ = 3;
        return true;
      default:
        return false;
    }
  }

  void Stop() override {
    if (!producer_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    ready_.notify_all();
    producer_.join();
  }

 private:
  void Produce() {
    // Pieces of about 1 MiB keep memory flat and the compressor busy.
    constexpr size_t kPiece = 1 << 20;
    constexpr size_t kQueued = 2;
    try {
      const std::vector<Row>& rows = part_->rows_;
      size_t next = 0;
      while (next < rows.size()) {
        std::string piece;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!spare_.empty()) {
            piece.swap(spare_.back());
            spare_.pop_back();
          }
        }
        piece.reserve(kPiece + 65536);
        while (next < rows.size() && piece.size() < kPiece) part_->AppendRow(piece, rows[next++]);
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return stop_ || queue_.size() < kQueued; });
        if (stop_) break;
        queue_.push_back(std::move(piece));
        ready_.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    ready_.notify_all();
  }

  std::shared_ptr<WorksheetPart> part_;
  std::string head_;
  std::string tail_;
  int phase_ = 0;
  std::thread producer_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::string> queue_;
  std::vector<std::string> spare_;
  bool finished_ = false;
  bool stop_ = false;
  std::exception_ptr error_;
};

std::shared_ptr<PartStream> WorksheetPart::MakeStream(std::shared_ptr<WorksheetPart> part) {
  return std::make_shared<Stream>(std::move(part));
}

}  // namespace tallyvane::ooxml
