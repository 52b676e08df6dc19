#include "ooxml/formula_reference_lexer.h"

#include <algorithm>

namespace tallyvane::ooxml {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '\\' || c == '$' || c == '?' || static_cast<unsigned char>(c) >= 0x80;
}

size_t SkipString(std::string_view f, size_t i) {
  ++i;
  while (i < f.size()) {
    if (f[i] == '"') {
      if (i + 1 < f.size() && f[i + 1] == '"') {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

size_t SkipBrackets(std::string_view f, size_t i) {
  int depth = 0;
  while (i < f.size()) {
    char c = f[i];
    if (c == '\'' && i + 1 < f.size()) {  // escape inside structured references
      i += 2;
      continue;
    }
    if (c == '[') ++depth;
    if (c == ']' && --depth == 0) return i + 1;
    ++i;
  }
  return i;
}

// Reads a quoted sheet name at i ('...' with '' doubled); sets *name.
size_t ReadQuoted(std::string_view f, size_t i, std::string* name) {
  ++i;
  name->clear();
  while (i < f.size()) {
    if (f[i] == '\'') {
      if (i + 1 < f.size() && f[i + 1] == '\'') {
        *name += '\'';
        i += 2;
        continue;
      }
      return i + 1;
    }
    *name += f[i++];
  }
  return i;
}

// Simple case folding of the letters sheet names are written in (Latin,
// Greek, Cyrillic): the desktop spreadsheet ignores case in all of them.
char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

// The code point at i (advancing i); a byte that starts no UTF-8 sequence
// stands for itself.
char32_t NextCodePoint(std::string_view s, size_t* i) {
  unsigned char b = static_cast<unsigned char>(s[*i]);
  size_t length = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (b < 0x80 || *i + length > s.size()) {
    ++*i;
    return b < 0x80 ? b : 0x110000 + b;
  }
  char32_t c = b & (0x3F >> (length - 1));
  for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(s[*i + k]) & 0x3F);
  *i += length;
  return c;
}

}  // namespace

bool SameSheetName(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldCase(NextCodePoint(a, &i)) != FoldCase(NextCodePoint(b, &j))) return false;
  }
  return i == a.size() && j == b.size();
}

bool MayMentionSheet(const std::string& bytes, const std::string& sheet) {
  // Any character may be spelled as a character reference (&#196;) and
  // quotes and ampersands as entities (&apos;): where a part uses them,
  // only its decoded text can tell.
  if (bytes.find("&#") != std::string::npos) return true;
  // Otherwise look for the longest stretch of the name that XML spells one
  // way only and whose case folds plainly (ASCII without ' " & < >).
  std::string_view name(sheet), probe;
  for (size_t i = 0; i < name.size();) {
    size_t j = i;
    while (j < name.size() && static_cast<unsigned char>(name[j]) < 0x80 &&
           std::string_view("'\"&<>").find(name[j]) == std::string_view::npos) {
      ++j;
    }
    if (j - i > probe.size()) probe = name.substr(i, j - i);
    i = j + 1;
  }
  if (probe.empty()) return true;
  auto it = std::search(bytes.begin(), bytes.end(), probe.begin(), probe.end(), [](char a, char b) {
    return FoldCase(static_cast<unsigned char>(a)) == FoldCase(static_cast<unsigned char>(b));
  });
  return it != bytes.end();
}

std::vector<FormulaReference> FindFormulaReferences(std::string_view f) {
  std::vector<FormulaReference> refs;
  size_t i = 0;
  bool external_pending = false;
  while (i < f.size()) {
    char c = f[i];
    if (c == '"') {
      i = SkipString(f, i);
      external_pending = false;
      continue;
    }
    if (c == '#') {  // error literal such as #REF! or #N/A
      size_t j = i + 1;
      while (j < f.size() && (IsNameChar(f[j]) || f[j] == '/')) ++j;
      if (j < f.size() && (f[j] == '!' || f[j] == '?')) ++j;
      i = j;
      continue;
    }
    if (c == '[') {
      size_t j = SkipBrackets(f, i);
      // "[1]Sheet!A1" names another workbook; "Table[Col]" follows a name.
      external_pending = i == 0 || !IsNameChar(f[i - 1]);
      i = j;
      continue;
    }
    std::string sheet;
    size_t after_prefix = std::string::npos;
    size_t j = i;
    if (c == '\'') {
      j = ReadQuoted(f, i, &sheet);
      if (j < f.size() && f[j] == '!') after_prefix = j + 1;
      else {
        i = j;
        external_pending = false;
        continue;
      }
    } else if (IsNameChar(c)) {
      while (j < f.size() && IsNameChar(f[j])) ++j;
      if (j < f.size() && f[j] == '!') {
        sheet.assign(f.substr(i, j - i));
        after_prefix = j + 1;
      } else if (j < f.size() && f[j] == ':') {
        // Either a range (A1:B2, A:A, 1:2) or a 3-D prefix Sheet1:Sheet3!
        RefArea area;
        size_t end = 0;
        if (!external_pending && ParseAreaAt(f, i, &area, &end)) {
          refs.push_back({i, end, "", false, false, area});
          i = end;
          continue;
        }
        size_t k = j + 1;
        while (k < f.size() && IsNameChar(f[k])) ++k;
        if (k < f.size() && f[k] == '!' && k > j + 1) {
          sheet.assign(f.substr(i, k - i));
          after_prefix = k + 1;
        }
      }
    } else {
      ++i;
      external_pending = false;
      continue;
    }
    if (after_prefix == std::string::npos) {
      if (!external_pending) {
        RefArea area;
        size_t end = 0;
        if (ParseAreaAt(f, i, &area, &end)) {
          refs.push_back({i, end, "", false, false, area});
          i = end;
          continue;
        }
      }
      i = j;
      external_pending = false;
      continue;
    }
    bool external = external_pending || (!sheet.empty() && sheet[0] == '[');
    external_pending = false;
    bool three_d = sheet.find(':') != std::string::npos;
    RefArea area;
    size_t end = 0;
    if (ParseAreaAt(f, after_prefix, &area, &end)) {
      refs.push_back({after_prefix, end, sheet, three_d, external, area});
      i = end;
    } else {
      i = after_prefix;
      // skip a sheet-level name or #REF! after the prefix
      while (i < f.size() && IsNameChar(f[i])) ++i;
    }
  }
  return refs;
}

}  // namespace tallyvane::ooxml
