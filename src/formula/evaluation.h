#pragma once
// What a function of the formula language sees while it is evaluated: its
// argument expressions (evaluated on demand, so IF and IFERROR take only
// the branch they need), the cells of ranges, and the flag that marks the
// result as one the spreadsheets may not all agree on.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formula/formula_parser.h"
#include "formula/formula_value.h"

namespace tallyvane::formula {

struct RangeRef {
  int sheet = 0;
  Area area;
};

// An operand: a single value, or a reference to a range of cells.
struct Operand {
  bool is_range = false;
  RangeRef range;
  FormulaValue value;

  static Operand Of(FormulaValue v) {
    Operand o;
    o.value = std::move(v);
    return o;
  }
};

// The cells of a range, read once and shared by every formula that uses
// the same range. Whole columns and rows stop at the sheet's last cell;
// beyond it every cell is empty.
struct RangeData {
  int rows = 0;  // nominal size of the range
  int columns = 0;
  int stored_rows = 0;  // the part held in cells
  int stored_columns = 0;
  std::vector<FormulaValue> cells;  // stored_rows x stored_columns, row by row
  std::vector<std::uint8_t> flags;  // per cell: kFormulaCell, kSubtotalCell
  std::vector<bool> hidden;         // per stored row
  bool any_hidden = false;
  // What aggregate functions found in it, kept for the next formula.
  mutable std::shared_ptr<struct NumberList> summary;
  // Results of criteria functions over this range, by the other ranges
  // and the criteria: a column of totals by region reads the data once
  // per region, not once per formula.
  struct Memo {
    FormulaValue value;
    bool certain;
  };
  mutable std::map<std::string, Memo> criteria_results;

  static constexpr std::uint8_t kFormulaCell = 1;
  static constexpr std::uint8_t kSubtotalCell = 2;

  const FormulaValue& At(int row, int column) const;  // zero-based
  std::uint8_t FlagsAt(int row, int column) const;
  bool RowHidden(int row) const { return row < stored_rows && hidden[static_cast<size_t>(row)]; }
};

class Evaluation {
 public:
  virtual ~Evaluation() = default;
  virtual Operand Evaluate(const Node& node) = 0;
  // The cells of a range, with their dependencies counted for the formula.
  virtual const RangeData& Range(const RangeRef& range) = 0;
  virtual bool Date1904() const = 0;
  // The result will not be saved: some spreadsheet may compute it otherwise.
  virtual void Uncertain() = 0;

  // A single value: a one-cell range gives its value; a larger range is
  // not a value every spreadsheet reads alike.
  FormulaValue Scalar(const Node& node);
  FormulaValue ScalarOf(const Operand& operand);
  // Scalar converted to a number (an error value when it cannot be).
  FormulaValue Number(const Node& node);
  FormulaValue NumberOf(const FormulaValue& value);
};

using FunctionArgs = std::vector<std::unique_ptr<Node>>;
using FunctionImpl = Operand (*)(Evaluation& ev, const FunctionArgs& args);

}  // namespace tallyvane::formula
