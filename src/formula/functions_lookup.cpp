// VLOOKUP, HLOOKUP, INDEX, MATCH, ROWS and COLUMNS.
#include <cmath>

#include "formula/criteria.h"
#include "formula/function_table.h"

namespace tallyvane::formula {
namespace {

Operand Error(ErrorCode e) { return Operand::Of(FormulaValue::Error(e)); }
Operand Number(double v) { return Operand::Of(FormulaValue::Number(v)); }

// One row or column of a range, seen as a list.
struct Vector {
  const RangeData* data;
  bool by_row;  // the cells run along a row
  int fixed;    // the row (column) it runs along
  int size;     // nominal length
  int stored;   // cells held; the rest are empty
  const FormulaValue& At(int i) const { return by_row ? data->At(fixed, i) : data->At(i, fixed); }
};

bool Exact(Evaluation& ev, const FormulaValue& want, const FormulaValue& cell) {
  bool certain = true;
  bool match = false;
  if (want.kind == cell.kind) {
    if (want.IsText() && want.text.find_first_of("*?~") != std::string::npos) {
      match = WildcardMatch(want.text, cell.text, &certain);
    } else {
      match = CompareValues(want, cell, &certain) == 0;
    }
  } else if (cell.IsError() || cell.kind == FormulaValue::Kind::Boolean || want.kind == FormulaValue::Kind::Boolean ||
             (want.IsText() && want.text.find_first_of("*?~") != std::string::npos)) {
    // Booleans are numbers to one spreadsheet, which also matches patterns
    // against the text of numbers.
    certain = false;
  }
  if (!certain) ev.Uncertain();
  return match;
}

// The position of the value in the list (zero-based), or -1. match_type 0
// finds the first equal value; 1 the last value not above it in an
// ascending list, -1 the last not below it in a descending one. The
// searches in sorted lists are certain only where the list is strictly
// sorted and of the value's kind, as every search method then agrees.
int Find(Evaluation& ev, const FormulaValue& want, const Vector& v, int match_type) {
  if (want.kind == FormulaValue::Kind::Empty || want.IsError()) {
    ev.Uncertain();
    return -1;
  }
  if (match_type == 0) {
    for (int i = 0; i < v.stored; ++i) {
      if (Exact(ev, want, v.At(i))) return i;
    }
    return -1;
  }
  bool certain = true;
  int found = -1;
  for (int i = 0; i < v.stored; ++i) {
    const FormulaValue& cell = v.At(i);
    if (cell.kind != want.kind) {
      certain = false;
      continue;
    }
    if (i > 0) {
      int order = CompareValues(v.At(i - 1), cell, &certain);
      if (match_type > 0 ? order >= 0 : order <= 0) certain = false;
    }
    int c = CompareValues(cell, want, &certain);
    if (match_type > 0 ? c <= 0 : c >= 0) found = i;
  }
  if (!certain) ev.Uncertain();
  return found;
}

Operand Lookup(Evaluation& ev, const FunctionArgs& args, bool vertical) {
  FormulaValue want = ev.Scalar(*args[0]);
  if (want.IsError()) return Operand::Of(want);
  Operand table = ev.Evaluate(*args[1]);
  if (!table.is_range) {
    ev.Uncertain();
    return Error(ErrorCode::Value);
  }
  FormulaValue index = ev.Number(*args[2]);
  if (index.IsError()) return Operand::Of(index);
  bool sorted = true;
  if (args.size() > 3) {
    FormulaValue s = ev.Scalar(*args[3]);
    if (s.IsError()) return Operand::Of(s);
    Conversion b = ToBoolean(s);
    if (!b.certain) ev.Uncertain();
    sorted = b.value.number != 0;
  }
  const Area& a = table.range.area;
  const int offset = static_cast<int>(std::trunc(index.number)) - 1;
  if (offset < 0) return Error(ErrorCode::Value);
  if (offset >= (vertical ? a.last_column - a.first_column + 1 : a.last_row - a.first_row + 1)) {
    return Error(ErrorCode::Ref);
  }
  // Only the key line and the result line are read: a lookup into a wide
  // table reads two columns (rows) of it.
  RangeRef keys = table.range, values = table.range;
  if (vertical) {
    keys.area.last_column = a.first_column;
    values.area.first_column = values.area.last_column = a.first_column + offset;
  } else {
    keys.area.last_row = a.first_row;
    values.area.first_row = values.area.last_row = a.first_row + offset;
  }
  const RangeData& k = ev.Range(keys);
  Vector line{&k, !vertical, 0, vertical ? k.rows : k.columns, vertical ? k.stored_rows : k.stored_columns};
  int at = Find(ev, want, line, sorted ? 1 : 0);
  if (at < 0) return Error(ErrorCode::NA);
  const RangeData& v = ev.Range(values);
  const FormulaValue& found = vertical ? v.At(at, 0) : v.At(0, at);
  // An empty cell found is 0 to one spreadsheet and stays empty (equal to
  // "") to another.
  if (found.kind == FormulaValue::Kind::Empty) {
    ev.Uncertain();
    return Number(0);
  }
  return Operand::Of(found);
}

Operand VLookup(Evaluation& ev, const FunctionArgs& args) { return Lookup(ev, args, true); }
Operand HLookup(Evaluation& ev, const FunctionArgs& args) { return Lookup(ev, args, false); }

Operand Match(Evaluation& ev, const FunctionArgs& args) {
  FormulaValue want = ev.Scalar(*args[0]);
  if (want.IsError()) return Operand::Of(want);
  Operand list = ev.Evaluate(*args[1]);
  if (!list.is_range) {
    ev.Uncertain();
    return Error(ErrorCode::Value);
  }
  int type = 1;
  if (args.size() > 2) {
    FormulaValue t = ev.Number(*args[2]);
    if (t.IsError()) return Operand::Of(t);
    type = t.number > 0 ? 1 : t.number < 0 ? -1 : 0;
  }
  const RangeData& d = ev.Range(list.range);
  if (d.rows != 1 && d.columns != 1) return Error(ErrorCode::NA);
  Vector v{&d, d.rows == 1, 0, d.rows == 1 ? d.columns : d.rows, d.rows == 1 ? d.stored_columns : d.stored_rows};
  int at = Find(ev, want, v, type);
  if (at < 0) return Error(ErrorCode::NA);
  return Number(at + 1);
}

Operand Index(Evaluation& ev, const FunctionArgs& args) {
  Operand o = ev.Evaluate(*args[0]);
  if (!o.is_range) {
    ev.Uncertain();
    return Error(ErrorCode::Value);
  }
  const Area& a = o.range.area;
  const int rows = a.last_row - a.first_row + 1, columns = a.last_column - a.first_column + 1;
  int row = 0, column = 0;
  FormulaValue r = ev.Number(*args[1]);
  if (r.IsError()) return Operand::Of(r);
  row = static_cast<int>(std::trunc(r.number));
  if (args.size() > 2 && args[2]->type != Node::Type::Missing) {
    FormulaValue c = ev.Number(*args[2]);
    if (c.IsError()) return Operand::Of(c);
    column = static_cast<int>(std::trunc(c.number));
  } else if (rows == 1) {
    // One index into a single row counts along the row.
    column = row;
    row = 1;
  }
  if (row < 0 || column < 0) return Error(ErrorCode::Value);
  if (row > rows || column > columns || (row == 0 && column == 0 && rows > 1 && columns > 1)) {
    return Error(ErrorCode::Ref);
  }
  if (columns == 1 && column == 0) column = 1;
  Operand result = o;
  Area& s = result.range.area;
  if (row > 0) s.first_row = s.last_row = a.first_row + row - 1;
  if (column > 0) s.first_column = s.last_column = a.first_column + column - 1;
  return result;
}

Operand Size(Evaluation& ev, const FunctionArgs& args, bool rows) {
  Operand o = ev.Evaluate(*args[0]);
  if (!o.is_range) {
    if (o.value.IsError()) return o;
    return Number(1);
  }
  const Area& a = o.range.area;
  return Number(rows ? a.last_row - a.first_row + 1 : a.last_column - a.first_column + 1);
}

Operand Rows(Evaluation& ev, const FunctionArgs& args) { return Size(ev, args, true); }
Operand Columns(Evaluation& ev, const FunctionArgs& args) { return Size(ev, args, false); }

}  // namespace

const FunctionEntry kLookupFunctions[] = {
    {"VLOOKUP", VLookup, 3, 4}, {"HLOOKUP", HLookup, 3, 4}, {"MATCH", Match, 2, 3},   {"INDEX", Index, 2, 3},
    {"ROWS", Rows, 1, 1},       {"COLUMNS", Columns, 1, 1}, {nullptr, nullptr, 0, 0},
};

}  // namespace tallyvane::formula
