#include "ooxml/chart_references.h"

#include "ooxml/xml_references.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

std::string ShiftChartReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                 const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  bool any = false;
  ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
    if (LocalName(n) == "f") any = ShiftFormulaText(n, ins, "") || any;
    return true;
  });
  return any ? SerializeXml(doc) : std::string();
}

}  // namespace tallyvane::ooxml
