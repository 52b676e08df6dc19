#include "ooxml/worksheet_part.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "ooxml/cell_reference.h"
#include "ooxml/worksheet_writer.h"
#include "ooxml/xml_text.h"
#include "platform/platform_error.h"

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

int ParseInt(std::string_view s, int fallback) {
  int v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : fallback;
}

const std::string* FindAttr(const std::vector<XmlAttr>& attrs, std::string_view name) {
  for (const XmlAttr& a : attrs) {
    if (a.name == name) return &a.value;
  }
  return nullptr;
}

// Forgets the result a cell holds, and the type attribute that describes it.
// An empty <v/> (as some libraries write for formulas) holds no result.
bool DropResult(Cell& c) {
  const bool empty = c.has_value && c.extra && c.extra->has_value_text && c.extra->value_text.empty();
  if ((!c.has_value || empty) && c.type == CellType::Number) return false;
  c.has_value = false;
  c.number = 0;
  c.type = CellType::Number;
  if (c.extra) {
    c.extra->has_value_text = false;
    c.extra->value_text.clear();
  }
  return true;
}

// Whether the cell anchors an array formula or a data table, which the
// blocks of the sheet are made of.
bool HoldsBlock(const Cell& c) {
  return c.HasFormula() && (c.extra->formula.type == "array" || c.extra->formula.type == "dataTable");
}

CellExtra& ExtraOf(std::unique_ptr<CellExtra>& extra) {
  if (!extra) extra = std::make_unique<CellExtra>();
  return *extra;
}

// Numbers, Booleans and shared-string indexes are kept as numbers; any
// other value (an error, a formula's text result, an ISO date) as its text.
void LoadValue(pugi::xml_node v, Cell& cell, std::unique_ptr<CellExtra>& extra) {
  cell.has_value = true;
  std::string_view text = v.text().get();
  double number = 0;
  const bool numeric =
      cell.type == CellType::Number || cell.type == CellType::SharedString || cell.type == CellType::Boolean;
  auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (numeric && !text.empty() && parsed.ec == std::errc() && parsed.ptr == text.data() + text.size()) {
    cell.number = number;
    return;
  }
  ExtraOf(extra).has_value_text = true;
  extra->value_text.assign(text);
}

void LoadFormula(pugi::xml_node f, CellExtra& extra) {
  extra.has_formula = true;
  extra.formula.text = f.text().get();
  for (pugi::xml_attribute a : f.attributes()) {
    std::string_view n = a.name();
    if (n == "t")
      extra.formula.type = a.value();
    else if (n == "ref")
      extra.formula.ref = a.value();
    else if (n == "si")
      extra.formula.shared_index = a.as_int(-1);
    else
      extra.formula.attrs.push_back({a.name(), a.value()});
  }
}

// An inline string is kept as stored and written back unchanged.
void LoadInlineString(pugi::xml_node is, CellExtra& extra) {
  struct Writer : pugi::xml_writer {
    std::string* s = nullptr;
    void write(const void* d, size_t n) override { s->append(static_cast<const char*>(d), n); }
  } writer;
  writer.s = &extra.inline_xml;
  is.print(writer, "", pugi::format_raw);
}

Cell LoadCell(pugi::xml_node cn, int previous_column) {
  Cell cell;
  int row = 0, column = 0;
  pugi::xml_attribute ra = cn.attribute("r");
  cell.column = ra && ParseCellName(ra.value(), &row, &column) ? column : previous_column + 1;
  std::unique_ptr<CellExtra> extra;
  for (pugi::xml_attribute a : cn.attributes()) {
    std::string_view n = a.name();
    if (n == "r") continue;
    if (n == "s")
      cell.style = a.as_int();
    else if (n == "t")
      cell.type = TypeFromAttribute(a.value());
    else
      ExtraOf(extra).attrs.push_back({a.name(), a.value()});
  }
  for (pugi::xml_node child : cn.children()) {
    std::string_view ln = LocalName(child);
    if (ln == "v")
      LoadValue(child, cell, extra);
    else if (ln == "f")
      LoadFormula(child, ExtraOf(extra));
    else if (ln == "is")
      LoadInlineString(child, ExtraOf(extra));
  }
  cell.extra = std::move(extra);
  return cell;
}

