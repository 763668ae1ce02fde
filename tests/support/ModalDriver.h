#pragma once
// Answering a modal dialog from a test: the action runs once the dialog is shown and its event
// loop is running. A dialog still open a while after the action is closed by force (done()) and
// the test fails, so that a broken dialog cannot hang the test run.
#include <functional>

class QWidget;

namespace lv8int::test {

// Arms the driver; call it right before the call that shows the dialog.
void whenModalShown(std::function<void(QWidget* dialog)> action, int timeoutMs = 10000);

// Processes events until `done` holds or `timeoutMs` passed; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace lv8int::test
