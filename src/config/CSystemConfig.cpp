#include "config/CSystemConfig.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/ConfigFiles.h"
#include "platform/automation/AutomationError.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {
Ref<CConfig> sharedConfig() { return GZRGNTUtil::sharedApplication()->Config(); }
}  // namespace

CSystemConfig::CSystemConfig() : CSystemConfig(sharedConfig()) {}

CSystemConfig::CSystemConfig(const Ref<CConfig>& config) {
  if (!config) raiseError(err::ObjectNotSet);
  registry_ = make<XMLRegistry>();
  fileName_ = config->CurrentMachinePath() + u"MachineCfg.xml";
  defaultFileName_ = config->Path() + u"Default/MachineCfg.xml";
}

bool CSystemConfig::Load() {
  return configfiles::loadStore(*registry_, fileName_, defaultFileName_, ownFileUnreadable_);
}

void CSystemConfig::Save() { configfiles::saveStore(*registry_, fileName_, ownFileUnreadable_); }

const DispatchTable* CSystemConfig::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CSystemConfig>(u"CSystemConfig")
                                         .method(u"Load", &CSystemConfig::Load)
                                         .method(u"Save", &CSystemConfig::Save)
                                         .get(u"Registry", &CSystemConfig::Registry)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CSystemConfig, nullptr);

}  // namespace lv8int
