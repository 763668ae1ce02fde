#pragma once
// CUserConfig: the per-user configuration store (usercfg.xml in the user's folder, falling back
// to Default/UserCfg.xml). Saves itself when it ends.
#include "platform/automation/Dispatch.h"
#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int {

class CConfig;

class CUserConfig : public Object {
 public:
  CUserConfig() = default;
  ~CUserConfig() override;  // saves; a failure is reported on standard error, never raised

  bool Load();
  void Save();
  Ref<XMLRegistry> Registry() const { return registry_; }  // none before Init
  void Init(String& strUserCode);

  // Library-internal: Init against a given configuration (tools without an initialised
  // application object), and ending a store without the save its end would make (read-only
  // tools).
  void initWith(const Ref<CConfig>& config, const String& strUserCode);
  void releaseUnsaved() { registry_ = nullptr; }

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
  bool ownFileUnreadable_ = false;  // kept as <name>.bad before the next Save
};

}  // namespace lv8int
