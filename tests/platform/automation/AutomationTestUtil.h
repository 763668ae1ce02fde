#pragma once
// Helpers shared by the automation runtime tests.
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"

namespace lv8int::test {

// The number of the AutomationError `f` raises, or 0 when it raises none.
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// Expects `f` to raise `number` with the runtime's standard description for it.
template <class F>
void expectStandardError(int32_t number, F&& f) {
  try {
    f();
    ADD_FAILURE() << "no error raised, expected " << number;
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), number);
    EXPECT_EQ(toUtf8(e.description()), toUtf8(standardDescription(number)));
  }
}

}  // namespace lv8int::test
