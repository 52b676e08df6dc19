#include "formula/evaluator.h"

#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "formula/evaluation.h"
#include "formula/function_table.h"

namespace tallyvane::formula {
namespace {

// Cells computed inside one another (a formula reading a formula reading
// a formula ...) beyond this depth are left uncertain rather than risk the
// stack; cells are computed in sheet order, so chains that read upwards
// never nest deeply.
constexpr int kMaxDepth = 200;
// A range of more cells than this is not read (a whole-sheet reference over
// a filled sheet would take gigabytes), and neither is one that would take
// the ranges read so far past it (running totals over thousands of
// inserted rows read a long range each); formulas using it stay uncertain.
// About 115 MB.
constexpr long long kMaxRangeCells = 2000000;

const FormulaValue kEmpty;

bool MentionsSubtotal(std::string_view formula) {
  std::string upper(formula);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return upper.find("SUBTOTAL(") != std::string::npos || upper.find("AGGREGATE(") != std::string::npos;
}

}  // namespace

const FormulaValue& RangeData::At(int row, int column) const {
  if (row >= stored_rows || column >= stored_columns || row < 0 || column < 0) return kEmpty;
  return cells[static_cast<size_t>(row) * static_cast<size_t>(stored_columns) + static_cast<size_t>(column)];
}

std::uint8_t RangeData::FlagsAt(int row, int column) const {
  if (row >= stored_rows || column >= stored_columns || row < 0 || column < 0) return 0;
  return flags[static_cast<size_t>(row) * static_cast<size_t>(stored_columns) + static_cast<size_t>(column)];
}

FormulaValue Evaluation::Scalar(const Node& node) { return ScalarOf(Evaluate(node)); }

FormulaValue Evaluation::ScalarOf(const Operand& operand) {
  if (!operand.is_range) return operand.value;
  const Area& a = operand.range.area;
  if (a.first_row == a.last_row && a.first_column == a.last_column) return Range(operand.range).At(0, 0);
  // A range where one value is expected: the spreadsheets intersect it
  // with the formula's row or column, or spill it.
  Uncertain();
  return FormulaValue::Error(ErrorCode::Value);
}

FormulaValue Evaluation::Number(const Node& node) { return NumberOf(Scalar(node)); }

FormulaValue Evaluation::NumberOf(const FormulaValue& value) {
  Conversion c = ToNumber(value);
  if (!c.certain) Uncertain();
  return c.value;
}

class Evaluator::Impl : public Evaluation {
 public:
  Impl(const CellSource& source, bool date1904) : source_(source), date1904_(date1904) {}

  CellResult CellValue(int sheet, int row, int column) {
    SourceCell cell = source_.Cell(sheet, row, column);
    if (cell.kind != SourceCell::Kind::Formula) {
      return {cell.value, cell.certain, source_.SheetChanged(sheet)};
    }
    const std::uint64_t key = Key(sheet, row, column);
    auto it = cells_.find(key);
    if (it != cells_.end()) {
      // Met again while being computed: a circular reference.
      if (!it->second.done) return {FormulaValue::Error(ErrorCode::Value), false, true};
      return it->second.result;
    }
    if (static_cast<int>(frames_.size()) >= kMaxDepth) return {FormulaValue::Error(ErrorCode::Value), false, true};
    cells_[key].done = false;
    CellResult result = Compute(cell.formula, cell.array, sheet, row, column);
    CellState& state = cells_[key];
    state.done = true;
    state.result = result;
    return result;
  }

  CellResult Compute(std::string_view text, bool array, int sheet, int row, int column) {
    frames_.push_back({sheet, row, column, true, false});
    FormulaValue v;
    const ParsedFormula& parsed = Parsed(text);
    if (!parsed.root) {
      // What we cannot read may read anything.
      frames_.back().certain = false;
      frames_.back().changed = true;
      v = FormulaValue::Error(ErrorCode::Name);
    } else {
      v = ScalarOf(Evaluate(*parsed.root));
    }
    Frame f = frames_.back();
    frames_.pop_back();
    if (array) {
      f.certain = false;
      f.changed = true;
    }
    if (v.kind == FormulaValue::Kind::Empty) v = FormulaValue::Number(0);
    if (v.IsNumber() && !std::isfinite(v.number)) v = FormulaValue::Error(ErrorCode::Num);
    if (v.IsError()) f.certain = false;
    return {v, f.certain, f.changed};
  }

