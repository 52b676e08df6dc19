#include "ooxml/formula_reference_lexer.h"

#include <algorithm>
#include <cctype>

#include "ooxml/xml_text.h"

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

}  // namespace

bool SameSheetName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x | 0x20);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y | 0x20);
    if (x != y) return false;
  }
  return true;
}

bool MayMentionSheet(const std::string& bytes, const std::string& sheet) {
  std::string escaped;
  AppendEscaped(escaped, sheet, true);
  std::vector<std::string> needles = {escaped};
  if (sheet.find('\'') != std::string::npos) {
    std::string doubled;
    for (char c : escaped) {
      doubled += c;
      if (c == '\'') doubled += '\'';
    }
    needles.push_back(doubled);
  }
  for (const std::string& needle : needles) {
    auto it = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    if (it != bytes.end()) return true;
  }
  return false;
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
