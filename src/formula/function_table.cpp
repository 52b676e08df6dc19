#include "formula/function_table.h"

#include <string>

namespace tallyvane::formula {

const FunctionEntry* FindFunction(std::string_view name) {
  for (const FunctionEntry* family : {kAggregateFunctions, kCriteriaFunctions, kLookupFunctions, kLogicFunctions,
                                      kMathFunctions, kTextFunctions, kDateFunctions}) {
    for (const FunctionEntry* f = family; f->name; ++f) {
      if (name == f->name) return f;
    }
  }
  return nullptr;
}

bool IsVolatileFunction(std::string_view name) {
  static const char* kVolatile[] = {"NOW",      "TODAY",  "RAND", "RANDBETWEEN", "RANDARRAY",
                                    "INDIRECT", "OFFSET", "CELL", "INFO"};
  for (const char* v : kVolatile) {
    if (name == v) return true;
  }
  return false;
}

bool IsOtherBuiltinFunction(std::string_view name) {
  // Common deterministic functions of the desktop spreadsheet; anything
  // else may be an add-in or a macro that reads what it likes.
  static const char* kBuiltins[] = {
      "ACOS",      "ASIN",      "ATAN",      "ATAN2",       "AVERAGEA",    "CEILING",  "CHAR",      "CHOOSE",
      "CLEAN",     "CODE",      "CONCAT",    "COS",         "COUNTUNIQUE", "DATEDIF",  "DATEVALUE", "DAYS",
      "DOLLAR",    "EDATE",     "EOMONTH",   "EXACT",       "EXP",         "FACT",     "FIND",      "FIXED",
      "FLOOR",     "HOUR",      "IFNA",      "IFS",         "ISBLANK",     "ISERR",    "ISERROR",   "ISEVEN",
      "ISLOGICAL", "ISNA",      "ISNONTEXT", "ISNUMBER",    "ISODD",       "ISTEXT",   "LARGE",     "LN",
      "LOG",       "LOG10",     "LOOKUP",    "MAXA",        "MAXIFS",      "MEDIAN",   "MINA",      "MINIFS",
      "MINUTE",    "MODE",      "N",         "NETWORKDAYS", "PI",          "POWER",    "PRODUCT",   "PROPER",
      "QUOTIENT",  "RANK",      "REPLACE",   "REPT",        "SEARCH",      "SECOND",   "SIGN",      "SIN",
      "SMALL",     "SQRT",      "STDEV",     "STDEVP",      "SUBSTITUTE",  "SUMSQ",    "SWITCH",    "T",
      "TAN",       "TEXT",      "TEXTJOIN",  "TIME",        "TIMEVALUE",   "TRUNC",    "VALUE",     "VAR",
      "VARP",      "WEEKDAY",   "WEEKNUM",   "WORKDAY",     "XLOOKUP",     "YEARFRAC", "ROW",       "COLUMN",
      "ISREF",     "TRANSPOSE",
  };
  for (const char* b : kBuiltins) {
    if (name == b) return true;
  }
  return false;
}

}  // namespace tallyvane::formula
