#pragma once
// Closes every error box shown while it lives, after noting what it showed. A box that nobody
// closes would hang the test, so any number of boxes (none included) can be checked.
#include <QString>
#include <QTimer>
#include <vector>

namespace lv8int::test {

class ErrBoxRecorder {
 public:
  struct Box {
    QString caption, description, detail;
    bool collapsed = false;
  };
  ErrBoxRecorder();
  ErrBoxRecorder(const ErrBoxRecorder&) = delete;
  ErrBoxRecorder& operator=(const ErrBoxRecorder&) = delete;

  std::vector<Box> boxes;

 private:
  QTimer timer_;
};

}  // namespace lv8int::test
