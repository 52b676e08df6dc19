#include "value_expectations.h"

#include <sstream>

namespace tallyvane::testing {
namespace {

const char* KindName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Null: return "Null";
    case Value::Kind::Integer: return "Integer";
    case Value::Kind::Number: return "Number";
    case Value::Kind::Decimal: return "Decimal";
    case Value::Kind::Text: return "Text";
    case Value::Kind::Date: return "Date";
    case Value::Kind::Time: return "Time";
    case Value::Kind::DateTime: return "DateTime";
    case Value::Kind::Boolean: return "Boolean";
    case Value::Kind::Binary: return "Binary";
  }
  return "?";
}

}  // namespace

std::string Describe(const Value& v) {
  std::ostringstream out;
  out << KindName(v.kind) << "(";
  switch (v.kind) {
    case Value::Kind::Integer: out << v.integer; break;
    case Value::Kind::Number: out << v.number; break;
    case Value::Kind::Decimal: out << v.text << " ~ " << v.number; break;
    case Value::Kind::Text:
      out << (v.text.size() > 60 ? v.text.substr(0, 60) + "...[" + std::to_string(v.text.size()) + " bytes]" : v.text);
      break;
    case Value::Kind::Binary: out << v.text.size() << " bytes"; break;
    case Value::Kind::Boolean: out << (v.boolean ? "true" : "false"); break;
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::DateTime: {
      const DateTime& d = v.date_time;
      out << d.year << "-" << d.month << "-" << d.day << " " << d.hour << ":" << d.minute << ":"
          << d.second << "." << d.nanosecond;
      break;
    }
    case Value::Kind::Null: break;
  }
  out << ")";
  return out.str();
}

::testing::AssertionResult SameValue(const Value& a, const Value& e) {
  bool same = a.kind == e.kind;
  if (same) {
    switch (e.kind) {
      case Value::Kind::Integer: same = a.integer == e.integer; break;
      case Value::Kind::Number: same = a.number == e.number; break;
      case Value::Kind::Decimal: same = a.text == e.text && a.number == e.number; break;
      case Value::Kind::Text:
      case Value::Kind::Binary: same = a.text == e.text; break;
      case Value::Kind::Boolean: same = a.boolean == e.boolean; break;
      case Value::Kind::Date:
      case Value::Kind::Time:
      case Value::Kind::DateTime: {
        const DateTime& x = a.date_time;
        const DateTime& y = e.date_time;
        same = x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour &&
               x.minute == y.minute && x.second == y.second && x.nanosecond == y.nanosecond;
        break;
      }
      case Value::Kind::Null: break;
    }
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << Describe(a) << ", expected " << Describe(e);
}

}  // namespace tallyvane::testing
