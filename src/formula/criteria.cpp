#include "formula/criteria.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace tallyvane::formula {
namespace {

bool HasDigit(std::string_view s) {
  for (char c : s) {
    if (c >= '0' && c <= '9') return true;
  }
  return false;
}

bool IsMonthWord(const std::string& w) {
  static const char* kMonths[] = {"jan",      "feb",      "mar",      "apr",  "may",  "jun",    "jul",
                                  "aug",      "sep",      "sept",     "oct",  "nov",  "dec",    "january",
                                  "february", "march",    "april",    "june", "july", "august", "september",
                                  "october",  "november", "december", "am",   "pm",   "a",      "p"};
  for (const char* m : kMonths) {
    if (w == m) return true;
  }
  return false;
}

// A text with digits may read as a date, a time or a number in some
// locale: unless it holds a word that is no month name, it is not certain.
bool MayBeDateOrNumber(std::string_view s) {
  if (!HasDigit(s)) return false;
  std::string word;
  bool other_word = false;
  auto end_word = [&] {
    if (!word.empty() && !IsMonthWord(word)) other_word = true;
    word.clear();
  };
  for (char c : s) {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
      end_word();
      if (static_cast<unsigned char>(c) >= 0x80) other_word = true;
    }
  }
  end_word();
  return !other_word;
}

bool ReadsAsNumber(std::string_view t, double* d) {
  std::string s(t);
  char* end = nullptr;
  *d = std::strtod(s.c_str(), &end);
  return !s.empty() && end == s.c_str() + s.size();
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?~") != std::string_view::npos; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool MatchFrom(std::string_view p, size_t pi, std::string_view t, size_t ti, int* budget) {
  while (pi < p.size()) {
    if (--*budget < 0) return false;
    char c = p[pi];
    if (c == '*') {
      while (pi < p.size() && p[pi] == '*') ++pi;
      if (pi == p.size()) return true;
      for (size_t k = ti; k <= t.size(); ++k) {
        if (MatchFrom(p, pi, t, k, budget)) return true;
      }
      return false;
    }
    if (ti >= t.size()) return false;
    if (c == '?') {
      ++pi;
      ++ti;
      continue;
    }
    if (c == '~' && pi + 1 < p.size() && (p[pi + 1] == '*' || p[pi + 1] == '?' || p[pi + 1] == '~')) ++pi;
    if (Lower(p[pi]) != Lower(t[ti])) return false;
    ++pi;
    ++ti;
  }
  return ti == t.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view text, bool* certain) {
  for (std::string_view s : {pattern, text}) {
    for (char c : s) {
      // "?" counts characters, and case folds differently beyond ASCII.
      if (static_cast<unsigned char>(c) >= 0x80) *certain = false;
    }
  }
  for (size_t i = 0; i < pattern.size(); ++i) {
    // A tilde before anything but a wildcard is read two ways.
    if (pattern[i] == '~' &&
        (i + 1 == pattern.size() || std::string_view("*?~").find(pattern[i + 1]) == std::string_view::npos)) {
      *certain = false;
    }
    if (pattern[i] == '~') ++i;
  }
  int budget = 100000;
  bool r = MatchFrom(pattern, 0, text, 0, &budget);
  if (budget < 0) *certain = false;
  return r;
}

Criterion ParseCriterion(const FormulaValue& value) {
  Criterion c;
  if (value.kind != FormulaValue::Kind::Text) {
    c.operand = value;
    // An empty cell as criterion and errors are read differently.
    if (value.kind == FormulaValue::Kind::Empty || value.IsError()) c.certain = false;
    return c;
  }
  std::string_view t = value.text;
  static const std::pair<const char*, Criterion::Op> kOps[] = {
      {"<=", Criterion::Op::LessEqual}, {">=", Criterion::Op::GreaterEqual}, {"<>", Criterion::Op::NotEqual},
      {"=", Criterion::Op::Equal},      {"<", Criterion::Op::Less},          {">", Criterion::Op::Greater}};
  for (const auto& [text, op] : kOps) {
    std::string_view s(text);
    if (t.substr(0, s.size()) == s) {
      c.op = op;
      t.remove_prefix(s.size());
      break;
    }
  }
  if (t.empty()) {
    // Empty criteria ("", "=", "<>") differ in whether empty texts count.
    c.certain = false;
    c.operand = FormulaValue::Text("");
  } else if (PlainInteger(t)) {
    c.operand = ToNumber(FormulaValue::Text(std::string(t))).value;
  } else if (double d = 0; ReadsAsNumber(t, &d)) {
    // Decimals are written by locale.
    c.operand = FormulaValue::Number(d);
    c.certain = false;
  } else {
    std::string upper(t);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (upper == "TRUE" || upper == "FALSE") {
      c.operand = FormulaValue::Boolean(upper == "TRUE");
    } else {
      c.operand = FormulaValue::Text(std::string(t));
      if (MayBeDateOrNumber(t) || t[0] == '#' || t.front() == ' ' || t.back() == ' ') c.certain = false;
    }
  }
  return c;
}

bool MeetsCriterion(const Criterion& criterion, const FormulaValue& cell, bool* certain) {
  using Kind = FormulaValue::Kind;
  const FormulaValue& want = criterion.operand;
  const bool equality = criterion.op == Criterion::Op::Equal || criterion.op == Criterion::Op::NotEqual;
  const bool negate = criterion.op == Criterion::Op::NotEqual;
  if (cell.IsError()) {
    *certain = false;
    return false;
  }
  bool same_kind = cell.kind == want.kind;
  // One spreadsheet matches numbers and Booleans against text patterns and
  // text comparisons by their text.
  if (want.kind == Kind::Text && (cell.kind == Kind::Number || cell.kind == Kind::Boolean) &&
      (!equality || HasWildcard(want.text))) {
    *certain = false;
  }
  if (cell.kind == Kind::Boolean && want.kind == Kind::Text) *certain = false;
  if (!same_kind) {
    // Numbers in text cells and Booleans beside numbers are where
    // spreadsheets part; otherwise values of different kinds never match.
    if (cell.kind == Kind::Text && want.kind == Kind::Number && PlainInteger(cell.text)) *certain = false;
    if ((cell.kind == Kind::Boolean && want.kind == Kind::Number) ||
        (cell.kind == Kind::Number && want.kind == Kind::Boolean)) {
      *certain = false;
    }
    if (cell.kind == Kind::Empty && want.kind == Kind::Text && want.text.find_first_not_of('*') == std::string::npos) {
      *certain = false;
    }
    return negate;
  }
  if (want.kind == Kind::Text && equality && HasWildcard(want.text)) {
    return WildcardMatch(want.text, cell.text, certain) != negate;
  }
  if (want.kind == Kind::Text && equality) return SameText(cell.text, want.text, certain) != negate;
  int c = CompareValues(cell, want, certain);
  switch (criterion.op) {
    case Criterion::Op::Equal: return c == 0;
    case Criterion::Op::NotEqual: return c != 0;
    case Criterion::Op::Less: return c < 0;
    case Criterion::Op::Greater: return c > 0;
    case Criterion::Op::LessEqual: return c <= 0;
    case Criterion::Op::GreaterEqual: return c >= 0;
  }
  return false;
}

}  // namespace tallyvane::formula
