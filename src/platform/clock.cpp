#include "platform/clock.h"

#include <ctime>

namespace tallyvane {

DateTime SystemClock::Now() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  DateTime dt;
  dt.year = local.tm_year + 1900;
  dt.month = local.tm_mon + 1;
  dt.day = local.tm_mday;
  dt.hour = local.tm_hour;
  dt.minute = local.tm_min;
  dt.second = local.tm_sec;
  return dt;
}

DateTime NowOf(const Clock* clock) { return clock != nullptr ? clock->Now() : SystemClock().Now(); }

}  // namespace tallyvane
