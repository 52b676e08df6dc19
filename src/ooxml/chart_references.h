#pragma once
// Chart series formulas and pivot cache sources that point into worksheets.
#include <string>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// Each returns the new bytes of the part, or "" when nothing changed.
std::string ShiftChartReferences(const std::string& bytes, const Insertion& ins,
                                 const std::string& file, const std::string& part);

std::string ShiftPivotCacheReferences(const std::string& bytes, const Insertion& ins,
                                      const std::string& file, const std::string& part);

}  // namespace tallyvane::ooxml
