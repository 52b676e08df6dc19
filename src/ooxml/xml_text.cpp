#include "ooxml/xml_text.h"

#include <cstring>
#include <sstream>

#include "platform/platform_error.h"

namespace tallyvane::ooxml {
namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

struct CountingWriter : pugi::xml_writer {
  size_t size = 0;
  void write(const void*, size_t bytes) override { size += bytes; }
};

struct StringWriter : pugi::xml_writer {
  std::string* out;
  void write(const void* data, size_t size) override { out->append(static_cast<const char*>(data), size); }
};

}  // namespace

void ParseXml(pugi::xml_document& doc, const std::string& bytes, const std::string& file, const std::string& part) {
  // parse_ws_pcdata_single keeps a text that is only blanks ("<t> </t>").
  unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_declaration;
  pugi::xml_parse_result r = doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
  if (!r) {
    throw PlatformError("cannot open \"" + file + "\": the part \"" + part + "\" is not well-formed XML (" +
                        r.description() + " at offset " + std::to_string(r.offset) + ")");
  }
  if (!doc.document_element()) {
    throw PlatformError("cannot open \"" + file + "\": the part \"" + part + "\" is empty");
  }
}

std::string SerializeXml(const pugi::xml_document& doc) {
  // Measured first, so that a part holding a long text (a defined name's)
  // is not grown by doubling to twice its size.
  CountingWriter counter;
  doc.document_element().print(counter, "", pugi::format_raw, pugi::encoding_utf8);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  out.reserve(out.size() + counter.size);
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

void ForEachElement(pugi::xml_node root, const std::function<bool(pugi::xml_node)>& visit) {
  pugi::xml_node n = root;
  while (n) {
    bool descend = n.type() == pugi::node_element && visit(n);
    if (descend && n.first_child()) {
      n = n.first_child();
      continue;
    }
    if (n == root) break;
    while (n != root && !n.next_sibling()) n = n.parent();
    if (n == root) break;
    n = n.next_sibling();
  }
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

namespace {

// Characters below 0x20 that XML 1.0 cannot carry.
bool IsControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// U+FFFE and U+FFFF are not XML characters either (EF BF BE / EF BF BF).
bool IsNoncharacterAt(std::string_view t, size_t i) {
  return static_cast<unsigned char>(t[i]) == 0xEF && i + 2 < t.size() && static_cast<unsigned char>(t[i + 1]) == 0xBF &&
         (static_cast<unsigned char>(t[i + 2]) == 0xBE || static_cast<unsigned char>(t[i + 2]) == 0xBF);
}

bool IsEscapedInCellText(std::string_view t, size_t i) {
  return IsControl(static_cast<unsigned char>(t[i])) || IsNoncharacterAt(t, i);
}

}  // namespace

std::string EncodeCellText(std::string_view text) {
  // Most texts are plain printable ASCII without "_": nothing to encode.
  bool plain = true;
  for (char c : text) {
    if (c < 0x20 || c > 0x7E || c == '_') {
      plain = false;
      break;
    }
  }
  if (plain) return std::string(text);
  std::string valid = ValidUtf8(text);
  std::string_view t = valid;
  std::string out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (IsControl(c)) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "_x%04X_", c);
      out += buf;
      continue;
    }
    // A literal "_xHHHH" is protected when what follows it starts with "_"
    // once written: a "_" of its own, or a character written as an escape.
    if (c == '_' && i + 6 < t.size() && t[i + 1] == 'x' && IsHex(t[i + 2]) && IsHex(t[i + 3]) && IsHex(t[i + 4]) &&
        IsHex(t[i + 5]) && (t[i + 6] == '_' || IsEscapedInCellText(t, i + 6))) {
      out += "_x005F_";
      continue;
    }
    if (IsNoncharacterAt(t, i)) {
      out += static_cast<unsigned char>(t[i + 2]) == 0xBE ? "_xFFFE_" : "_xFFFF_";
      i += 2;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

namespace {

// Length of the valid UTF-8 sequence at t[i], or 0 when it is not valid.
size_t Utf8SequenceLength(std::string_view t, size_t i) {
  unsigned char c = static_cast<unsigned char>(t[i]);
  if (c < 0x80) return 1;
  size_t n = 0;
  unsigned min = 0;
  unsigned cp = 0;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char d = static_cast<unsigned char>(t[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool IsValidUtf8(std::string_view t) {
  for (size_t i = 0; i < t.size();) {
    if (static_cast<unsigned char>(t[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t n = Utf8SequenceLength(t, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string ValidUtf8(std::string_view t) {
  if (IsValidUtf8(t)) return std::string(t);
  std::string out;
  out.reserve(t.size() + 8);
  for (size_t i = 0; i < t.size();) {
    size_t n = Utf8SequenceLength(t, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(t.substr(i, n));
      i += n;
    }
  }
  return out;
}

size_t Utf16Length(std::string_view t) {
  size_t n = 0;
  for (const char ch : t) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c & 0xC0) != 0x80) n += (c >= 0xF0) ? 2 : 1;
  }
  return n;
}

bool NeedsSpacePreserve(std::string_view t) {
  if (t.empty()) return false;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return blank(t.front()) || blank(t.back()) || t.find("  ") != std::string_view::npos ||
         t.find('\n') != std::string_view::npos;
}

}  // namespace tallyvane::ooxml