// A row without r follows the one before it, as a cell without r does.
Row LoadRow(pugi::xml_node rn, int previous_row) {
  Row row;
  row.index = rn.attribute("r") ? rn.attribute("r").as_int() : previous_row + 1;
  for (pugi::xml_attribute a : rn.attributes()) {
    std::string_view n = a.name();
    if (n != "r" && n != "spans") row.attrs.push_back({a.name(), a.value()});
  }
  int previous_column = 0;
  bool sorted = true;
  for (pugi::xml_node cn : rn.children()) {
    if (cn.type() != pugi::node_element || LocalName(cn) != "c") continue;
    Cell cell = LoadCell(cn, previous_column);
    if (cell.column <= previous_column) sorted = false;
    previous_column = cell.column;
    row.cells.push_back(std::move(cell));
  }
  if (!sorted) {
    std::stable_sort(row.cells.begin(), row.cells.end(),
                     [](const Cell& a, const Cell& b) { return a.column < b.column; });
  }
  return row;
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
    throw PlatformError("cannot open \"" + file + "\": the worksheet part \"" + part_ + "\" has no sheetData");
  }
  LoadSheetData(sheet_data, file);
  const std::string on = ChildByLocalName(root, "sheetProtection").attribute("sheet").value();
  protected_ = on == "1" || on == "true";
  while (sheet_data.first_child()) sheet_data.remove_child(sheet_data.first_child());
  sheet_data.append_child(pugi::node_comment).set_value(kSheetDataMarker);
  LoadColumns();
}

void WorksheetPart::LoadSheetData(pugi::xml_node sheet_data, const std::string& file) {
  int previous_row = 0;
  bool sorted = true;
  for (pugi::xml_node rn : sheet_data.children()) {
    if (rn.type() != pugi::node_element || LocalName(rn) != "row") continue;
    Row row = LoadRow(rn, previous_row);
    if (row.index < 1 || row.index > kMaxRows) {
      throw PlatformError("cannot open \"" + file + "\": a row number in the part \"" + part_ + "\" is out of range");
    }
    if (row.index <= previous_row) sorted = false;
    previous_row = row.index;
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
  auto it = std::lower_bound(rows_.begin(), rows_.end(), index, [](const Row& r, int i) { return r.index < i; });
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
  auto it = std::lower_bound(rows_.begin(), rows_.end(), index, [](const Row& r, int i) { return r.index < i; });
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
  auto it = std::lower_bound(cells.begin(), cells.end(), column, [](const Cell& c, int col) { return c.column < col; });
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
  if (HoldsBlock(*it)) blocks_known_ = false;
  it->has_value = false;
  it->number = 0;
  it->type = CellType::Number;
  it->extra.reset();
}

const Cell* WorksheetPart::FindCell(int row_index, int column) const {
  auto row = std::lower_bound(rows_.begin(), rows_.end(), row_index, [](const Row& r, int i) { return r.index < i; });
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
    if (HoldsBlock(*cell)) blocks_known_ = false;
    cell->extra.reset();
  }
  return *cell;
}

const std::vector<WorksheetPart::Block>& WorksheetPart::Blocks() {
  if (blocks_known_) return blocks_;
  blocks_.clear();
  for (const Row& row : rows_) {
    for (const Cell& c : row.cells) {
      if (!c.HasFormula()) continue;
      const CellFormula& f = c.extra->formula;
      if (f.type != "array" && f.type != "dataTable") continue;
      RefArea area;
      size_t end = 0;
      if (!ParseAreaAt(f.ref, 0, &area, &end) || end != f.ref.size() || area.single) continue;
      // Cell metadata on an array formula marks a dynamic array: its
      // other cells hold results only, and may be written over.
      const bool spill = f.type == "array" && FindAttr(c.extra->attrs, "cm") != nullptr;
      blocks_.push_back({area, row.index, c.column, spill, f.type == "array" ? "array formula" : "data table"});
    }
  }
  blocks_known_ = true;
  return blocks_;
}

