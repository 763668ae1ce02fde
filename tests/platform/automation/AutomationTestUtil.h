#pragma once
// Helpers shared by the automation runtime tests.
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "support/RaisedError.h"

namespace lv8int::test {

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
