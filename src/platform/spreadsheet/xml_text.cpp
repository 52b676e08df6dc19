#include "platform/spreadsheet/xml_text.h"

#include <cstring>
#include <sstream>

#include "platform/platform_error.h"

namespace tallyvane::ooxml {
namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

struct StringWriter : pugi::xml_writer {
  std::string* out;
  void write(const void* data, size_t size) override {
    out->append(static_cast<const char*>(data), size);
  }
};

}  // namespace

void ParseXml(pugi::xml_document& doc, const std::string& bytes, const std::string& file,
              const std::string& part) {
  // parse_ws_pcdata_single keeps a text that is only blanks ("<t> </t>").
  unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_declaration;
  pugi::xml_parse_result r = doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
  if (!r) {
    throw PlatformError("cannot open \"" + file + "\": the part \"" + part +
                        "\" is not well-formed XML (" + r.description() + " at offset " +
                        std::to_string(r.offset) + ")");
  }
  if (!doc.document_element()) {
    throw PlatformError("cannot open \"" + file + "\": the part \"" + part + "\" is empty");
  }
}

std::string SerializeXml(const pugi::xml_document& doc) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  StringWriter w;
  w.out = &out;
  doc.document_element().print(w, "", pugi::format_raw, pugi::encoding_utf8);
  return out;
}

std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view n = node.name();
  size_t colon = n.find(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view LocalName(const pugi::xml_attribute& a) {
  std::string_view n = a.name();
  size_t colon = n.find(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node ChildByLocalName(const pugi::xml_node& parent, std::string_view local) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

void AppendEscaped(std::string& out, std::string_view t, bool attribute) {
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char* rep = nullptr;
    switch (t[i]) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '"': rep = attribute ? "&quot;" : nullptr; break;
      case '\n': rep = attribute ? "&#10;" : nullptr; break;
      case '\r': rep = "&#13;"; break;
      case '\t': rep = attribute ? "&#9;" : nullptr; break;
      default: break;
    }
    if (!rep) continue;
    out.append(t.data() + start, i - start);
    out += rep;
    start = i + 1;
  }
  out.append(t.data() + start, t.size() - start);
}

std::string EncodeCellText(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "_x%04X_", c);
      out += buf;
      continue;
    }
    if (c == '_' && i + 6 < t.size() && t[i + 1] == 'x' && IsHex(t[i + 2]) && IsHex(t[i + 3]) &&
        IsHex(t[i + 4]) && IsHex(t[i + 5]) && t[i + 6] == '_') {
      out += "_x005F_";
      continue;
    }
    // U+FFFE and U+FFFF are not XML characters either (EF BF BE / EF BF BF).
    if (c == 0xEF && i + 2 < t.size() && static_cast<unsigned char>(t[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(t[i + 2]) == 0xBE || static_cast<unsigned char>(t[i + 2]) == 0xBF)) {
      out += static_cast<unsigned char>(t[i + 2]) == 0xBE ? "_xFFFE_" : "_xFFFF_";
      i += 2;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

bool NeedsSpacePreserve(std::string_view t) {
  if (t.empty()) return false;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return blank(t.front()) || blank(t.back()) || t.find("  ") != std::string_view::npos ||
         t.find('\n') != std::string_view::npos;
}

}  // namespace tallyvane::ooxml