namespace {

bool Contains(const RefArea& area, int row, int column) {
  return row >= area.first.row && row <= area.last.row && column >= area.first.column && column <= area.last.column;
}

}  // namespace

std::string WorksheetPart::WriteRefusal(int row, int column, const Styles* styles) {
  for (const Block& b : Blocks()) {
    if (!b.spill && Contains(b.area, row, column)) {
      std::string ref;
      AppendArea(ref, b.area);
      return "it would change part of the " + b.what + " in " + ref;
    }
  }
  if (!protected_) return std::string();
  int style = 0;
  if (const Cell* c = FindCell(row, column)) {
    style = c->style;
  } else {
    static const Row kNoRow;
    const Row* existing = FindRow(row);
    style = InheritedStyle(existing ? *existing : kNoRow, column);
  }
  if (styles && !styles->Locked(style)) return std::string();
  return "the cell is locked and the worksheet is protected";
}

void WorksheetPart::ReleaseSpill(int row, int column) {
  for (const Block& found : Blocks()) {
    if (!found.spill || !Contains(found.area, row, column)) continue;
    const Block b = found;  // the list is rebuilt once a cell changes
    for (auto r = std::lower_bound(rows_.begin(), rows_.end(), b.area.first.row,
                                   [](const Row&x, int i) { return x.index < i; });
         r != rows_.end() && r->index <= b.area.last.row; ++r) {
      for (Cell& c : r->cells) {
        const bool anchor = r->index == b.row && c.column == b.column;
        if (anchor || c.HasFormula() || c.column < b.area.first.column || c.column > b.area.last.column) continue;
        if (c.has_value || (c.extra && !c.extra->inline_xml.empty())) {
          c.has_value = false;
          c.number = 0;
          c.type = CellType::Number;
          c.extra.reset();
        }
      }
    }
    if (row != b.row || column != b.column) {
      if (Row* r = FindRow(b.row)) {
        auto c = std::lower_bound(r->cells.begin(), r->cells.end(), b.column,
                                  [](const Cell& x, int col) { return x.column < col; });
        if (c != r->cells.end() && c->column == b.column && c->HasFormula()) {
          c->extra->formula.ref = CellName(b.row, b.column);
          DropResult(*c);
        }
      }
    }
    blocks_known_ = false;
    changed_ = true;
    return;
  }
}

bool WorksheetPart::DropCachedResults(const std::function<bool(int row, int column)>& keep) {
  bool any = false;
  std::vector<RefArea> blocks;  // multi-cell arrays and data tables
  for (Row& row : rows_) {
    for (Cell& c : row.cells) {
      if (!c.HasFormula()) continue;
      const CellFormula& f = c.extra->formula;
      RefArea area;
      size_t end = 0;
      if ((f.type == "array" || f.type == "dataTable") && ParseAreaAt(f.ref, 0, &area, &end) && !area.single) {
        blocks.push_back(area);
      }
      if (keep && keep(row.index, c.column)) continue;
      any = DropResult(c) || any;
    }
  }
  // The other cells of such a block hold results of the same formula.
  for (const RefArea& b : blocks) {
    auto row =
        std::lower_bound(rows_.begin(), rows_.end(), b.first.row, [](const Row& r, int i) { return r.index < i; });
    for (; row != rows_.end() && row->index <= b.last.row; ++row) {
      for (Cell& c : row->cells) {
        if (c.column >= b.first.column && c.column <= b.last.column) any = DropResult(c) || any;
      }
    }
  }
  if (any) changed_ = true;
  return any;
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
  for (const Row& row : rows_) WriteRow(out, row, prefix_);
  out += tail;
  return out;
}

}  // namespace tallyvane::ooxml
