#include "config/CUserConfig.h"

#include <cstdio>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/ConfigFiles.h"
#include "platform/automation/AutomationError.h"
#include "typelib/Registration.h"

namespace lv8int {

CUserConfig::~CUserConfig() {
  // A store that was never bound to a user has nothing to save. An error must not leave a
  // destructor: it is reported and the store goes away.
  if (!registry_) return;
  try {
    Save();
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "LV8INT: the user configuration %s was not saved: error %d: %s\n",
                 toUtf8(fileName_).c_str(), e.number(), toUtf8(e.description()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "LV8INT: the user configuration %s was not saved: %s\n", toUtf8(fileName_).c_str(),
                 e.what());
  } catch (...) {
    std::fprintf(stderr, "LV8INT: the user configuration %s was not saved\n", toUtf8(fileName_).c_str());
  }
}

bool CUserConfig::Load() {
  if (!registry_) return false;
  return configfiles::loadStore(*registry_, fileName_, defaultFileName_, ownFileUnreadable_);
}

void CUserConfig::Save() {
  if (!registry_) raiseError(err::ObjectNotSet);
  configfiles::saveStore(*registry_, fileName_, ownFileUnreadable_);
}

void CUserConfig::Init(String& strUserCode) {
  initWith(GZRGNTUtil::sharedApplication()->Config(), strUserCode);
}

void CUserConfig::initWith(const Ref<CConfig>& config, const String& strUserCode) {
  userCode_ = strUserCode;
  if (!config) raiseError(err::ObjectNotSet);
  fileName_ = config->CurrentUserPath() + u"usercfg.xml";
  defaultFileName_ = config->Path() + u"Default/UserCfg.xml";
  registry_ = make<XMLRegistry>();  // an earlier registry goes unsaved
  Load();
}

const DispatchTable* CUserConfig::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CUserConfig>(u"CUserConfig")
                                         .method(u"Load", &CUserConfig::Load)
                                         .method(u"Save", &CUserConfig::Save)
                                         .get(u"Registry", &CUserConfig::Registry)
                                         .method(u"Init", &CUserConfig::Init)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CUserConfig, nullptr);

}  // namespace lv8int
