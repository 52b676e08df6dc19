#include "ooxml/workbook_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "formula/evaluator.h"
#include "ooxml/cross_part_shifter.h"
#include "ooxml/date_serial.h"
#include "ooxml/formula_reference_lexer.h"
#include "ooxml/pivot_parts.h"
#include "ooxml/shared_strings_stream.h"
#include "ooxml/workbook_cells.h"
#include "ooxml/worksheet_stream.h"
#include "ooxml/xml_text.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"

namespace tallyvane::ooxml {
namespace {

const char kRelOfficeDocument[] = "officeDocument";
const char kSharedStringsType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
const char kSharedStringsContentType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

bool IsWorkbookContentType(const std::string& type) {
  return type.find("spreadsheetml.sheet.main+xml") != std::string::npos ||
         type.find("spreadsheetml.template.main+xml") != std::string::npos ||
         type.find("ms-excel.sheet.macroEnabled.main+xml") != std::string::npos ||
         type.find("ms-excel.template.macroEnabled.main+xml") != std::string::npos;
}

// The longest text a cell holds; a longer one makes the desktop spreadsheet
// repair the file.
constexpr size_t kMaxCellText = 32767;

// Whether a computed result can be saved as it is: texts that the part
// would have to escape (_xHHHH_) or that a cell cannot hold are left to
// the reader to compute.
bool StorableResult(const formula::FormulaValue& v) {
  if (v.kind != formula::FormulaValue::Kind::Text)
    return v.IsNumber() || v.kind == formula::FormulaValue::Kind::Boolean;
  if (v.text.size() > kMaxCellText || !IsValidUtf8(v.text) || v.text.find("_x") != std::string::npos) return false;
  for (char c : v.text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

bool HoldsResult(const Cell& cell, const formula::FormulaValue& v) {
  if (!cell.has_value) return false;
  const bool as_text = cell.extra && cell.extra->has_value_text;
  if (v.IsNumber()) return cell.type == CellType::Number && !as_text && cell.number == v.number;
  if (v.kind == formula::FormulaValue::Kind::Boolean) return cell.type == CellType::Boolean && cell.number == v.number;
  return cell.type == CellType::String && as_text && cell.extra->value_text == v.text;
}

// Saves a result in a formula cell, with the type its value needs.
void StoreResult(Cell& cell, const formula::FormulaValue& v) {
  if (v.IsNumber()) {
    cell.SetNumber(CellType::Number, v.number);
  } else if (v.kind == formula::FormulaValue::Kind::Boolean) {
    cell.SetNumber(CellType::Boolean, v.number);
  } else {
    cell.type = CellType::String;
    cell.has_value = true;
    cell.number = 0;
    cell.extra->has_value_text = true;
    cell.extra->value_text = v.text;
  }
}

}  // namespace

WorkbookDocument::WorkbookDocument(const std::string& path, const std::string& shown)
    : path_(path), shown_(shown.empty() ? path : shown) {
  package_ = Package::Open(path, {}, shown_);
  auto fail = [&](const std::string& reason) -> void {
    throw PlatformError("cannot open " + Quoted(shown_) + ": " + reason);
  };
  if (!package_->Has("[Content_Types].xml")) fail("not a workbook package (no [Content_Types].xml)");
  content_types_ = std::make_unique<ContentTypes>(package_->Read("[Content_Types].xml"), shown_);
  if (!package_->Has("_rels/.rels")) fail("not a workbook package (no package relationships)");
  Relationships root("", package_->Read("_rels/.rels"), shown_);
  for (const Relationship& r : root.Items()) {
    if (TypeIs(r.type, kRelOfficeDocument) && !r.external) workbook_part_name_ = r.target;
  }
  if (workbook_part_name_.empty() || !package_->Has(workbook_part_name_)) {
    fail("the package holds no workbook part");
  }
  std::string type = content_types_->TypeOf(workbook_part_name_);
  if (!IsWorkbookContentType(type)) {
    fail("not a spreadsheet workbook (its main part is of type " + Quoted(type) + ")");
  }
  workbook_ = std::make_unique<WorkbookPart>(package_->Read(workbook_part_name_), shown_);
  workbook_rels_ = ReadRelationships(workbook_part_name_);
  // A broken entry of a sheet that the run never uses is no reason to
  // refuse the workbook: other readers open it, and so does this one.
  std::string first_broken;
  for (const SheetEntry& e : workbook_->Sheets()) {
    const Relationship* r = workbook_rels_->ById(e.relationship_id);
    std::string broken;
    if (!r) {
      broken = "the sheet " + Quoted(e.name) + " has no part";
    } else if (!TypeIs(r->type, "worksheet")) {
      continue;  // chart sheets and macro sheets are not in the worksheet collection
    } else if (!package_->Has(r->target)) {
      broken = "the part of the sheet " + Quoted(e.name) + " is missing";
    }
    if (first_broken.empty()) first_broken = broken;
    sheets_.push_back({e.name, broken.empty() ? r->target : std::string(), broken});
  }
  if (std::none_of(sheets_.begin(), sheets_.end(), [](const SheetInfo& s) { return s.broken.empty(); })) {
    fail(first_broken.empty() ? "the workbook has no worksheet" : first_broken);
  }
  written_.assign(sheets_.size(), false);
}

void WorkbookDocument::CheckOpen() const {
  if (!IsOpen()) throw PlatformError("the workbook " + Quoted(path_) + " is closed");
}

int WorkbookDocument::FindWorksheet(const std::string& name) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (SameSheetName(sheets_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::unique_ptr<Relationships> WorkbookDocument::ReadRelationships(const std::string& part) {
  std::string rels = RelationshipsPartFor(part);
  return std::make_unique<Relationships>(part, package_->Has(rels) ? package_->Read(rels) : "", shown_);
}

WorksheetPart& WorkbookDocument::Sheet(int index) {
  auto it = loaded_.find(index);
  if (it != loaded_.end()) return *it->second;
  const SheetInfo& info = sheets_.at(static_cast<size_t>(index));
  if (!info.broken.empty()) throw PlatformError("cannot open " + Quoted(shown_) + ": " + info.broken);
  const std::string& part = info.part;
  auto sheet = std::make_shared<WorksheetPart>(part, package_->Read(part), shown_);
  WorksheetPart& ref = *sheet;
  loaded_[index] = std::move(sheet);
  return ref;
}

SharedStrings& WorkbookDocument::Strings() {
  if (strings_) return *strings_;
  for (const Relationship& r : workbook_rels_->OfType("sharedStrings")) {
    if (package_->Has(r.target)) strings_part_ = r.target;
  }
  if (strings_part_.empty()) {
    strings_part_ = "xl/sharedStrings.xml";
    strings_ = std::make_shared<SharedStrings>("", shown_);
  } else {
    strings_ = std::make_shared<SharedStrings>(package_->Read(strings_part_), shown_);
  }
  return *strings_;
}

Styles* WorkbookDocument::StylesPart() {
  if (styles_ || styles_missing_) return styles_.get();
  for (const Relationship& r : workbook_rels_->OfType("styles")) {
    if (package_->Has(r.target)) styles_ = std::make_unique<Styles>(package_->Read(r.target), shown_);
  }
  styles_missing_ = !styles_;
  return styles_.get();
}

void WorkbookDocument::SetCellValue(int sheet, int row, int column, const Value& value) {
  CheckOpen();
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
    throw PlatformError("cannot write the cell at row " + std::to_string(row) + ", column " + std::to_string(column) +
                        " of the worksheet " + Quoted(WorksheetName(sheet)) +
                        ": it lies outside the sheet (rows 1 to 1048576, columns 1 to 16384)");
  }
  if (value.kind == Value::Kind::Binary) throw PlatformError("Type mismatch");
  const std::string refusal = WriteRefusal(sheet, row, column);
  if (!refusal.empty()) throw PlatformError(CannotWrite(sheet, row, column) + ": " + refusal);
  WriteCell(sheet, row, column, value);
}

std::string WorkbookDocument::WriteRefusal(int sheet, int row, int column) {
  WorksheetPart& ws = Sheet(sheet);
  // The style sheet is read only when a protected sheet needs it.
  std::string refusal = ws.WriteRefusal(row, column, ws.Protected() ? StylesPart() : nullptr);
  if (!refusal.empty()) return refusal;
  for (const RefArea& area : PivotTableAreas(sheet)) {
    if (row >= area.first.row && row <= area.last.row && column >= area.first.column && column <= area.last.column) {
      std::string ref;
      AppendArea(ref, area);
      return "it would change part of the pivot table in " + ref;
    }
  }
  return std::string();
}

const std::vector<RefArea>& WorkbookDocument::PivotTableAreas(int sheet) {
  auto known = pivot_areas_.find(sheet);
  if (known != pivot_areas_.end()) return known->second;
  std::vector<RefArea> areas;  // kept only once every part was read
  for (const Relationship& r : ReadRelationships(sheets_[static_cast<size_t>(sheet)].part)->OfType("pivotTable")) {
    RefArea area;
    if (package_->Has(r.target) && PivotTableArea(package_->Read(r.target), &area, shown_, r.target)) {
      areas.push_back(area);
    }
  }
  return pivot_areas_[sheet] = std::move(areas);
}

// Writes a cell that may be written; the engine's own writes (the header
// of a new table column) come here directly.
void WorkbookDocument::WriteCell(int sheet, int row, int column, const Value& value) {
  WorksheetPart& ws = Sheet(sheet);
  edited_ = true;
  written_[static_cast<size_t>(sheet)] = true;
  if (value.kind == Value::Kind::Null || (value.kind == Value::Kind::Text && value.text.empty())) {
    ws.ReleaseSpill(row, column);
    ws.ClearCell(row, column);
    return;
  }
  // Refuse what the cell cannot hold before touching it.
  if (value.kind == Value::Kind::Text && value.text.size() > kMaxCellText && Utf16Length(value.text) > kMaxCellText) {
    throw PlatformError(CannotWrite(sheet, row, column) + ": the text is longer than the " +
                        std::to_string(kMaxCellText) + " characters a cell can hold");
  }
  double serial = 0;
  int format = 0;
  if (value.kind == Value::Kind::Date || value.kind == Value::Kind::DateTime || value.kind == Value::Kind::Time) {
    serial = DateTimeSerial(sheet, row, column, value, &format);
  }
  // A value over a dynamic array's cells leaves no stale spilled result.
  ws.ReleaseSpill(row, column);
  Cell& cell = ws.CellForValue(row, column);
  switch (value.kind) {
    case Value::Kind::Integer: cell.SetNumber(CellType::Number, static_cast<double>(value.integer)); return;
    case Value::Kind::Number:
    case Value::Kind::Decimal:
      if (!std::isfinite(value.number)) {
        // A workbook cannot hold an infinite or undefined number.
        cell.type = CellType::Error;
        cell.has_value = true;
        cell.extra = std::make_unique<CellExtra>();
        cell.extra->has_value_text = true;
        cell.extra->value_text = "#NUM!";
        return;
      }
      cell.SetNumber(CellType::Number, value.number);
      return;
    case Value::Kind::Text: cell.SetNumber(CellType::SharedString, Strings().Index(value.text)); return;
    case Value::Kind::Boolean: cell.SetNumber(CellType::Boolean, value.boolean ? 1 : 0); return;
    case Value::Kind::Date:
    case Value::Kind::DateTime:
    case Value::Kind::Time:
      cell.SetNumber(CellType::Number, serial);
      if (Styles* styles = StylesPart()) cell.style = styles->FormatFor(cell.style, format);
      return;
    case Value::Kind::Null:
    case Value::Kind::Binary: return;
  }
}

std::string WorkbookDocument::CannotWrite(int sheet, int row, int column) const {
  return "cannot write the cell " + CellName(row, column) + " of the worksheet " + Quoted(WorksheetName(sheet));
}

double WorkbookDocument::DateTimeSerial(int sheet, int row, int column, const Value& v, int* format) {
  const DateTime& dt = v.date_time;
  double serial = 0;
  *format = kFormatTime;
  if (v.kind != Value::Kind::Time) {
    if (!DateSerial(dt.year, dt.month, dt.day, workbook_->Date1904(), &serial)) {
      char text[48];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d", dt.year, dt.month, dt.day);
      throw PlatformError(CannotWrite(sheet, row, column) + ": the date " + text +
                          " is not a valid date of the workbook's date system (from " +
                          (workbook_->Date1904() ? "1904-01-01" : "1900-01-01") + ")");
    }
    *format = v.kind == Value::Kind::Date ? kFormatDate : kFormatDateTime;
  }
  if (v.kind != Value::Kind::Date) {
    if (dt.hour < 0 || dt.hour > 23 || dt.minute < 0 || dt.minute > 59 || dt.second < 0 || dt.second > 59 ||
        dt.nanosecond >= 1000000000u) {
      throw PlatformError(CannotWrite(sheet, row, column) + ": the time of day is not valid");
    }
    serial += TimeFraction(dt.hour, dt.minute, dt.second, dt.nanosecond);
  }
  return serial;
}

void WorkbookDocument::Insert(int sheet, InsertKind kind, int at, int count) {
  CheckOpen();
  const bool rows = kind == InsertKind::Rows;
  const std::string& name = sheets_.at(static_cast<size_t>(sheet)).name;
  const char* what = rows ? "rows" : "columns";
  int max = rows ? kMaxRows : kMaxColumns;
  std::string where = std::string("cannot insert ") + std::to_string(count) + " " + what + " at " +
                      (rows ? "row " : "column ") + std::to_string(at) + " of the worksheet " + Quoted(name);
  if (at < 1 || at > max) throw PlatformError(where + ": the position lies outside the sheet");
  if (count < 0 || count > max) throw PlatformError(where + ": the count is not valid");
  if (count == 0) return;
  Insertion ins{name, rows, at, count};
  WorksheetPart& ws = Sheet(sheet);
  // Refused insertions change nothing.
  std::string refusal = ws.InsertionRefusal(ins);
  if (refusal.empty()) refusal = PivotTableRefusal(sheet, ins);
  if (!refusal.empty()) throw PlatformError(where + ": " + refusal);
  if (ws.WouldPushOffContent(ins)) {
    throw PlatformError(where + ": non-empty cells would be pushed off the sheet");
  }
  edited_ = true;
  written_[static_cast<size_t>(sheet)] = true;
  pivot_areas_.erase(sheet);
  ws.Insert(ins);
  for (int i = 0; i < WorksheetCount(); ++i) {
    if (i == sheet || !sheets_[static_cast<size_t>(i)].broken.empty()) continue;
    if (!loaded_.count(i)) {
      std::string bytes = package_->Read(sheets_[static_cast<size_t>(i)].part);
      if (!MayMentionSheet(bytes, name)) continue;
    }
    Sheet(i).ShiftReferencesTo(ins);
  }
  workbook_->ShiftNames(ins);
  ShiftOtherParts(sheet, ins);
}

std::string WorkbookDocument::PivotTableRefusal(int sheet, const Insertion& ins) {
  for (const Relationship& r : ReadRelationships(sheets_[static_cast<size_t>(sheet)].part)->OfType("pivotTable")) {
    RefArea area;
    if (package_->Has(r.target) && PivotTableArea(package_->Read(r.target), &area, shown_, r.target) &&
        SplitsArea(area, ins)) {
      std::string ref;
      AppendArea(ref, area);
      return "it would change part of the pivot table in " + ref;
    }
  }
  return std::string();
}

void WorkbookDocument::ShiftOtherParts(int sheet, const Insertion& ins) {
  std::unique_ptr<Relationships> rels = ReadRelationships(sheets_[static_cast<size_t>(sheet)].part);
  for (const NewTableHeader& h : ShiftCrossPartReferences(*package_, *content_types_, *rels, ins, shown_)) {
    WriteCell(sheet, h.row, h.column, Value::MakeText(h.name));
  }
}

void WorkbookDocument::SetNameText(const std::string& name, const std::string& text) {
  CheckOpen();
  std::string repaired;
  const std::string& valid = IsValidUtf8(text) ? text : (repaired = ValidUtf8(text));
  if (!workbook_->SetNameText(name, valid)) {
    throw PlatformError("the name " + Quoted(name) + " is not defined in the workbook");
  }
  edited_ = true;
  assigned_names_.push_back(name);
}

bool WorkbookDocument::HasName(const std::string& name) const {
  CheckOpen();
  return workbook_->HasName(name);
}

std::string WorkbookDocument::NameFormula(const std::string& name) const {
  CheckOpen();
  // The workbook's own name: no sheet has the position -1.
  std::string formula;
  workbook_->NameFormula(name, -1, &formula);
  return formula;
}

void WorkbookDocument::Save() {
  CheckOpen();
  if (edited_) DropStaleResults();
  for (auto& [index, sheet] : loaded_) {
    if (sheet->Changed()) package_->WriteStream(sheet->PartName(), MakeWorksheetStream(sheet));
  }
  if (strings_ && strings_->Changed()) {
    package_->WriteStream(strings_part_, MakeSharedStringsStream(strings_));
    if (workbook_rels_->OfType("sharedStrings").empty()) {
      workbook_rels_->Add(kSharedStringsType, strings_part_);
      workbook_rels_changed_ = true;
    }
    if (content_types_->TypeOf(strings_part_) != kSharedStringsContentType) {
      content_types_->SetOverride(strings_part_, kSharedStringsContentType);
    }
  }
  if (styles_ && styles_->Changed()) {
    for (const Relationship& r : workbook_rels_->OfType("styles")) package_->Write(r.target, styles_->Serialize());
  }
  // The calculation chain would be stale after the edits: drop it and let
  // the desktop spreadsheet recalculate everything on open.
  for (const Relationship& r : workbook_rels_->OfType("calcChain")) {
    package_->Remove(r.target);
    content_types_->RemoveOverride(r.target);
    workbook_rels_->RemoveByTarget(r.target);
    workbook_rels_changed_ = true;
  }
  workbook_->RequestFullCalculation();
  package_->Write(workbook_part_name_, workbook_->Serialize());
  if (workbook_rels_changed_) {
    package_->Write(RelationshipsPartFor(workbook_part_name_), workbook_rels_->Serialize());
  }
  if (content_types_->Changed()) package_->Write("[Content_Types].xml", content_types_->Serialize());
  package_->SaveTo(path_, kDeflateLevel);
}

// The rule for cached results: once anything in the workbook was written
// (a cell, an insertion, a defined name), the result of a formula may have
// changed. Readers that never calculate show the cached result, and
// LibreOffice shows it too, so a formula keeps one only when it is sure:
// computed by the evaluator from what it reads, all the way back, by rules
// every spreadsheet shares; or, where the evaluator cannot compute it, the
// template's own result when nothing it reads was written, moved or
// assigned and nothing volatile or unknown is on the way. Every other
// formula cell loses its result and is computed on open. Pivot caches whose
// source data may have been written are marked to refresh on open.
void WorkbookDocument::DropStaleResults() {
  std::vector<int> with_formulas;
  for (int i = 0; i < WorksheetCount(); ++i) {
    if (!sheets_[static_cast<size_t>(i)].broken.empty()) continue;
    if (!loaded_.count(i)) {
      const std::string bytes = package_->Read(sheets_[static_cast<size_t>(i)].part);
      // No formula element (<f>, <f .../>, <x:f>) means nothing to drop.
      if (bytes.find("f>") == std::string::npos && bytes.find("<f ") == std::string::npos &&
          bytes.find(":f ") == std::string::npos) {
        continue;
      }
    }
    with_formulas.push_back(i);
  }
  // The benchmark measures the cost of computing results against none.
  if (std::getenv("TALLYVANE_BENCH_NO_RESULTS")) {
    for (int i : with_formulas) Sheet(i).DropCachedResults();
    with_formulas.clear();
  }
  std::vector<WorkbookCells::SheetSource> sources;
  for (size_t i = 0; i < sheets_.size(); ++i) {
    WorkbookCells::SheetSource source{sheets_[i].name, written_[i], -1};
    const std::vector<SheetEntry>& entries = workbook_->Sheets();
    for (size_t k = 0; k < entries.size(); ++k) {
      if (entries[k].name == sheets_[i].name) source.workbook_position = static_cast<int>(k);
    }
    sources.push_back(std::move(source));
  }
  WorkbookCells cells(
      std::move(sources), [this](int i) -> WorksheetPart& { return Sheet(i); }, &Strings(), *workbook_,
      assigned_names_);
  formula::Evaluator evaluator(cells, workbook_->Date1904());
  struct Result {
    int row;
    int column;
    formula::CellResult result;
  };
  std::vector<std::vector<Result>> results(with_formulas.size());
  try {
    for (size_t k = 0; k < with_formulas.size(); ++k) {
      const int sheet = with_formulas[k];
      for (const Row& row : Sheet(sheet).Rows()) {
        for (const Cell& c : row.cells) {
          if (c.HasFormula())
            results[k].push_back({row.index, c.column, evaluator.Evaluate(sheet, row.index, c.column)});
        }
      }
    }
  } catch (const std::exception&) {
    // A sheet the formulas read that cannot be loaded: no result is kept
    // or computed, as before results were computed at all.
    results.assign(with_formulas.size(), {});
  }
  for (size_t k = 0; k < with_formulas.size(); ++k) {
    WorksheetPart& ws = Sheet(with_formulas[k]);
    const std::vector<Result>& sheet_results = results[k];
    auto find = [&](int row, int column) -> const formula::CellResult* {
      auto it = std::lower_bound(
          sheet_results.begin(), sheet_results.end(), std::make_pair(row, column),
          [](const Result& r, const std::pair<int, int>& at) { return std::make_pair(r.row, r.column) < at; });
      return it != sheet_results.end() && it->row == row && it->column == column ? &it->result : nullptr;
    };
    ws.DropCachedResults([&](int row, int column) {
      const formula::CellResult* r = find(row, column);
      return r && ((r->certain && StorableResult(r->value)) || !r->changed);
    });
    for (const Result& r : sheet_results) {
      if (!r.result.certain || !StorableResult(r.result.value)) continue;
      // A sheet whose results are already right is saved as it was.
      const Cell* cell = ws.FindCell(r.row, r.column);
      if (!cell || !HoldsResult(*cell, r.result.value)) StoreResult(ws.TouchCell(r.row, r.column), r.result.value);
    }
  }
  auto written = [&](const std::string& sheet) {
    int index = FindWorksheet(sheet);
    return index < 0 || written_[static_cast<size_t>(index)];
  };
  // Pivot caches are found as the insertion finds them, by content type.
  const std::vector<std::string> parts = package_->PartNames();
  const std::vector<std::string> types = content_types_->TypesOf(parts);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!IsContentType(types[i], kPivotCacheDefinitionType)) continue;
    const std::string& part = parts[i];
    const std::string bytes = RefreshPivotCacheOnLoad(package_->Read(part), written, path_, part);
    if (!bytes.empty()) package_->Write(part, bytes);
  }
}

void WorkbookDocument::Close() {
  loaded_.clear();
  strings_.reset();
  styles_.reset();
  workbook_rels_.reset();
  workbook_.reset();
  content_types_.reset();
  package_.reset();
}

}  // namespace tallyvane::ooxml
