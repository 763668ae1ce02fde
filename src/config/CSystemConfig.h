#pragma once
// CSystemConfig: the per-machine configuration store (MachineCfg.xml in the machine's folder,
// falling back to Default/MachineCfg.xml).
#include "platform/automation/Dispatch.h"
#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int {

class CConfig;

class CSystemConfig : public Object {
 public:
  CSystemConfig();  // sets the file names; loads nothing
  // Library-internal: the store of a given configuration (tools without an initialised
  // application object).
  explicit CSystemConfig(const Ref<CConfig>& config);

  bool Load();
  void Save();
  Ref<XMLRegistry> Registry() const { return registry_; }

  String fileName() const { return fileName_; }
  String defaultFileName() const { return defaultFileName_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  Ref<XMLRegistry> registry_;
  String fileName_;
  String defaultFileName_;
  bool ownFileUnreadable_ = false;  // kept as <name>.bad before the next Save
};

}  // namespace lv8int
