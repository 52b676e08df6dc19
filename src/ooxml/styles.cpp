#include "ooxml/styles.h"

#include <strings.h>

#include <vector>

#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

Styles::Styles(const std::string& bytes, const std::string& file) {
  ParseXml(doc_, bytes, file, "xl/styles.xml");
  pugi::xml_node root = doc_.document_element();
  cell_xfs_ = ChildByLocalName(root, "cellXfs");
  if (cell_xfs_) {
    for (pugi::xml_node xf : cell_xfs_.children()) {
      if (LocalName(xf) == "xf") ++xf_count_;
    }
  }
  pugi::xml_node fmts = ChildByLocalName(root, "numFmts");
  for (pugi::xml_node f : fmts.children()) {
    if (strcasecmp(f.attribute("formatCode").value(), "General") == 0) {
      custom_general_[f.attribute("numFmtId").as_int()] = true;
    }
  }
}

bool Styles::IsGeneral(int number_format) const {
  return number_format == 0 || custom_general_.count(number_format) > 0;
}

int Styles::FormatFor(int xf, int builtin_format) {
  if (xf == last_xf_ && builtin_format == last_format_) return last_result_;
  int result = CloneFor(xf, builtin_format);
  last_xf_ = xf;
  last_format_ = builtin_format;
  last_result_ = result;
  return result;
}

int Styles::CloneFor(int xf, int builtin_format) {
  if (!cell_xfs_ || xf_count_ == 0) return xf;
  if (xf < 0 || xf >= xf_count_) xf = 0;
  auto cached = clones_.find({xf, builtin_format});
  if (cached != clones_.end()) return cached->second;
  pugi::xml_node source;
  int i = 0;
  for (pugi::xml_node n : cell_xfs_.children()) {
    if (LocalName(n) != "xf") continue;
    if (i++ == xf) {
      source = n;
      break;
    }
  }
  if (!IsGeneral(source.attribute("numFmtId").as_int(0))) {
    clones_[{xf, builtin_format}] = xf;
    return xf;
  }
  pugi::xml_node clone = cell_xfs_.append_copy(source);
  pugi::xml_attribute fmt = clone.attribute("numFmtId");
  if (!fmt) fmt = clone.prepend_attribute("numFmtId");
  fmt.set_value(builtin_format);
  pugi::xml_attribute apply = clone.attribute("applyNumberFormat");
  if (!apply) apply = clone.append_attribute("applyNumberFormat");
  apply.set_value("1");
  int index = xf_count_++;
  pugi::xml_attribute count = cell_xfs_.attribute("count");
  if (count) count.set_value(xf_count_);
  clones_[{xf, builtin_format}] = index;
  changed_ = true;
  return index;
}

bool Styles::Locked(int xf) const {
  int i = 0;
  for (pugi::xml_node n : cell_xfs_.children()) {
    if (LocalName(n) != "xf" || i++ != xf) continue;
    const std::string locked = ChildByLocalName(n, "protection").attribute("locked").value();
    return locked != "0" && locked != "false";
  }
  return true;
}

std::string Styles::Serialize() const { return SerializeXml(doc_); }

}  // namespace tallyvane::ooxml
