#pragma once
// The automation error a call raises; a test failure (and error 0) when it raises none.
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"

namespace lv8int::test {

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

}  // namespace lv8int::test
