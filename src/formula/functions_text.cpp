// LEN, LEFT, RIGHT, MID, UPPER, LOWER, TRIM and CONCATENATE of texts.
#include <cmath>

#include "formula/function_table.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }
Operand Text(std::string t) { return Operand::Of(FormulaValue::Text(std::move(t))); }

// A text argument. Numbers and Booleans become text by format and locale:
// such a result is not certain.
FormulaValue TextArg(Evaluation& ev, const Node& node) {
  FormulaValue v = ev.Scalar(node);
  if (v.IsText() || v.IsError()) return v;
  if (v.kind == FormulaValue::Kind::Empty) return FormulaValue::Text("");
  ev.Uncertain();
  if (v.kind == FormulaValue::Kind::Boolean) return FormulaValue::Text(v.number != 0 ? "TRUE" : "FALSE");
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v.number);
  return FormulaValue::Text(buf);
}

// The UTF-8 characters of a text; characters outside the basic plane count
// as two in the spreadsheets, so a text holding one is not certain.
std::vector<std::string_view> Characters(Evaluation& ev, const std::string& t) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < t.size();) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (n == 4) ev.Uncertain();
    n = std::min(n, t.size() - i);
    out.push_back(std::string_view(t).substr(i, n));
    i += n;
  }
  return out;
}

std::string Join(const std::vector<std::string_view>& chars, size_t from, size_t count) {
  std::string r;
  for (size_t i = from; i < chars.size() && i < from + count; ++i) r += chars[i];
  return r;
}

// A count argument (characters to take): absent counts as one.
bool CountArg(Evaluation& ev, const FunctionArgs& args, size_t i, double* n, FormulaValue* error) {
  if (args.size() <= i) {
    *n = 1;
    return true;
  }
  FormulaValue v = ev.Number(*args[i]);
  if (v.IsError()) {
    *error = v;
    return false;
  }
  *n = std::trunc(v.number);
  // Counts beyond the longest text are refused by some spreadsheets.
  if (*n > 32767) ev.Uncertain();
  if (*n < 0) {
    *error = FormulaValue::Error(ErrorCode::Value);
    return false;
  }
  return true;
}

Operand Len(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue t = TextArg(ev, *args[0]);
  if (t.IsError()) return Operand::Of(t);
  return Operand::Of(FormulaValue::Number(static_cast<double>(TextLength(t.text))));
}

Operand Side(Evaluation& ev, const FunctionArgs& args, bool left) {
  FormulaValue t = TextArg(ev, *args[0]);
  if (t.IsError()) return Operand::Of(t);
  double n = 0;
  FormulaValue error;
  if (!CountArg(ev, args, 1, &n, &error)) return Operand::Of(error);
  auto chars = Characters(ev, t.text);
  size_t take = static_cast<size_t>(std::min(n, static_cast<double>(chars.size())));
  return Text(Join(chars, left ? 0 : chars.size() - take, take));
}

Operand Left(Evaluation& ev, const FunctionArgs& args) { return Side(ev, args, true); }
Operand Right(Evaluation& ev, const FunctionArgs& args) { return Side(ev, args, false); }

Operand Mid(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue t = TextArg(ev, *args[0]);
  if (t.IsError()) return Operand::Of(t);
  FormulaValue start = ev.Number(*args[1]);
  if (start.IsError()) return Operand::Of(start);
  double n = 0;
  FormulaValue error;
  if (!CountArg(ev, args, 2, &n, &error)) return Operand::Of(error);
  double from = std::trunc(start.number);
  if (from < 1) return Error(ErrorCode::Value);
  auto chars = Characters(ev, t.text);
  if (from > static_cast<double>(chars.size())) return Text("");
  return Text(Join(chars, static_cast<size_t>(from) - 1, static_cast<size_t>(std::min(n, 1e9))));
}

Operand ChangeCase(Evaluation& ev, const FunctionArgs& args, bool upper) {
  FormulaValue t = TextArg(ev, *args[0]);
  if (t.IsError()) return Operand::Of(t);
  std::string r = t.text;
  for (char& c : r) {
    // Case beyond ASCII follows the locale.
    if (static_cast<unsigned char>(c) >= 0x80) ev.Uncertain();
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return Text(r);
}

Operand Upper(Evaluation& ev, const FunctionArgs& args) { return ChangeCase(ev, args, true); }
Operand Lower(Evaluation& ev, const FunctionArgs& args) { return ChangeCase(ev, args, false); }

Operand Trim(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue t = TextArg(ev, *args[0]);
  if (t.IsError()) return Operand::Of(t);
  std::string r;
  bool blank = false;
  for (char c : t.text) {
    if (c == ' ') {
      blank = !r.empty();
      continue;
    }
    if (blank) r += ' ';
    blank = false;
    r += c;
  }
  return Text(r);
}

Operand Concatenate(Evaluation& ev, const FunctionArgs& args) {
  std::string r;
  for (const auto& arg : args) {
    FormulaValue t = TextArg(ev, *arg);
    if (t.IsError()) return Operand::Of(t);
    r += t.text;
  }
  return Text(r);
}

}  // namespace

const FunctionEntry kTextFunctions[] = {
    {"LEN", Len, 1, 1},       {"LEFT", Left, 1, 2},   {"RIGHT", Right, 1, 2}, {"MID", Mid, 3, 3},
    {"UPPER", Upper, 1, 1},   {"LOWER", Lower, 1, 1}, {"TRIM", Trim, 1, 1},   {"CONCATENATE", Concatenate, 1, 255},
    {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
