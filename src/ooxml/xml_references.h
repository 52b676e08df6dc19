#pragma once
// Shifting the references that XML parts hold as element text (formulas)
// or as attributes (cell ranges).
#include <pugixml.hpp>
#include <string>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// Shifts the formula in the element's text; true when it changed.
bool ShiftFormulaText(pugi::xml_node element, const Insertion& ins, const std::string& host);
// Shifts the range list in the attribute; true when it changed. A list
// pushed off the sheet entirely is left as it was.
bool ShiftRangeAttribute(pugi::xml_attribute attribute, const Insertion& ins);

}  // namespace tallyvane::ooxml
