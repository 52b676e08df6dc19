#pragma once
// The one error type that platform layers throw. Its text is the
// description that the run's operations log after their fixed message.
#include <stdexcept>
#include <string>

namespace tallyvane {

class PlatformError : public std::runtime_error {
 public:
  explicit PlatformError(const std::string& description, long number = 0)
      : std::runtime_error(description), number_(number) {}
  const char* Description() const noexcept { return what(); }
  long Number() const noexcept { return number_; }

 private:
  long number_;
};

}  // namespace tallyvane
