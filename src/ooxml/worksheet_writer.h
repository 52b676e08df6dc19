#pragma once
// Writes the sheetData model back as XML, one writer per element, so that a
// filled report's rows are produced by string appends, not an XML tree.
// prefix is the namespace prefix of the sheet's elements ("" or "x:").
#include <string>
#include <vector>

#include "ooxml/worksheet_cells.h"

namespace tallyvane::ooxml {

// ` name="value"` for each attribute, values escaped.
void WriteAttributes(std::string& out, const std::vector<XmlAttr>& attrs);
// The <f> element of a formula cell.
void WriteFormula(std::string& out, const CellFormula& formula, const std::string& prefix);
// The <v> element of a cell that has a value.
void WriteValue(std::string& out, const Cell& cell, const std::string& prefix);
// One <c> element; row is the cell's row number.
void WriteCell(std::string& out, const Cell& cell, int row, const std::string& prefix);
// One <row> element with its cells; nothing for a row without cells or attributes.
void WriteRow(std::string& out, const Row& row, const std::string& prefix);

}  // namespace tallyvane::ooxml
