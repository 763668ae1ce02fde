#pragma once
// A message box for the length of a ServiceScope: it records what it was asked to show and
// answers from `answers` in turn, then with `answer`.
#include <deque>
#include <optional>
#include <vector>

#include "platform/ui/IMessageBox.h"

namespace lv8int::test {

class RecordingMessageBox : public IMessageBox {
 public:
  int32_t show(const String& text, int32_t style, const std::optional<String>& caption) override {
    shown.push_back({text, style, caption});
    if (answers.empty()) return answer;
    const int32_t next = answers.front();
    answers.pop_front();
    return next;
  }

  struct Shown {
    String text;
    int32_t style;
    std::optional<String> caption;
  };
  std::vector<Shown> shown;
  std::deque<int32_t> answers;
  int32_t answer = 1;
};

}  // namespace lv8int::test