  Operand Evaluate(const Node& node) override {
    switch (node.type) {
      case Node::Type::Literal: return Operand::Of(node.literal);
      case Node::Type::Missing: return Operand::Of(FormulaValue());
      case Node::Type::Reference: return Reference(node);
      case Node::Type::Name: return Name(node);
      case Node::Type::Negate:
      case Node::Type::Percent: {
        FormulaValue v = Number(*node.children[0]);
        if (v.IsError()) return Operand::Of(v);
        return Operand::Of(FormulaValue::Number(node.type == Node::Type::Negate ? -v.number : v.number / 100));
      }
      case Node::Type::Plus: {
        FormulaValue v = Scalar(*node.children[0]);
        if (!v.IsNumber()) Uncertain();
        return Operand::Of(v);
      }
      case Node::Type::Binary: return Operand::Of(Binary(node));
      case Node::Type::Call: return Call(node);
    }
    return Operand::Of(FormulaValue::Error(ErrorCode::Value));
  }

  const RangeData& Range(const RangeRef& ref) override {
    auto key =
        std::make_tuple(ref.sheet, ref.area.first_row, ref.area.first_column, ref.area.last_row, ref.area.last_column);
    auto it = ranges_.find(key);
    if (it == ranges_.end()) {
      auto entry = std::make_unique<RangeEntry>();
      RangeEntry* raw = entry.get();
      ranges_.emplace(key, std::move(entry));
      Fill(ref, raw);
      raw->done = true;
      Merge(raw->certain, raw->changed);
      return raw->data;
    }
    RangeEntry& e = *it->second;
    // A range read while its own cells are being computed is circular.
    if (!e.done) Merge(false, true);
    Merge(e.certain, e.changed);
    return e.data;
  }

  bool Date1904() const override { return date1904_; }
  void Uncertain() override {
    if (!frames_.empty()) frames_.back().certain = false;
  }

  CellResult EvaluateText(std::string_view text, int sheet, int row, int column) {
    return Compute(text, false, sheet, row, column);
  }

 private:
  struct Frame {
    int sheet;
    int row;
    int column;
    bool certain;
    bool changed;
  };
  struct CellState {
    bool done = false;
    CellResult result;
  };
  struct RangeEntry {
    RangeData data;
    bool done = false;
    bool certain = true;
    bool changed = false;
  };

  static std::uint64_t Key(int sheet, int row, int column) {
    return (static_cast<std::uint64_t>(sheet) << 36) | (static_cast<std::uint64_t>(row) << 15) |
           static_cast<std::uint64_t>(column);
  }

  void Merge(bool certain, bool changed) {
    if (frames_.empty()) return;
    if (!certain) frames_.back().certain = false;
    if (changed) frames_.back().changed = true;
  }

  void Changed() {
    if (!frames_.empty()) frames_.back().changed = true;
  }

  const ParsedFormula& Parsed(std::string_view text) {
    auto it = parsed_.find(std::string(text));
    if (it != parsed_.end()) return it->second;
    return parsed_.emplace(std::string(text), ParseFormula(text)).first->second;
  }

