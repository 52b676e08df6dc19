#pragma once
// Chart series formulas that point into worksheets.
#include <string>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// The new bytes of the chart part, or "" when nothing changed.
std::string ShiftChartReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                 const std::string& part);

}  // namespace tallyvane::ooxml
