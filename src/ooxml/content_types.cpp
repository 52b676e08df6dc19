#include "ooxml/content_types.h"

#include <strings.h>

#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

ContentTypes::ContentTypes(const std::string& bytes, const std::string& file) {
  ParseXml(doc_, bytes, file, "[Content_Types].xml");
}

std::string ContentTypes::TypeOf(const std::string& part) const {
  std::string name = "/" + part;
  for (pugi::xml_node n : doc_.document_element().children()) {
    if (LocalName(n) == "Override" && strcasecmp(n.attribute("PartName").value(), name.c_str()) == 0) {
      return n.attribute("ContentType").value();
    }
  }
  size_t dot = part.rfind('.');
  std::string ext = dot == std::string::npos ? "" : part.substr(dot + 1);
  for (pugi::xml_node n : doc_.document_element().children()) {
    if (LocalName(n) == "Default" && strcasecmp(n.attribute("Extension").value(), ext.c_str()) == 0) {
      return n.attribute("ContentType").value();
    }
  }
  return "";
}

void ContentTypes::RemoveOverride(const std::string& part) {
  std::string name = "/" + part;
  pugi::xml_node root = doc_.document_element();
  for (pugi::xml_node n = root.first_child(); n;) {
    pugi::xml_node next = n.next_sibling();
    if (LocalName(n) == "Override" && strcasecmp(n.attribute("PartName").value(), name.c_str()) == 0) {
      root.remove_child(n);
      changed_ = true;
    }
    n = next;
  }
}

void ContentTypes::SetOverride(const std::string& part, const std::string& type) {
  RemoveOverride(part);
  pugi::xml_node n = doc_.document_element().append_child("Override");
  n.append_attribute("PartName").set_value(("/" + part).c_str());
  n.append_attribute("ContentType").set_value(type.c_str());
  changed_ = true;
}

std::string ContentTypes::Serialize() const { return SerializeXml(doc_); }

}  // namespace tallyvane::ooxml