  void Fill(const RangeRef& ref, RangeEntry* e) {
    RangeData& d = e->data;
    const Area& a = ref.area;
    d.rows = a.last_row - a.first_row + 1;
    d.columns = a.last_column - a.first_column + 1;
    e->changed = source_.SheetChanged(ref.sheet);
    const int last_row = std::min(a.last_row, source_.LastRow(ref.sheet));
    const int last_column = std::min(a.last_column, source_.LastColumn(ref.sheet));
    d.stored_rows = std::max(0, last_row - a.first_row + 1);
    d.stored_columns = std::max(0, last_column - a.first_column + 1);
    const long long cells = static_cast<long long>(d.stored_rows) * d.stored_columns;
    if (cells > kMaxRangeCells - cells_read_) {
      d.stored_rows = d.stored_columns = 0;
      e->certain = false;
      e->changed = true;
      return;
    }
    if (d.stored_rows == 0 || d.stored_columns == 0) {
      d.stored_rows = d.stored_columns = 0;
      return;
    }
    cells_read_ += cells;
    const size_t count = static_cast<size_t>(cells);
    d.cells.assign(count, FormulaValue());
    d.flags.assign(count, 0);
    d.hidden.assign(static_cast<size_t>(d.stored_rows), false);
    for (int r = 0; r < d.stored_rows; ++r) {
      if (source_.RowHidden(ref.sheet, a.first_row + r)) {
        d.hidden[static_cast<size_t>(r)] = true;
        d.any_hidden = true;
      }
    }
    Area stored{a.first_row, a.first_column, last_row, last_column};
    source_.ForEachCell(ref.sheet, stored, [&](int row, int column, SourceCell& cell) {
      const size_t at = static_cast<size_t>(row - a.first_row) * static_cast<size_t>(d.stored_columns) +
                        static_cast<size_t>(column - a.first_column);
      if (cell.kind == SourceCell::Kind::Value) {
        d.cells[at] = std::move(cell.value);
        if (!cell.certain) e->certain = false;
        return;
      }
      if (cell.kind != SourceCell::Kind::Formula) return;
      d.flags[at] = static_cast<std::uint8_t>(RangeData::kFormulaCell |
                                              (MentionsSubtotal(cell.formula) ? RangeData::kSubtotalCell : 0));
      // The cell's flags count towards the range, and through it towards
      // every formula that reads the range.
      CellResult r = CellValue(ref.sheet, row, column);
      d.cells[at] = r.value;
      if (!r.certain) e->certain = false;
      if (r.changed) e->changed = true;
    });
  }

  Operand Reference(const Node& node) {
    Operand o;
    o.is_range = true;
    o.range.area = node.area;
    if (node.sheet.empty()) {
      o.range.sheet = frames_.back().sheet;
    } else {
      o.range.sheet = source_.FindSheet(node.sheet);
      if (o.range.sheet < 0) {
        Merge(false, true);
        return Operand::Of(FormulaValue::Error(ErrorCode::Ref));
      }
    }
    return o;
  }

  Operand Name(const Node& node) {
    std::string formula;
    bool changed = false;
    if (++name_depth_ > 16 || !source_.FindName(node.name, frames_.back().sheet, &formula, &changed)) {
      --name_depth_;
      Merge(false, true);
      return Operand::Of(FormulaValue::Error(ErrorCode::Name));
    }
    if (changed) Changed();
    Operand result;
    const ParsedFormula& parsed = Parsed(formula);
    if (!parsed.root) {
      Merge(false, true);
      result = Operand::Of(FormulaValue::Error(ErrorCode::Name));
    } else {
      result = Evaluate(*parsed.root);
    }
    --name_depth_;
    return result;
  }

