// The sample middle tier as a component plug-in: its classes, registered by lv8-regsvr under
// one AppID (see MiddleTier.h for where it finds its database and its user).
#include "MiddleTier.h"
#include "SysDSN.h"
#include "SysLogin.h"
#include "SysUserRight.h"
#include "SysWarning.h"
#include "UtilPeriod.h"
#include "platform/components/PluginApi.h"

using lv8int::components::instance;

LV8_PLUGIN_CLASSES({u"ZRMSysBase.SysDSN", u"{EE962C04-5C96-48F2-A125-30EFD07E93A3}", zrm::kAppID, &instance<zrm::SysDSN>},
                   {u"ZRMSysBase.SysUserRight", u"{3BBF22C1-1A1E-4E19-9681-53DDB07AA7BF}", zrm::kAppID,
                    &instance<zrm::SysUserRight>},
                   {u"ZRMSysBase.SysWarning", u"{00822160-637C-4BFF-BD1E-9CEE0F91430F}", zrm::kAppID,
                    &instance<zrm::SysWarning>},
                   {u"ZRMDictUtil.utilPeriod", u"{851F6F5F-1C60-406D-948A-AA863481FBD5}", zrm::kAppID,
                    &instance<zrm::UtilPeriod>},
                   {u"ZRMSysBase.SysLogin", u"{AD4ECA90-E234-4081-A323-CCE7B35D1AEE}", zrm::kAppID,
                    &instance<zrm::SysLogin>})
