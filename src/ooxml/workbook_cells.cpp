#include "ooxml/workbook_cells.h"

#include <algorithm>
#include <charconv>
#include <pugixml.hpp>

#include "ooxml/formula_reference_lexer.h"
#include "ooxml/reference_shifter.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

using formula::FormulaValue;
using formula::SourceCell;

bool InBlock(const std::vector<RefArea>& blocks, int row, int column) {
  for (const RefArea& b : blocks) {
    if (row >= b.first.row && row <= b.last.row && column >= b.first.column && column <= b.last.column) return true;
  }
  return false;
}

std::string InlineText(const std::string& xml) {
  pugi::xml_document doc;
  std::string text;
  if (!doc.load_buffer(xml.data(), xml.size())) return text;
  ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
    if (LocalName(n) == "rPh") return false;
    if (LocalName(n) == "t") text += n.text().get();
    return true;
  });
  return text;
}

}  // namespace

WorkbookCells::WorkbookCells(std::vector<SheetSource> sheets, std::function<WorksheetPart&(int)> sheet,
                             SharedStrings* strings, const WorkbookPart& workbook,
                             std::vector<std::string> assigned_names)
    : sheets_(std::move(sheets)),
      sheet_(std::move(sheet)),
      strings_(strings),
      workbook_(workbook),
      assigned_names_(std::move(assigned_names)) {}

const WorkbookCells::Loaded& WorkbookCells::Load(int sheet) const {
  auto it = loaded_.find(sheet);
  if (it != loaded_.end()) return it->second;
  Loaded& l = loaded_[sheet];
  l.part = &sheet_(sheet);
  for (const Row& row : l.part->Rows()) {
    for (const XmlAttr& a : row.attrs) {
      if (a.name == "hidden" && (a.value == "1" || a.value == "true")) l.hidden_rows.push_back(row.index);
    }
    if (row.cells.empty()) continue;
    l.last_row = std::max(l.last_row, row.index);
    l.last_column = std::max(l.last_column, row.cells.back().column);
    for (const ooxml::Cell& c : row.cells) {
      if (!c.HasFormula()) continue;
      const CellFormula& f = c.extra->formula;
      RefArea area;
      size_t end = 0;
      if ((f.type == "array" || f.type == "dataTable") && ParseAreaAt(f.ref, 0, &area, &end) && !area.single) {
        l.blocks.push_back(area);
      }
      if (f.type == "shared" && !f.ref.empty() && f.shared_index >= 0) {
        l.shared_masters[f.shared_index] = &c;
        l.master_rows[f.shared_index] = row.index;
      }
    }
  }
  return l;
}

