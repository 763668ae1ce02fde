#pragma once
// CSystemConfig: the per-machine configuration store (MachineCfg.xml in the machine's folder,
// falling back to Default/MachineCfg.xml).
#include "platform/automation/Dispatch.h"
#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int {

class CSystemConfig : public Object {
 public:
  CSystemConfig();  // sets the file names; loads nothing

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
};

}  // namespace lv8int
