#pragma once
// The engine's public boundary: turns any exception into PlatformError.
#include <exception>
#include <new>
#include <string>

#include "platform/platform_error.h"

namespace tallyvane::ooxml {

template <typename F>
auto Guarded(const std::string& action, F f) -> decltype(f()) {
  try {
    return f();
  } catch (const PlatformError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw PlatformError("cannot " + action + ": out of memory");
  } catch (const std::exception& e) {
    throw PlatformError("cannot " + action + ": " + e.what());
  }
}

}  // namespace tallyvane::ooxml
