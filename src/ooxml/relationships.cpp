#include "ooxml/relationships.h"

#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

std::string RelationshipsPartFor(const std::string& part) {
  size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
}

std::string ResolveTarget(const std::string& source_part, const std::string& target) {
  std::string path;
  if (!target.empty() && target[0] == '/') {
    path = target.substr(1);
  } else {
    size_t slash = source_part.rfind('/');
    path = (slash == std::string::npos ? "" : source_part.substr(0, slash + 1)) + target;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string seg = path.substr(i, j - i);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    i = j + 1;
  }
  std::string out;
  for (const std::string& p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return out;
}

bool TypeIs(const std::string& type, const char* suffix) {
  std::string s = std::string("/") + suffix;
  return type.size() >= s.size() && type.compare(type.size() - s.size(), s.size(), s) == 0;
}

Relationships::Relationships(const std::string& source_part, const std::string& bytes, const std::string& file)
    : source_part_(source_part) {
  if (bytes.empty()) {
    doc_.append_child("Relationships")
        .append_attribute("xmlns")
        .set_value("http://schemas.openxmlformats.org/package/2006/relationships");
    return;
  }
  ParseXml(doc_, bytes, file, RelationshipsPartFor(source_part));
  for (pugi::xml_node r : doc_.document_element().children()) {
    if (LocalName(r) != "Relationship") continue;
    Relationship rel;
    rel.id = r.attribute("Id").value();
    rel.type = r.attribute("Type").value();
    rel.external = std::string(r.attribute("TargetMode").value()) == "External";
    rel.target =
        rel.external ? r.attribute("Target").value() : ResolveTarget(source_part, r.attribute("Target").value());
    items_.push_back(rel);
  }
}

const Relationship* Relationships::ById(const std::string& id) const {
  for (const Relationship& r : items_) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

std::vector<Relationship> Relationships::OfType(const char* suffix) const {
  std::vector<Relationship> out;
  for (const Relationship& r : items_) {
    if (TypeIs(r.type, suffix)) out.push_back(r);
  }
  return out;
}

void Relationships::RemoveByTarget(const std::string& target_part) {
  pugi::xml_node root = doc_.document_element();
  for (size_t i = 0; i < items_.size();) {
    if (!items_[i].external && items_[i].target == target_part) {
      for (pugi::xml_node r : root.children()) {
        if (std::string(r.attribute("Id").value()) == items_[i].id) {
          root.remove_child(r);
          break;
        }
      }
      items_.erase(items_.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

std::string Relationships::Add(const std::string& type, const std::string& target_part) {
  int n = 1;
  while (ById("rId" + std::to_string(n))) ++n;
  std::string id = "rId" + std::to_string(n);
  // Targets are written relative to the source part's folder when possible.
  std::string folder;
  size_t slash = source_part_.rfind('/');
  if (slash != std::string::npos) folder = source_part_.substr(0, slash + 1);
  std::string target = "/" + target_part;
  if (!folder.empty() && target_part.compare(0, folder.size(), folder) == 0) {
    target = target_part.substr(folder.size());
  }
  pugi::xml_node r = doc_.document_element().append_child("Relationship");
  r.append_attribute("Id").set_value(id.c_str());
  r.append_attribute("Type").set_value(type.c_str());
  r.append_attribute("Target").set_value(target.c_str());
  items_.push_back({id, type, target_part, false});
  return id;
}

std::string Relationships::Serialize() const { return SerializeXml(doc_); }

}  // namespace tallyvane::ooxml
