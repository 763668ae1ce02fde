#pragma once
// The thread's shared application, initialised over a fresh configuration tree with a fake
// host main form, so that what needs the application's title or configuration works (MGB
// without a title, the error box's caption, the hint definitions). Terminates it at the end.
#include "app/CApplication.h"
#include "support/ConfigTree.h"

namespace lv8int {
class IRegistry;
}  // namespace lv8int

namespace lv8int::test {

class TitledApp {
 public:
  TitledApp();
  ~TitledApp();
  TitledApp(const TitledApp&) = delete;
  TitledApp& operator=(const TitledApp&) = delete;

  ConfigTree& tree() { return tree_; }
  Ref<CApplication> app() const { return app_; }
  // The application's title in the tree ("测试账务系统").
  static String title();

 private:
  ConfigTree tree_;
  TempFolder hives_;
  IRegistry* registry_ = nullptr;
  IRegistry* previousRegistry_ = nullptr;
  Ref<CApplication> app_;
};

}  // namespace lv8int::test
