#include "value_expectations.h"

#include <sstream>
#include <tuple>

#include "platform/platform_error.h"

namespace tallyvane::testing {
namespace {

auto Parts(const Value& v) {
  const DateTime& d = v.date_time;
  return std::tie(v.kind, v.integer, v.number, v.text, v.boolean, d.year, d.month, d.day, d.hour,
                  d.minute, d.second, d.nanosecond);
}

std::string Describe(const Value& v) {
  std::ostringstream out;
  const DateTime& d = v.date_time;
  out << "kind " << static_cast<int>(v.kind) << " (" << v.integer << ", " << v.number << ", "
      << (v.boolean ? "true" : "false") << ", " << d.year << "-" << d.month << "-" << d.day << " "
      << d.hour << ":" << d.minute << ":" << d.second << "." << d.nanosecond << ", "
      << v.text.size() << " bytes \"" << v.text.substr(0, 60) << "\")";
  return out.str();
}

}  // namespace

::testing::AssertionResult SameValue(const Value& a, const Value& e) {
  if (Parts(a) == Parts(e)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << Describe(a) << ", expected " << Describe(e);
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PlatformError& error) {
    return error.Description();
  }
  ADD_FAILURE() << "no error";
  return "";
}

}  // namespace tallyvane::testing
