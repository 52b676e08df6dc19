#include "ooxml/worksheet_writer.h"

#include <charconv>

#include "ooxml/cell_reference.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

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

void OpenTag(std::string& out, const std::string& prefix, const char* name) {
  out += '<';
  out += prefix;
  out += name;
}

void CloseTag(std::string& out, const std::string& prefix, const char* name) {
  out += "</";
  out += prefix;
  out += name;
  out += '>';
}

}  // namespace

void WriteAttributes(std::string& out, const std::vector<XmlAttr>& attrs) {
  for (const XmlAttr& a : attrs) {
    out += ' ';
    out += a.name;
    out += "=\"";
    AppendEscaped(out, a.value, true);
    out += '"';
  }
}

void WriteFormula(std::string& out, const CellFormula& formula, const std::string& prefix) {
  OpenTag(out, prefix, "f");
  if (!formula.type.empty()) out += " t=\"" + formula.type + "\"";
  if (!formula.ref.empty()) out += " ref=\"" + formula.ref + "\"";
  if (formula.shared_index >= 0) {
    out += " si=\"";
    AppendInt(out, formula.shared_index);
    out += '"';
  }
  WriteAttributes(out, formula.attrs);
  if (formula.text.empty()) {
    out += "/>";
    return;
  }
  out += '>';
  AppendEscaped(out, formula.text, false);
  CloseTag(out, prefix, "f");
}

void WriteValue(std::string& out, const Cell& cell, const std::string& prefix) {
  OpenTag(out, prefix, "v");
  out += '>';
  if (cell.extra && cell.extra->has_value_text) {
    AppendEscaped(out, cell.extra->value_text, false);
  } else if (cell.type == CellType::Number) {
    AppendDouble(out, cell.number);
  } else {
    AppendInt(out, static_cast<long long>(cell.number));
  }
  CloseTag(out, prefix, "v");
}

void WriteCell(std::string& out, const Cell& cell, int row, const std::string& prefix) {
  OpenTag(out, prefix, "c");
  out += " r=\"";
  AppendColumnLetters(out, cell.column);
  AppendInt(out, row);
  out += '"';
  if (cell.style != 0) {
    out += " s=\"";
    AppendInt(out, cell.style);
    out += '"';
  }
  const bool has_inline = cell.extra && !cell.extra->inline_xml.empty();
  const bool has_content = cell.has_value || cell.HasFormula() || has_inline;
  // The type describes the content, so an emptied cell loses it.
  const char* type = TypeAttribute(cell.type);
  if (type && has_content) {
    out += " t=\"";
    out += type;
    out += '"';
  }
  if (cell.extra) WriteAttributes(out, cell.extra->attrs);
  if (!has_content) {
    out += "/>";
    return;
  }
  out += '>';
  if (cell.HasFormula()) WriteFormula(out, cell.extra->formula, prefix);
  if (has_inline) out += cell.extra->inline_xml;
  if (cell.has_value) WriteValue(out, cell, prefix);
  CloseTag(out, prefix, "c");
}

void WriteRow(std::string& out, const Row& row, const std::string& prefix) {
  if (row.cells.empty() && row.attrs.empty()) return;
  OpenTag(out, prefix, "row");
  out += " r=\"";
  AppendInt(out, row.index);
  out += '"';
  WriteAttributes(out, row.attrs);
  if (row.cells.empty()) {
    out += "/>";
    return;
  }
  out += '>';
  for (const Cell& cell : row.cells) WriteCell(out, cell, row.index, prefix);
  CloseTag(out, prefix, "row");
}

}  // namespace tallyvane::ooxml
