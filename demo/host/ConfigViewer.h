#pragma once
// The configuration viewer of the demo host: a child window showing, read-only, where the
// application's configuration lives and what it holds, all read through the library (the
// application's and CConfig's folders, the system properties with the user's own over them, the
// machine and user stores, and the registration of the components the configuration names).
#include "DemoChildForm.h"

namespace lv8demo {

class ConfigViewer : public DemoChildForm {
 public:
  explicit ConfigViewer(int32_t helpContext);

  // Reads everything again (after the user's store or the registration changed).
  void refresh();
  // The value shown under a path of item names ("配置文件夹/配置根"), or a null string.
  QString valueAt(const QString& path) const;

  // Refresh and Expand; other commands as every child window runs them.
  void ExecuteMenu(const lv8int::String& MenuName) override;
};

}  // namespace lv8demo
