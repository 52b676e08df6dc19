#include "ooxml/xml_references.h"

namespace tallyvane::ooxml {

bool ShiftFormulaText(pugi::xml_node n, const Insertion& ins, const std::string& host) {
  bool changed = false;
  std::string after = ShiftFormula(n.text().get(), ins, host, &changed);
  if (changed) n.text().set(after.c_str());
  return changed;
}

bool ShiftRangeAttribute(pugi::xml_attribute a, const Insertion& ins) {
  std::string before = a.value();
  std::string after = ShiftSqref(before, ins, Growth::Reference);
  if (after.empty() || after == before) return false;
  a.set_value(after.c_str());
  return true;
}

}  // namespace tallyvane::ooxml
