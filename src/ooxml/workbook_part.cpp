#include "ooxml/workbook_part.h"

#include <algorithm>

#include "ooxml/formula_reference_lexer.h"
#include "ooxml/xml_text.h"
#include "platform/platform_error.h"

namespace tallyvane::ooxml {

namespace {

// The namespace of the workbook's elements; the parts of one package share it.
std::string MainNamespace(pugi::xml_node root) {
  const std::string name = root.name();
  const size_t colon = name.find(':');
  const std::string attribute = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
  return root.attribute(attribute.c_str()).value();
}

// The transitional and strict namespaces of the standard. Others (the
// pre-standard format of 2006) number and name their parts differently,
// and reading them as the standard would write to the wrong places.
bool KnownNamespace(const std::string& uri) {
  return uri == "http://schemas.openxmlformats.org/spreadsheetml/2006/main" ||
         uri == "http://purl.oclc.org/ooxml/spreadsheetml/main";
}

}  // namespace

WorkbookPart::WorkbookPart(const std::string& bytes, const std::string& file) {
  ParseXml(doc_, bytes, file, "xl/workbook.xml");
  pugi::xml_node root = doc_.document_element();
  const std::string uri = MainNamespace(root);
  if (!KnownNamespace(uri)) {
    throw PlatformError("cannot open \"" + file +
                        "\": the workbook is written in a format this program does not "
                        "know (namespace \"" +
                        uri + "\"); open it in a spreadsheet program and save it as .xlsx");
  }
  pugi::xml_node pr = ChildByLocalName(root, "workbookPr");
  std::string d = pr.attribute("date1904").value();
  date1904_ = d == "1" || d == "true";
  for (pugi::xml_node s : ChildByLocalName(root, "sheets").children()) {
    if (LocalName(s) != "sheet") continue;
    SheetEntry e;
    e.name = s.attribute("name").value();
    for (pugi::xml_attribute a : s.attributes()) {
      if (LocalName(a) == "id" && std::string_view(a.name()) != "sheetId") e.relationship_id = a.value();
    }
    sheets_.push_back(e);
  }
}

namespace {

// The code of a character that XML 1.0 cannot carry, or that would not read
// back as itself (a carriage return becomes a line feed), at t[i] of valid
// UTF-8; -1 for every other character.
long UnwritableCharacter(const std::string& t, size_t i) {
  unsigned char c = static_cast<unsigned char>(t[i]);
  if (c < 0x20 && c != '\t' && c != '\n') return c;
  if (c == 0xEF && i + 2 < t.size() && static_cast<unsigned char>(t[i + 1]) == 0xBF &&
      (static_cast<unsigned char>(t[i + 2]) & 0xFE) == 0xBE) {
    return 0xFFFE + (t[i + 2] & 1);
  }
  return -1;
}

}  // namespace

std::string TextConstantFormula(const std::string& value) {
  // A long text is neither copied when it is valid nor left to grow the
  // formula by doubling: the formula is about as long as the text.
  std::string repaired;
  const std::string& text = IsValidUtf8(value) ? value : (repaired = ValidUtf8(value));
  std::string out;
  out.reserve(text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '"')) +
              3 * (text.size() / 255) + 8);
  bool open = false;  // inside a string constant
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (long code = UnwritableCharacter(text, i); code >= 0) {
      // No function makes a NUL character (CHAR starts at 1).
      if (code == 0) throw PlatformError("the text holds a NUL character, which a defined name cannot hold");
      out += open ? "\"&" : out.empty() ? "" : "&";
      out += code < 0x20 ? "CHAR(" + std::to_string(code) + ")" : "_xlfn.UNICHAR(" + std::to_string(code) + ")";
      if (code > 0xFF) i += 2;
      open = false;
      continue;
    }
    bool starts_char = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts_char && (!open || chars == 255)) {
      out += open ? "\"&\"" : out.empty() ? "\"" : "&\"";
      open = true;
      chars = 0;
    }
    chars += starts_char;
    out += text[i];
    if (text[i] == '"') out += '"';
  }
  if (open) out += '"';
  return out.empty() ? "\"\"" : out;
}

namespace {

pugi::xml_node FindWorkbookName(const pugi::xml_document& doc, const std::string& name) {
  pugi::xml_node names = ChildByLocalName(doc.document_element(), "definedNames");
  for (pugi::xml_node n : names.children()) {
    if (LocalName(n) != "definedName" || n.attribute("localSheetId")) continue;
    if (SameSheetName(n.attribute("name").value(), name)) return n;
  }
  return pugi::xml_node();
}

}  // namespace

bool WorkbookPart::HasName(const std::string& name) const { return bool(FindWorkbookName(doc_, name)); }

bool WorkbookPart::NameFormula(std::string_view name, int local_sheet_id, std::string* text) const {
  pugi::xml_node names = ChildByLocalName(doc_.document_element(), "definedNames");
  pugi::xml_node global;
  for (pugi::xml_node n : names.children()) {
    if (LocalName(n) != "definedName" || !SameSheetName(n.attribute("name").value(), name)) continue;
    pugi::xml_attribute local = n.attribute("localSheetId");
    if (!local) {
      global = n;
    } else if (local.as_int(-1) == local_sheet_id) {
      *text = n.text().get();
      return true;
    }
  }
  if (!global) return false;
  *text = global.text().get();
  return true;
}

bool WorkbookPart::SetNameText(const std::string& name, const std::string& text) {
  if (pugi::xml_node n = FindWorkbookName(doc_, name)) {
    std::string formula = TextConstantFormula(text);
    if (n.first_child()) {
      n.text().set(formula.c_str());
    } else {
      n.append_child(pugi::node_pcdata).set_value(formula.c_str());
    }
    return true;
  }
  return false;
}

void WorkbookPart::ShiftNames(const Insertion& ins) {
  pugi::xml_node names = ChildByLocalName(doc_.document_element(), "definedNames");
  for (pugi::xml_node n : names.children()) {
    if (LocalName(n) != "definedName") continue;
    bool changed = false;
    std::string after = ShiftFormula(n.text().get(), ins, "", &changed);
    if (changed) n.text().set(after.c_str());
  }
}

void WorkbookPart::RequestFullCalculation() {
  pugi::xml_node root = doc_.document_element();
  pugi::xml_node calc = ChildByLocalName(root, "calcPr");
  if (!calc) {
    // calcPr follows definedNames (or sheets) in the schema's order.
    std::string prefix;
    std::string rn = root.name();
    if (rn.find(':') != std::string::npos) prefix = rn.substr(0, rn.find(':') + 1);
    pugi::xml_node after;
    for (const char* earlier : {"sheets", "functionGroups", "externalReferences", "definedNames"}) {
      if (pugi::xml_node n = ChildByLocalName(root, earlier)) after = n;
    }
    calc = after ? root.insert_child_after((prefix + "calcPr").c_str(), after)
                 : root.append_child((prefix + "calcPr").c_str());
  }
  pugi::xml_attribute full = calc.attribute("fullCalcOnLoad");
  if (!full) full = calc.append_attribute("fullCalcOnLoad");
  full.set_value("1");
}

std::string WorkbookPart::Serialize() const { return SerializeXml(doc_); }

}  // namespace tallyvane::ooxml
