#include "formula/formula_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tallyvane::formula {
namespace {

struct ErrorName {
  ErrorCode code;
  const char* text;
};
const ErrorName kErrors[] = {{ErrorCode::Null, "#NULL!"}, {ErrorCode::Div0, "#DIV/0!"}, {ErrorCode::Value, "#VALUE!"},
                             {ErrorCode::Ref, "#REF!"},   {ErrorCode::Name, "#NAME?"},  {ErrorCode::Num, "#NUM!"},
                             {ErrorCode::NA, "#N/A"}};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int KindRank(FormulaValue::Kind k) {
  switch (k) {
    case FormulaValue::Kind::Empty:
    case FormulaValue::Kind::Number: return 0;
    case FormulaValue::Kind::Text: return 1;
    case FormulaValue::Kind::Boolean: return 2;
    case FormulaValue::Kind::Error: return 3;
  }
  return 3;
}

}  // namespace

bool PlainInteger(std::string_view t) {
  size_t i = t.size() > 1 && (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i >= t.size() || t.size() - i > 15) return false;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
  }
  return true;
}

FormulaValue FormulaValue::Number(double v) {
  FormulaValue r;
  r.kind = Kind::Number;
  r.number = v;
  return r;
}

FormulaValue FormulaValue::Text(std::string v) {
  FormulaValue r;
  r.kind = Kind::Text;
  r.text = std::move(v);
  return r;
}

FormulaValue FormulaValue::Boolean(bool v) {
  FormulaValue r;
  r.kind = Kind::Boolean;
  r.number = v ? 1 : 0;
  return r;
}

FormulaValue FormulaValue::Error(ErrorCode e) {
  FormulaValue r;
  r.kind = Kind::Error;
  r.error = e;
  return r;
}

const char* ErrorText(ErrorCode e) {
  for (const ErrorName& n : kErrors) {
    if (n.code == e) return n.text;
  }
  return "#N/A";
}

bool ErrorFromText(std::string_view text, ErrorCode* e) {
  for (const ErrorName& n : kErrors) {
    if (text == n.text) {
      *e = n.code;
      return true;
    }
  }
  return false;
}

Conversion ToNumber(const FormulaValue& v) {
  switch (v.kind) {
    case FormulaValue::Kind::Empty: return {FormulaValue::Number(0), true};
    case FormulaValue::Kind::Number:
    case FormulaValue::Kind::Boolean: return {FormulaValue::Number(v.number), true};
    case FormulaValue::Kind::Error: return {v, true};
    case FormulaValue::Kind::Text: break;
  }
  if (PlainInteger(v.text)) {
    std::string_view t = v.text;
    if (t[0] == '+') t.remove_prefix(1);
    double d = 0;
    std::from_chars(t.data(), t.data() + t.size(), d);
    return {FormulaValue::Number(d), true};
  }
  // Decimal texts, dates and texts with blanks convert by locale and
  // settings; other texts fail. Either way nothing certain comes of it.
  return {FormulaValue::Error(ErrorCode::Value), false};
}

Conversion ToBoolean(const FormulaValue& v) {
  switch (v.kind) {
    case FormulaValue::Kind::Empty: return {FormulaValue::Boolean(false), true};
    case FormulaValue::Kind::Number:
    case FormulaValue::Kind::Boolean: return {FormulaValue::Boolean(v.number != 0), true};
    case FormulaValue::Kind::Error: return {v, true};
    case FormulaValue::Kind::Text: break;
  }
  return {FormulaValue::Error(ErrorCode::Value), false};
}

double ApproxValue(double v) {
  if (v == 0 || !std::isfinite(v)) return v;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  return std::strtod(buf, nullptr);
}

bool ApproxEqual(double a, double b) {
  if (a == b) return true;
  // 2^-48, the tolerance both spreadsheets use.
  return std::fabs(a - b) < std::fabs(a) * 3.5527136788005009e-15;
}

double ApproxAdd(double a, double b, bool* certain) {
  double r = a + b;
  if (((a < 0 && b > 0) || (b < 0 && a > 0)) && ApproxEqual(a, -b)) return 0;
  // What survives a near cancellation is rounding noise that each
  // spreadsheet leaves differently.
  if (r != 0 && std::fabs(r) < 1e-9 * std::fmax(std::fabs(a), std::fabs(b))) *certain = false;
  return r;
}

bool SameText(std::string_view a, std::string_view b, bool* certain) {
  if (a.size() != b.size()) {
    for (char c : a) {
      if (static_cast<unsigned char>(c) >= 0x80) *certain = false;
    }
    for (char c : b) {
      if (static_cast<unsigned char>(c) >= 0x80) *certain = false;
    }
    return false;
  }
  bool same = true;
  for (size_t i = 0; i < a.size(); ++i) {
    if (static_cast<unsigned char>(a[i]) >= 0x80 || static_cast<unsigned char>(b[i]) >= 0x80) {
      if (a != b) *certain = false;
      return a == b;
    }
    if (Lower(a[i]) != Lower(b[i])) same = false;
  }
  return same;
}

int CompareValues(const FormulaValue& a, const FormulaValue& b, bool* certain) {
  int ra = KindRank(a.kind), rb = KindRank(b.kind);
  if (ra != rb) {
    // An empty cell compares as "" against a text and FALSE against a Boolean.
    if (a.kind == FormulaValue::Kind::Empty && b.kind != FormulaValue::Kind::Number) {
      return CompareValues(b.kind == FormulaValue::Kind::Text ? FormulaValue::Text("") : FormulaValue::Boolean(false),
                           b, certain);
    }
    if (b.kind == FormulaValue::Kind::Empty && a.kind != FormulaValue::Kind::Number) {
      return -CompareValues(b, a, certain);
    }
    // One spreadsheet keeps Booleans as numbers 1 and 0 and orders them so.
    if (a.kind == FormulaValue::Kind::Boolean || b.kind == FormulaValue::Kind::Boolean) *certain = false;
    return ra < rb ? -1 : 1;
  }
  if (ra == 1) {
    if (SameText(a.text, b.text, certain)) return 0;
    for (std::string_view t : {std::string_view(a.text), std::string_view(b.text)}) {
      for (char c : t) {
        // Collations differ in how they order punctuation, blanks and
        // letters beyond ASCII.
        if (!IsAsciiAlnum(c)) *certain = false;
      }
    }
    size_t n = std::min(a.text.size(), b.text.size());
    for (size_t i = 0; i < n; ++i) {
      char x = Lower(a.text[i]), y = Lower(b.text[i]);
      if (x != y) return x < y ? -1 : 1;
    }
    return a.text.size() < b.text.size() ? -1 : 1;
  }
  double x = a.number, y = b.number;
  if (ApproxEqual(x, y)) return 0;
  if (std::fabs(x - y) < 1e-12 * std::fmax(std::fabs(x), std::fabs(y))) *certain = false;
  return x < y ? -1 : 1;
}

size_t TextLength(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    n += c >= 0xF0 ? 2 : 1;
  }
  return n;
}

}  // namespace tallyvane::formula
