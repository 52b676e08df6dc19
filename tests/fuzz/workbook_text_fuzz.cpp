// Fuzz target: whatever text a cell and a defined name are given, every part
// of the saved package is well-formed XML 1.0, the cell's shared string
// decodes to the text, the name's formula evaluates to it, and the engine
// opens the package again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>
#include <regex>
#include <string>

#include "ooxml/ooxml_application.h"
#include "ooxml/package.h"
#include "ooxml/xml_text.h"
#include "platform/platform_error.h"

namespace {

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Valid UTF-8 of characters that XML 1.0 allows, nothing else.
bool IsXmlText(const std::string& t) {
  if (!tallyvane::ooxml::IsValidUtf8(t)) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    if (c == 0xEF && i + 2 < t.size() && static_cast<unsigned char>(t[i + 1]) == 0xBF &&
        static_cast<unsigned char>(t[i + 2]) >= 0xBE) {
      return false;
    }
  }
  return true;
}

bool IsWellFormedXml10(const std::string& bytes) {
  if (!IsXmlText(bytes)) return false;
  pugi::xml_document doc;
  if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration)) return false;
  // Character references are decoded by now: &#1; shows here.
  for (const pugi::xpath_node& n : doc.select_nodes("//node() | //@*")) {
    if (!IsXmlText(n.attribute() ? n.attribute().value() : n.node().value())) return false;
  }
  return true;
}

// A shared string's text with its _xHHHH_ escapes undone.
std::string DecodeCellText(const std::string& t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t.compare(i, 2, "_x") == 0 && i + 6 < t.size() && t[i + 6] == '_' &&
        t.find_first_not_of("0123456789abcdefABCDEF", i + 2) == i + 6) {
      AppendUtf8(out, std::stoul(t.substr(i + 2, 4), nullptr, 16));
      i += 6;
    } else {
      out += t[i];
    }
  }
  return out;
}

// The value of a formula made of string constants and CHAR or UNICHAR
// calls joined by "&"; "#ERROR" for anything else.
std::string Evaluate(const std::string& f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {  // i: where a term begins
    if (f[i] == '"') {
      for (++i; i < f.size() && (f[i] != '"' || f.compare(i, 2, "\"\"") == 0); ++i) {
        if (f[i] == '"') ++i;  // a doubled quote stands for one
        out += f[i];
      }
      if (i++ == f.size()) return "#ERROR";
    } else {
      const std::size_t open = f.find('(', i);
      const std::size_t close = f.find(')', i);
      const std::string function = f.substr(i, open - i);
      if (close == std::string::npos || (function != "CHAR" && function != "_xlfn.UNICHAR")) return "#ERROR";
      AppendUtf8(out, std::stoul(f.substr(open + 1, close - open - 1)));
      i = close + 1;
    }
    // Past the term: the end, or "&" and the next term.
    if (i < f.size() && (f[i] != '&' || i + 1 == f.size())) return "#ERROR";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says where the cell's text ends and the name's begins.
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string cell = input.substr(0, data[0] % (input.size() + 1));
  const std::string name = input.substr(cell.size());
  static const std::string path = "/tmp/tallyvane-text-fuzz-" + std::to_string(getpid()) + ".xlsx";
  std::filesystem::copy_file(TALLYVANE_FUZZ_TEMPLATE, path, std::filesystem::copy_options::overwrite_existing);
  // A text that a cell or the name cannot hold may be refused, never
  // written so that the package breaks.
  bool cell_set = true;
  bool name_set = true;
  {
    auto app = tallyvane::CreateOoxmlSpreadsheetApp();
    auto wb = app->OpenWorkbook(path);
    try {
      wb->WorksheetByIndex(1)->SetCellValue(3, 3, tallyvane::Value::MakeText(cell));
    } catch (const tallyvane::PlatformError&) {
      cell_set = false;
    }
    try {
      wb->SetNameValue("N", name);
    } catch (const tallyvane::PlatformError&) {
      name_set = false;
    }
    wb->Save();
  }
  auto package = tallyvane::ooxml::Package::Open(path);
  for (const std::string& part : package->PartNames()) {
    static const std::regex xml_part("\\.(xml|rels)$");
    if (std::regex_search(part, xml_part) && !IsWellFormedXml10(package->Read(part))) std::abort();
  }
  const std::string expected = tallyvane::ooxml::ValidUtf8(cell);
  bool found = expected.empty() || !cell_set;
  if (!found) {
    const std::string bytes = package->Read("xl/sharedStrings.xml");
    pugi::xml_document strings;
    strings.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    for (pugi::xml_node si : strings.document_element().children("si")) {
      found = found || DecodeCellText(si.child("t").text().get()) == expected;
    }
  }
  const std::string workbook_bytes = package->Read("xl/workbook.xml");
  pugi::xml_document workbook;
  workbook.load_buffer(workbook_bytes.data(), workbook_bytes.size());
  const std::string formula =
      workbook.document_element().child("definedNames").find_child_by_attribute("name", "N").text().get();
  if (!found || (name_set && Evaluate(formula) != tallyvane::ooxml::ValidUtf8(name))) std::abort();
  tallyvane::CreateOoxmlSpreadsheetApp()->OpenWorkbook(path)->Save();
  unlink(path.c_str());
  return 0;
}
