#pragma once
// CUserConfig: the per-user configuration store (usercfg.xml in the user's folder, falling back
// to Default/UserCfg.xml). Saves itself when it ends.
#include "platform/automation/Dispatch.h"
#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int {

class CUserConfig : public Object {
 public:
  CUserConfig() = default;
  ~CUserConfig() override;  // saves; a failure is reported on standard error, never raised

  bool Load();
  void Save();
  Ref<XMLRegistry> Registry() const { return registry_; }  // none before Init
  void Init(String& strUserCode);

  String userCode() const { return userCode_; }
  String fileName() const { return fileName_; }
  String defaultFileName() const { return defaultFileName_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  String userCode_;
  Ref<XMLRegistry> registry_;
  String fileName_;
  String defaultFileName_;
};

}  // namespace lv8int