  FormulaValue Binary(const Node& node) {
    const std::string& op = node.op;
    if (op == "&") {
      FormulaValue a = Scalar(*node.children[0]);
      FormulaValue b = Scalar(*node.children[1]);
      if (a.IsError()) return a;
      if (b.IsError()) return b;
      return FormulaValue::Text(AsText(a) + AsText(b));
    }
    if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
      FormulaValue a = Scalar(*node.children[0]);
      FormulaValue b = Scalar(*node.children[1]);
      if (a.IsError()) return a;
      if (b.IsError()) return b;
      bool certain = true;
      int c = CompareValues(a, b, &certain);
      if (!certain) Uncertain();
      bool r = op == "="    ? c == 0
               : op == "<>" ? c != 0
               : op == "<"  ? c < 0
               : op == ">"  ? c > 0
               : op == "<=" ? c <= 0
                            : c >= 0;
      return FormulaValue::Boolean(r);
    }
    FormulaValue a = Number(*node.children[0]);
    FormulaValue b = Number(*node.children[1]);
    if (a.IsError()) return a;
    if (b.IsError()) return b;
    double x = a.number, y = b.number, r = 0;
    bool certain = true;
    switch (op[0]) {
      case '+': r = ApproxAdd(x, y, &certain); break;
      case '-': r = ApproxAdd(x, -y, &certain); break;
      case '*': r = x * y; break;
      case '/':
        if (y == 0) return FormulaValue::Error(ErrorCode::Div0);
        r = x / y;
        break;
      case '^':
        // 0^0 and roots of negative numbers are where spreadsheets part.
        if ((x == 0 && y <= 0) || (x < 0 && y != std::floor(y))) {
          Uncertain();
          return FormulaValue::Error(ErrorCode::Num);
        }
        r = std::pow(x, y);
        // What underflows to nothing one spreadsheet calls an error.
        if (x != 0 && std::fabs(r) < 2.2250738585072014e-308) certain = false;
        break;
      default: return FormulaValue::Error(ErrorCode::Value);
    }
    if (!certain) Uncertain();
    if (!std::isfinite(r)) return FormulaValue::Error(ErrorCode::Num);
    return FormulaValue::Number(r);
  }

  // Text for "&": texts as they are; numbers and Booleans become text by
  // locale and format, so their result is not certain.
  std::string AsText(const FormulaValue& v) {
    if (v.kind == FormulaValue::Kind::Text) return v.text;
    if (v.kind == FormulaValue::Kind::Empty) return std::string();
    Uncertain();
    if (v.kind == FormulaValue::Kind::Boolean) return v.number != 0 ? "TRUE" : "FALSE";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v.number);
    return buf;
  }

  Operand Call(const Node& node) {
    const FunctionEntry* f = FindFunction(node.name);
    if (!f) {
      const bool known = IsOtherBuiltinFunction(node.name) && !IsVolatileFunction(node.name);
      Merge(false, !known);
      // What it reads still decides whether a kept result is still true.
      for (const auto& arg : node.children) Trace(*arg);
      return Operand::Of(FormulaValue::Error(ErrorCode::Name));
    }
    const int n = static_cast<int>(node.children.size());
    if (n < f->min_args || n > f->max_args) {
      Uncertain();
      return Operand::Of(FormulaValue::Error(ErrorCode::Value));
    }
    return f->impl(*this, node.children);
  }

  // Counts what an expression reads without computing it.
  void Trace(const Node& node) {
    if (node.type == Node::Type::Reference) {
      Operand o = Reference(node);
      if (o.is_range) Range(o.range);
      return;
    }
    if (node.type == Node::Type::Name) {
      Name(node);
      return;
    }
    if (node.type == Node::Type::Call) {
      Call(node);
      return;
    }
    for (const auto& c : node.children) Trace(*c);
  }

  const CellSource& source_;
  bool date1904_;
  std::vector<Frame> frames_;
  int name_depth_ = 0;
  std::unordered_map<std::uint64_t, CellState> cells_;
  std::map<std::tuple<int, int, int, int, int>, std::unique_ptr<RangeEntry>> ranges_;
  long long cells_read_ = 0;  // by all the ranges above
  std::unordered_map<std::string, ParsedFormula> parsed_;
};

Evaluator::Evaluator(const CellSource& source, bool date1904) : impl_(std::make_unique<Impl>(source, date1904)) {}
Evaluator::~Evaluator() = default;

CellResult Evaluator::Evaluate(int sheet, int row, int column) { return impl_->CellValue(sheet, row, column); }

CellResult Evaluator::EvaluateText(std::string_view formula, int sheet, int row, int column) {
  return impl_->EvaluateText(formula, sheet, row, column);
}

}  // namespace tallyvane::formula
