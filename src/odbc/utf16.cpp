#include "odbc/utf16.h"

namespace tallyvane::odbc {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16Unit(char32_t c, OdbcWideString* out) {
  if (c < 0x10000) {
    out->push_back(static_cast<SQLWCHAR>(c));
  } else {
    c -= 0x10000;
    out->push_back(static_cast<SQLWCHAR>(0xD800 + (c >> 10)));
    out->push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x3FF)));
  }
}

// Decodes one code point at text[*i], advancing *i past it.
char32_t DecodeUtf8(const std::string& text, std::size_t* i) {
  unsigned char lead = static_cast<unsigned char>(text[*i]);
  ++*i;
  if (lead < 0x80) return lead;
  int extra;
  char32_t c;
  if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
  } else if (lead >= 0xE0) {
    extra = lead <= 0xEF ? 2 : -1;
    c = lead & 0x0F;
  } else if (lead >= 0xC2) {
    extra = 1;
    c = lead & 0x1F;
  } else {
    return kReplacement;
  }
  if (extra < 0) return kReplacement;
  for (int k = 0; k < extra; ++k) {
    if (*i >= text.size()) return kReplacement;
    unsigned char next = static_cast<unsigned char>(text[*i]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (next & 0x3F);
    ++*i;
  }
  bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
  if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}

}  // namespace

OdbcWideString Utf8ToUtf16(const std::string& utf8) {
  OdbcWideString out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) AppendUtf16Unit(DecodeUtf8(utf8, &i), &out);
  return out;
}

void AppendUtf16AsUtf8(const SQLWCHAR* text, std::size_t length, std::string* out) {
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(c, out);
  }
}

std::string Utf16ToUtf8(const SQLWCHAR* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  AppendUtf16AsUtf8(text, length, &out);
  return out;
}

std::string NarrowTextToUtf8(const char* text, std::size_t length) {
  return NarrowTextToUtf8(std::string(text, length));
}

std::string NarrowTextToUtf8(std::string bytes) {
  bool valid = true;
  for (std::size_t i = 0; i < bytes.size() && valid;) {
    const std::size_t at = i;
    const char32_t c = DecodeUtf8(bytes, &i);
    // A replacement character decoded from anything but itself marks a fault.
    valid = c != kReplacement || bytes.compare(at, 3, "\xEF\xBF\xBD") == 0;
  }
  if (valid) return bytes;
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) AppendUtf8(static_cast<unsigned char>(c), &out);
  return out;
}

}  // namespace tallyvane::odbc
