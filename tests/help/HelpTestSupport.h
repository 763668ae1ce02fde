#pragma once
// Shared pieces of the help tests: a message box that records, an in-memory registry, and
// copies of the sample help file.
#include <QCoreApplication>
#include <QEvent>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation/String.h"
#include "platform/registry/Registry.h"
#include "platform/ui/IMessageBox.h"

namespace lv8int::test {

struct ShownMessage {
  String text;
  int32_t style = 0;
  String caption;
};

class RecordingMessageBox : public IMessageBox {
 public:
  int32_t show(const String& text, int32_t style, const std::optional<String>& caption) override {
    shown.push_back({text, style, caption.value_or(String(u"<none>"))});
    return 1;
  }
  std::vector<ShownMessage> shown;
};

inline const std::string kSampleChm = std::string(LV8_TEST_FIXTURES) + "/help/sample.chm";

// Runs the deferred deletions of closed windows.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace lv8int::test
