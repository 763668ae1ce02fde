#pragma once
// Shared pieces of the help tests: the sample help file, the deletion of closed windows, and
// (included for every help test) the recording message box and the registry.
#include <QCoreApplication>
#include <QEvent>
#include <string>

#include "platform/automation/String.h"
#include "platform/registry/Registry.h"
#include "support/RecordingMessageBox.h"

namespace lv8int::test {

inline const std::string kSampleChm = std::string(LV8_TEST_FIXTURES) + "/help/sample.chm";

// Runs the deferred deletions of closed windows.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace lv8int::test
