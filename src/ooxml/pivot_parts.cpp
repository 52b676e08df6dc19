#include "ooxml/pivot_parts.h"

#include "ooxml/formula_reference_lexer.h"
#include "ooxml/xml_references.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

bool PivotTableArea(const std::string& bytes, RefArea* area, const std::string& file, const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  std::string ref = ChildByLocalName(doc.document_element(), "location").attribute("ref").value();
  size_t end = 0;
  return ParseAreaAt(ref, 0, area, &end) && end == ref.size();
}

std::string ShiftPivotTableLocation(const std::string& bytes, const Insertion& ins, const std::string& file,
                                    const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  pugi::xml_attribute ref = ChildByLocalName(doc.document_element(), "location").attribute("ref");
  return ref && ShiftRangeAttribute(ref, ins) ? SerializeXml(doc) : std::string();
}

std::string RefreshPivotCacheOnLoad(const std::string& bytes, const std::function<bool(const std::string&)>& written,
                                    const std::string& file, const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  pugi::xml_node root = doc.document_element();
  pugi::xml_node source = ChildByLocalName(ChildByLocalName(root, "cacheSource"), "worksheetSource");
  if (!source) return std::string();  // external data, consolidations: not ours to judge
  bool stale = source.attribute("name") ? true : written(source.attribute("sheet").value());
  pugi::xml_attribute refresh = root.attribute("refreshOnLoad");
  if (!stale || (refresh && (std::string(refresh.value()) == "1" || std::string(refresh.value()) == "true"))) {
    return std::string();
  }
  (refresh ? refresh : root.append_attribute("refreshOnLoad")).set_value("1");
  return SerializeXml(doc);
}

std::string ShiftPivotCacheReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                      const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  bool any = false;
  ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
    if (LocalName(n) == "worksheetSource" && SameSheetName(n.attribute("sheet").value(), ins.sheet) &&
        n.attribute("ref")) {
      any = ShiftRangeAttribute(n.attribute("ref"), ins) || any;
    }
    return true;
  });
  return any ? SerializeXml(doc) : std::string();
}

}  // namespace tallyvane::ooxml
