#include "ooxml/table_part.h"

#include <algorithm>

#include "ooxml/formula_reference_lexer.h"
#include "ooxml/xml_references.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

std::string ShiftTableReferences(const std::string& bytes, const Insertion& ins, bool own, const std::string& file,
                                 const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  bool any = false;
  std::string host = own ? ins.sheet : std::string();
  ForEachElement(doc.document_element(), [&](pugi::xml_node n) {
    std::string_view ln = LocalName(n);
    if (own && n.attribute("ref")) any = ShiftRangeAttribute(n.attribute("ref"), ins) || any;
    if (ln == "calculatedColumnFormula" || ln == "totalsRowFormula") any = ShiftFormulaText(n, ins, host) || any;
    return true;
  });
  return any ? SerializeXml(doc) : std::string();
}

std::string AddTableColumns(const std::string& bytes, int position, int count, std::vector<std::string>* names,
                            const std::string& file, const std::string& part) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, file, part);
  pugi::xml_node root = doc.document_element();
  pugi::xml_node columns = ChildByLocalName(root, "tableColumns");
  if (!columns) return std::string();
  std::string element = std::string(columns.name()).substr(0, std::string(columns.name()).size() - 1);  // tableColumn
  std::vector<pugi::xml_node> existing;
  int max_id = 0;
  for (pugi::xml_node c : columns.children()) {
    if (LocalName(c) != "tableColumn") continue;
    existing.push_back(c);
    max_id = std::max(max_id, c.attribute("id").as_int());
  }
  auto taken = [&](const std::string& name) {
    for (pugi::xml_node c : existing) {
      if (SameSheetName(c.attribute("name").value(), name)) return true;
    }
    for (const std::string& n : *names) {
      if (SameSheetName(n, name)) return true;
    }
    return false;
  };
  pugi::xml_node before =
      position < static_cast<int>(existing.size()) ? existing[static_cast<size_t>(position)] : pugi::xml_node();
  // The lowest free names, left to right, as LibreOffice gives them.
  int suffix = 1;
  for (int k = 0; k < count; ++k) {
    std::string name;
    do {
      name = "Column" + std::to_string(suffix++);
    } while (taken(name));
    names->push_back(name);
    pugi::xml_node c =
        before ? columns.insert_child_before(element.c_str(), before) : columns.append_child(element.c_str());
    c.append_attribute("id").set_value(max_id + k + 1);
    c.append_attribute("name").set_value(name.c_str());
  }
  if (columns.attribute("count")) columns.attribute("count").set_value(static_cast<int>(existing.size()) + count);
  // Filter settings name their column by position.
  pugi::xml_node filter = ChildByLocalName(root, "autoFilter");
  for (pugi::xml_node f : filter.children()) {
    if (LocalName(f) == "filterColumn" && f.attribute("colId").as_int() >= position) {
      f.attribute("colId").set_value(f.attribute("colId").as_int() + count);
    }
  }
  return SerializeXml(doc);
}

}  // namespace tallyvane::ooxml
