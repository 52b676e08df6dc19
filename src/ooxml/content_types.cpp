#include "ooxml/content_types.h"

#include <strings.h>

#include <unordered_map>

#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {
namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

ContentTypes::ContentTypes(const std::string& bytes, const std::string& file) {
  ParseXml(doc_, bytes, file, "[Content_Types].xml");
}

bool IsContentType(const std::string& type, const char* expected) { return strcasecmp(type.c_str(), expected) == 0; }

std::string ContentTypes::TypeOf(const std::string& part) const { return TypesOf({part}).front(); }

std::vector<std::string> ContentTypes::TypesOf(const std::vector<std::string>& parts) const {
  // Part names and extensions compare without case; the first entry holds.
  std::unordered_map<std::string, std::string> overrides;
  std::unordered_map<std::string, std::string> defaults;
  for (pugi::xml_node n : doc_.document_element().children()) {
    if (LocalName(n) == "Override") {
      overrides.emplace(AsciiLower(n.attribute("PartName").value()), n.attribute("ContentType").value());
    } else if (LocalName(n) == "Default") {
      defaults.emplace(AsciiLower(n.attribute("Extension").value()), n.attribute("ContentType").value());
    }
  }
  std::vector<std::string> types;
  types.reserve(parts.size());
  for (const std::string& part : parts) {
    auto by_name = overrides.find(AsciiLower("/" + part));
    if (by_name != overrides.end()) {
      types.push_back(by_name->second);
      continue;
    }
    size_t dot = part.rfind('.');
    auto by_extension = defaults.find(AsciiLower(dot == std::string::npos ? "" : part.substr(dot + 1)));
    types.push_back(by_extension != defaults.end() ? by_extension->second : std::string());
  }
  return types;
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
