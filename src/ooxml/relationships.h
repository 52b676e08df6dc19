#pragma once
// A part's relationships (_rels/*.rels): find targets, add and remove entries.
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace tallyvane::ooxml {

struct Relationship {
  std::string id;
  std::string type;    // full type URI
  std::string target;  // resolved part name ("xl/worksheets/sheet1.xml")
  bool external = false;
};

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string RelationshipsPartFor(const std::string& part);
// Resolves a relationship target against the part that holds it.
std::string ResolveTarget(const std::string& source_part, const std::string& target);
// True when the type URI ends with "/" + suffix ("worksheet", "calcChain").
bool TypeIs(const std::string& type, const char* suffix);

class Relationships {
 public:
  Relationships(const std::string& source_part, const std::string& bytes, const std::string& file);
  const std::vector<Relationship>& Items() const { return items_; }
  const Relationship* ById(const std::string& id) const;
  std::vector<Relationship> OfType(const char* suffix) const;
  void RemoveByTarget(const std::string& target_part);
  // Adds a relationship to target_part; returns its new id.
  std::string Add(const std::string& type, const std::string& target_part);
  std::string Serialize() const;

 private:
  std::string source_part_;
  pugi::xml_document doc_;
  std::vector<Relationship> items_;
};

}  // namespace tallyvane::ooxml
