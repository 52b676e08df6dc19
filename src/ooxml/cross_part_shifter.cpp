#include "ooxml/cross_part_shifter.h"

#include <algorithm>

#include "ooxml/chart_references.h"
#include "ooxml/content_types.h"
#include "ooxml/drawing_anchors.h"
#include "ooxml/formula_reference_lexer.h"
#include "ooxml/package.h"
#include "ooxml/pivot_parts.h"
#include "ooxml/relationships.h"
#include "ooxml/table_part.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

const char kTableType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";
const char kChartType[] = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
const char kChartExType[] = "application/vnd.ms-office.chartex+xml";

// Each returns the new bytes of the part, or "" when nothing changed.
using PartShifter = std::string (*)(const std::string& bytes, const Insertion& ins, const std::string& file,
                                    const std::string& part);

std::string ShiftVmlShapes(const std::string& bytes, const Insertion& ins, const std::string&, const std::string&) {
  return ShiftVmlAnchors(bytes, ins);
}

// A table of another sheet names the inserted-into sheet only in formulas.
std::string ShiftOtherTable(const std::string& bytes, const Insertion& ins, const std::string& file,
                            const std::string& part) {
  return ShiftTableReferences(bytes, ins, false, file, part);
}

// The sheet's own parts besides its tables, by relationship type.
struct SheetPartKind {
  const char* relationship;
  PartShifter shift;
};
const SheetPartKind kSheetPartKinds[] = {
    {"drawing", ShiftDrawingAnchors},
    {"comments", ShiftCommentReferences},
    {"threadedComment", ShiftCommentReferences},
    {"vmlDrawing", ShiftVmlShapes},
    {"pivotTable", ShiftPivotTableLocation},
};

// Parts anywhere in the package that may name the sheet, by content type.
struct ReferringPartKind {
  const char* content_type;
  PartShifter shift;
};
const ReferringPartKind kReferringPartKinds[] = {
    {kTableType, ShiftOtherTable},
    {kChartType, ShiftChartReferences},
    {kChartExType, ShiftChartReferences},
    {kPivotCacheDefinitionType, ShiftPivotCacheReferences},
};

PartShifter ReferringPartShifter(const std::string& content_type) {
  for (const ReferringPartKind& kind : kReferringPartKinds) {
    if (IsContentType(content_type, kind.content_type)) return kind.shift;
  }
  return nullptr;
}

void Update(Package& package, const std::string& part, const std::string& bytes) {
  if (!bytes.empty()) package.Write(part, bytes);
}

// A table of the inserted-into sheet: its ranges move, and columns inserted
// inside it become columns of the table, named in its header row.
void ShiftOwnTable(Package& package, const std::string& part, const Insertion& ins, const std::string& file,
                   std::vector<NewTableHeader>* headers) {
  std::string bytes = package.Read(part);
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  pugi::xml_node table = doc.document_element();
  RefArea area;
  size_t end = 0;
  bool inside = false;
  std::string ref = table.attribute("ref").value();
  if (!ins.rows && ParseAreaAt(ref, 0, &area, &end) && !area.single) {
    inside = ins.at > area.first.column && ins.at <= area.last.column;
  }
  std::string shifted = ShiftTableReferences(bytes, ins, true, file, part);
  if (!shifted.empty()) bytes = shifted;
  if (inside) {
    std::vector<std::string> names;
    bytes = AddTableColumns(bytes, ins.at - area.first.column, ins.count, &names, file, part);
    if (std::string(table.attribute("headerRowCount").value()) != "0") {
      for (size_t k = 0; k < names.size(); ++k) {
        headers->push_back({area.first.row, ins.at + static_cast<int>(k), names[k]});
      }
    }
    shifted = bytes;
  }
  Update(package, part, shifted);
}

// The parts the sheet's relationships lead to; returns its tables.
std::vector<std::string> ShiftSheetParts(Package& package, const Relationships& rels, const Insertion& ins,
                                         const std::string& file, std::vector<NewTableHeader>* headers) {
  std::vector<std::string> tables;
  for (const Relationship& r : rels.Items()) {
    if (r.external || !package.Has(r.target)) continue;
    if (TypeIs(r.type, "table")) {
      tables.push_back(r.target);
      ShiftOwnTable(package, r.target, ins, file, headers);
      continue;
    }
    for (const SheetPartKind& kind : kSheetPartKinds) {
      if (TypeIs(r.type, kind.relationship)) {
        Update(package, r.target, kind.shift(package.Read(r.target), ins, file, r.target));
        break;
      }
    }
  }
  return tables;
}

// The parts anywhere in the package that may name the sheet, found by their
// content type; the sheet's own tables are already done.
void ShiftReferringParts(Package& package, const ContentTypes& types, const Insertion& ins, const std::string& file,
                         const std::vector<std::string>& own_tables) {
  const std::vector<std::string> parts = package.PartNames();
  const std::vector<std::string> part_types = types.TypesOf(parts);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    PartShifter shift = ReferringPartShifter(part_types[i]);
    if (!shift || std::find(own_tables.begin(), own_tables.end(), part) != own_tables.end()) continue;
    std::string bytes = package.Read(part);
    if (MayMentionSheet(bytes, ins.sheet)) Update(package, part, shift(bytes, ins, file, part));
  }
}

}  // namespace

std::vector<NewTableHeader> ShiftCrossPartReferences(Package& package, const ContentTypes& types,
                                                     const Relationships& sheet_relationships, const Insertion& ins,
                                                     const std::string& file) {
  std::vector<NewTableHeader> headers;
  const std::vector<std::string> own_tables = ShiftSheetParts(package, sheet_relationships, ins, file, &headers);
  ShiftReferringParts(package, types, ins, file, own_tables);
  return headers;
}

}  // namespace tallyvane::ooxml
