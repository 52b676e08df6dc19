#pragma once
// The local date and time, behind a seam so that tests can fix the moment.
#include "platform/value.h"

namespace tallyvane {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

class SystemClock : public Clock {
 public:
  DateTime Now() const override;
};

// The clock's moment, or the system's when no clock is set.
DateTime NowOf(const Clock* clock);

}  // namespace tallyvane
