#pragma once
// The automation error a call raises, for tests of error numbers and texts.
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"

namespace lv8int::test {

// The error `f` raises; a test failure (and error 0) when it raises none.
template <class F>
AutomationError raisedError(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return AutomationError(0, {}, {});
}

// The number of the error `f` raises, or 0 when it raises none (tables where some calls succeed).
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace lv8int::test
