#pragma once
// The package's [Content_Types].xml: which content type each part has.
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace tallyvane::ooxml {

inline constexpr char kPivotCacheDefinitionType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml";

// Whether a part's content type is the given one; media types are
// case-insensitive.
bool IsContentType(const std::string& type, const char* expected);

class ContentTypes {
 public:
  ContentTypes(const std::string& bytes, const std::string& file);
  // The content type of a part ("xl/workbook.xml"), or "" when unknown.
  std::string TypeOf(const std::string& part) const;
  // The content type of each of the parts, as TypeOf gives it, looked up
  // at once: a whole package costs one pass over the entries.
  std::vector<std::string> TypesOf(const std::vector<std::string>& parts) const;
  void RemoveOverride(const std::string& part);
  void SetOverride(const std::string& part, const std::string& type);
  bool Changed() const { return changed_; }
  std::string Serialize() const;

 private:
  pugi::xml_document doc_;
  bool changed_ = false;
};

}  // namespace tallyvane::ooxml