int WorkbookCells::FindSheet(std::string_view name) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (SameSheetName(sheets_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

SourceCell WorkbookCells::Convert(int sheet, int row, const ooxml::Cell& cell) const {
  SourceCell s;
  const Loaded& l = Load(sheet);
  if (cell.HasFormula()) {
    const CellFormula& f = cell.extra->formula;
    s.kind = SourceCell::Kind::Formula;
    s.array = f.type == "array" || f.type == "dataTable";
    s.formula = f.text;
    if (f.type == "shared" && f.ref.empty()) {
      auto m = l.shared_masters.find(f.shared_index);
      if (m == l.shared_masters.end()) {
        s.formula = std::string_view();
        s.array = true;  // unreadable: never certain
        return s;
      }
      const std::uint64_t key = (static_cast<std::uint64_t>(sheet) << 36) | (static_cast<std::uint64_t>(row) << 15) |
                                static_cast<std::uint64_t>(cell.column);
      auto t = translated_.find(key);
      if (t == translated_.end()) {
        t = translated_
                .emplace(key, TranslateFormula(m->second->extra->formula.text, row - l.master_rows.at(f.shared_index),
                                               cell.column - m->second->column))
                .first;
      }
      s.formula = t->second;
    }
    return s;
  }
  if (!l.blocks.empty() && InBlock(l.blocks, row, cell.column)) {
    // A result of an array formula or data table, as last computed.
    s.kind = SourceCell::Kind::Formula;
    s.array = true;
    return s;
  }
  if (!cell.has_value && !(cell.extra && !cell.extra->inline_xml.empty())) return s;
  s.kind = SourceCell::Kind::Value;
  const bool as_text = cell.extra && cell.extra->has_value_text;
  switch (cell.type) {
    case CellType::Number:
      if (as_text) {
        double d = 0;
        const std::string& t = cell.extra->value_text;
        auto r = std::from_chars(t.data(), t.data() + t.size(), d);
        s.value = FormulaValue::Number(d);
        s.certain = r.ec == std::errc() && r.ptr == t.data() + t.size();
      } else {
        s.value = FormulaValue::Number(cell.number);
      }
      break;
    case CellType::Boolean: s.value = FormulaValue::Boolean(cell.number != 0); break;
    case CellType::SharedString: {
      const std::string* t = strings_ ? strings_->TextAt(static_cast<int>(cell.number)) : nullptr;
      s.value = FormulaValue::Text(t ? *t : std::string());
      // Escaped characters (_xHHHH_) are not decoded here.
      s.certain = t && t->find("_x") == std::string::npos;
      break;
    }
    case CellType::String:
      s.value = FormulaValue::Text(as_text ? cell.extra->value_text : std::string());
      s.certain = s.value.text.find("_x") == std::string::npos;
      break;
    case CellType::Error: {
      formula::ErrorCode e = formula::ErrorCode::NA;
      formula::ErrorFromText(as_text ? cell.extra->value_text : std::string(), &e);
      s.value = FormulaValue::Error(e);
      break;
    }
    case CellType::InlineString:
      s.value = FormulaValue::Text(InlineText(cell.extra ? cell.extra->inline_xml : std::string()));
      s.certain = s.value.text.find("_x") == std::string::npos;
      break;
    case CellType::IsoDate:
      // A date as text: which serial number it stands for is not read here.
      s.value = FormulaValue::Text(as_text ? cell.extra->value_text : std::string());
      s.certain = false;
      break;
  }
  return s;
}

SourceCell WorkbookCells::Cell(int sheet, int row, int column) const {
  const ooxml::Cell* c = Load(sheet).part->FindCell(row, column);
  if (!c) {
    SourceCell s;
    if (!Load(sheet).blocks.empty() && InBlock(Load(sheet).blocks, row, column)) {
      s.kind = SourceCell::Kind::Formula;
      s.array = true;
    }
    return s;
  }
  return Convert(sheet, row, *c);
}

void WorkbookCells::ForEachCell(int sheet, const formula::Area& area,
                                const std::function<void(int, int, SourceCell&)>& visit) const {
  const std::vector<Row>& rows = Load(sheet).part->Rows();
  auto row =
      std::lower_bound(rows.begin(), rows.end(), area.first_row, [](const Row& r, int i) { return r.index < i; });
  for (; row != rows.end() && row->index <= area.last_row; ++row) {
    auto cell = std::lower_bound(row->cells.begin(), row->cells.end(), area.first_column,
                                 [](const ooxml::Cell& c, int col) { return c.column < col; });
    for (; cell != row->cells.end() && cell->column <= area.last_column; ++cell) {
      SourceCell s = Convert(sheet, row->index, *cell);
      if (s.kind != SourceCell::Kind::Empty) visit(row->index, cell->column, s);
    }
  }
}

int WorkbookCells::LastRow(int sheet) const { return Load(sheet).last_row; }
int WorkbookCells::LastColumn(int sheet) const { return Load(sheet).last_column; }

bool WorkbookCells::RowHidden(int sheet, int row) const {
  const std::vector<int>& hidden = Load(sheet).hidden_rows;
  return std::binary_search(hidden.begin(), hidden.end(), row);
}

bool WorkbookCells::SheetChanged(int sheet) const { return sheets_[static_cast<size_t>(sheet)].changed; }

bool WorkbookCells::FindName(std::string_view name, int sheet, std::string* formula, bool* changed) const {
  if (!workbook_.NameFormula(name, sheets_[static_cast<size_t>(sheet)].workbook_position, formula)) return false;
  *changed = false;
  for (const std::string& n : assigned_names_) {
    if (SameSheetName(n, name)) *changed = true;
  }
  return true;
}

}  // namespace tallyvane::ooxml
