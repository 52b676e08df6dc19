#include "ooxml/formula_reference_lexer.h"

#include <algorithm>

namespace tallyvane::ooxml {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
         c == '\\' || c == '$' || c == '?' || static_cast<unsigned char>(c) >= 0x80;
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

namespace {

// One pass over a stored formula, from left to right.
class ReferenceScanner {
 public:
  explicit ReferenceScanner(std::string_view f) : f_(f) {}

  std::vector<FormulaReference> Scan() {
    while (i_ < f_.size()) Step();
    return std::move(refs_);
  }

 private:
  void Step() {
    const char c = f_[i_];
    if (c == '"') {
      i_ = SkipString(f_, i_);
      external_pending_ = false;
    } else if (c == '#') {
      SkipErrorLiteral();
    } else if (c == '[') {
      const size_t j = SkipBrackets(f_, i_);
      // "[1]Sheet!A1" names another workbook; "Table[Col]" follows a name.
      external_pending_ = i_ == 0 || !IsNameChar(f_[i_ - 1]);
      i_ = j;
    } else if (c == '\'') {
      ReadQuotedSheet();
    } else if (IsNameChar(c)) {
      ReadName();
    } else {
      ++i_;
      external_pending_ = false;
    }
  }

  // An error literal such as #REF! or #N/A.
  void SkipErrorLiteral() {
    size_t j = i_ + 1;
    while (j < f_.size() && (IsNameChar(f_[j]) || f_[j] == '/')) ++j;
    if (j < f_.size() && (f_[j] == '!' || f_[j] == '?')) ++j;
    i_ = j;
  }

  void ReadQuotedSheet() {
    std::string sheet;
    const size_t j = ReadQuoted(f_, i_, &sheet);
    if (j < f_.size() && f_[j] == '!') {
      ReadAfterPrefix(sheet, j + 1);
    } else {
      i_ = j;
      external_pending_ = false;
    }
  }

  // A name: a sheet prefix (Sheet1!, 3-D Sheet1:Sheet3!), a reference on
  // its own (A1, A1:B2, A:A, 1:2), or a name or function that is neither.
  void ReadName() {
    size_t j = i_;
    while (j < f_.size() && IsNameChar(f_[j])) ++j;
    if (j < f_.size() && f_[j] == '!') {
      ReadAfterPrefix(std::string(f_.substr(i_, j - i_)), j + 1);
      return;
    }
    if (j < f_.size() && f_[j] == ':') {
      if (!external_pending_ && TakeBareReference()) return;
      size_t k = j + 1;
      while (k < f_.size() && IsNameChar(f_[k])) ++k;
      if (k < f_.size() && f_[k] == '!' && k > j + 1) {
        ReadAfterPrefix(std::string(f_.substr(i_, k - i_)), k + 1);
        return;
      }
    } else if (!external_pending_ && TakeBareReference()) {
      return;
    }
    i_ = j;
    external_pending_ = false;
  }

  bool TakeBareReference() {
    RefArea area;
    size_t end = 0;
    if (!ParseAreaAt(f_, i_, &area, &end)) return false;
    refs_.push_back({i_, end, "", false, false, area});
    i_ = end;
    return true;
  }

  void ReadAfterPrefix(const std::string& sheet, size_t after_prefix) {
    const bool external = external_pending_ || (!sheet.empty() && sheet[0] == '[');
    external_pending_ = false;
    const bool three_d = sheet.find(':') != std::string::npos;
    RefArea area;
    size_t end = 0;
    if (ParseAreaAt(f_, after_prefix, &area, &end)) {
      refs_.push_back({after_prefix, end, sheet, three_d, external, area});
      i_ = end;
      return;
    }
    // A sheet-level name or #REF! after the prefix.
    i_ = after_prefix;
    while (i_ < f_.size() && IsNameChar(f_[i_])) ++i_;
  }

  std::string_view f_;
  size_t i_ = 0;
  bool external_pending_ = false;
  std::vector<FormulaReference> refs_;
};

}  // namespace

std::vector<FormulaReference> FindFormulaReferences(std::string_view f) { return ReferenceScanner(f).Scan(); }

}  // namespace tallyvane::ooxml
