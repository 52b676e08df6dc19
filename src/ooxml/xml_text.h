#pragma once
// XML helpers shared by the part readers and writers: safe parsing with a
// clear error, serialising with the usual declaration, escaping, and the
// _xHHHH_ encoding of characters that XML 1.0 cannot carry.
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace tallyvane::ooxml {

// Parses bytes into doc; throws PlatformError "cannot open "<file>": the
// part "<part>" is not well-formed XML (...)". DOCTYPEs are never expanded.
void ParseXml(pugi::xml_document& doc, const std::string& bytes, const std::string& file, const std::string& part);
std::string SerializeXml(const pugi::xml_document& doc);

// The element name without its namespace prefix.
std::string_view LocalName(const pugi::xml_node& node);
std::string_view LocalName(const pugi::xml_attribute& attribute);
pugi::xml_node ChildByLocalName(const pugi::xml_node& parent, std::string_view local);

// Visits root and every element below it without recursion (hostile
// nesting depth); visit returns whether to go into the element's children.
void ForEachElement(pugi::xml_node root, const std::function<bool(pugi::xml_node)>& visit);

// Escapes & < > (and " in attributes) onto out.
void AppendEscaped(std::string& out, std::string_view text, bool attribute);
// Text as a cell or shared string stores it: characters that XML 1.0 cannot
// carry become _xHHHH_, and a literal "_xHHHH_" is protected as _x005F_xHHHH_.
std::string EncodeCellText(std::string_view text);
bool NeedsSpacePreserve(std::string_view text);
// The text with every byte sequence that is not UTF-8 replaced by U+FFFD,
// so that the part stays readable XML.
std::string ValidUtf8(std::string_view text);
bool IsValidUtf8(std::string_view text);
// The length as the desktop spreadsheet counts it (UTF-16 code units).
size_t Utf16Length(std::string_view text);

}  // namespace tallyvane::ooxml
