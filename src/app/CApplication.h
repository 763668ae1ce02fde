#pragma once
// CApplication: the one object per thread through which a host program reaches every service of
// the library. Reached through GZRGNTUtil::Application; not creatable by clients.
#include <cstdint>

#include "platform/automation/Collection.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/EventSource.h"
#include "platform/host/CDatabaseEngine.h"
#include "platform/host/IAddIn.h"

namespace lv8int {

class CConfig;
class CConsole;
class CSystemConfig;
class CUserConfig;
class CPeriods;
class CBaseInfo;
class CUserRight;
class CWarning;
class CToolbar;
class CSysStatus;
class XMLRegistry;
class ILoginWindow2;

// Getters returning the library's own classes are defined out of line, so that including this
// header does not need their definitions.
class CApplication : public Object {
 public:
  CApplication();
  ~CApplication() override;  // runs Terminate

  // _CApplication, in slot order.
  Ref<CDatabaseEngine> DatabaseEngine() const { return databaseEngine_; }
  String MidServerName() const { return midServerName_; }
  Ref<Object> CreateMidObject(const String& ProgID);
  bool ShowHint(const String& sHintName);
  String FullPath() const { return fullPath_; }
  Ref<Collection> Tags();
  void Init(const Ref<Object>& mdiMain, const String& strFullPath);
  Ref<IAddIn> AddIn();
  Ref<CConfig> Config() const;
  String ComputerName() const { return computerName_; }
  void Terminate();
  Ref<CConsole> Console() const;
  String CurrentUserID() const { return currentUserID_; }
  String CurrentUserName() const { return currentUserName_; }
  bool login();
  void LogOut();
  Ref<CPeriods> Periods();
  void SaveSysConfig();
  void SaveUserConfig();
  bool SilentLogin(const String& strDSN, const String& strUser, const String& strPassword, int32_t lngCorpID);
  String StrEnv() const { return strEnv_; }
  String strEnvValue() const { return strEnvValue_; }
  Ref<XMLRegistry> SysConfig();
  Ref<CSystemConfig> SysConfigControl() const;
  Ref<XMLRegistry> UserConfig();
  Ref<CUserConfig> UserConfigControl() const;
  String DSN() const { return dsn_; }
  String CurrentPrjID() const { return currentPrjID_; }
  void put_CurrentPrjID(const String& pstrPrjID) { currentPrjID_ = pstrPrjID; }
  Ref<CBaseInfo> BaseInfo();
  String EncryptPWD(const String& PWD);
  Ref<CUserRight> UserRight();
  Ref<CWarning> Warning();
  Ref<CToolbar> Toolbar();
  Ref<CSysStatus> SysStatus();
  String Title();
  String ConnectionString() const { return connectionString_; }
  void put_ConnectionString(const String& strCon) { connectionString_ = strCon; }
  bool IsExamNum() const { return examFlag_; }
  int32_t LoginType() const { return loginType_; }
  bool login2(int32_t& nLoginType);
  void SetIsExam() { examFlag_ = true; }

  // Library-internal.
  int32_t corporationID() const { return corporationID_; }
  // The host's main form given to Init (no object before Init).
  Ref<Object> mainForm() const { return mainForm_; }
  // For tools that read a configuration tree without starting a host (lv8 config ...): the
  // host program's path and the user whose folder CurrentUserPath names. Hosts use Init/login.
  void setFullPath(const String& strFullPath) { fullPath_ = strFullPath; }
  void setCurrentUserName(const String& name) { currentUserName_ = name; }
  // For tools that log a user in without a login window, once they have checked the user
  // themselves (lv8 periods, has-right, warnings).
  void setCurrentUserID(const String& id) { currentUserID_ = id; }
  void setComputerName(const String& name) { computerName_ = name; }
  // Tools that name the middle-tier server on their command line (lv8 periods --server).
  void setMidServerName(const String& name) { midServerName_ = name; }
  // The server the registration names for the middle tier (RemoteServerName of the AppID of
  // ZRMSysBase.SysDSN); this computer when it names none. Init sets MidServerName from it.
  String findMidServerName();
  // Source of the __CApplication events (OnLanguageChange; the library raises none).
  EventSource& events() { return events_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  // LogOut's steps, also run by Terminate while it is the step running.
  void logOutSteps();
  // login (nLoginType null) and login2 share their steps.
  bool runLogin(int32_t* nLoginType);
  template <class Window>
  bool runLoginDialog(Window& window, ILoginWindow2* typed);

  String currentPrjID_;
  String currentUserID_;
  String currentUserName_;
  int32_t corporationID_ = 0;
  String dsn_;
  String strEnv_;
  String strEnvValue_;
  Ref<CUserConfig> userConfig_;
  Ref<CSystemConfig> sysConfig_;
  Ref<CPeriods> periods_;
  Ref<CBaseInfo> baseInfo_;
  String connectionString_;
  Ref<CDatabaseEngine> databaseEngine_;
  bool examFlag_ = false;
  int32_t loginType_ = 0;
  Ref<CUserRight> userRight_;
  Ref<CWarning> warning_;
  Ref<CToolbar> toolbar_;
  Ref<CSysStatus> sysStatus_;
  String computerName_;
  Ref<Collection> tags_;
  Ref<CConfig> config_;
  Ref<CConsole> console_;
  String fullPath_;
  String midServerName_;
  Ref<IAddIn> addIn_;
  Ref<Object> mainForm_;
  EventSource events_;
  // Init, login/login2, LogOut and Terminate run one at a time: called again while one of them
  // runs (by an add-in, a host form or a window's event), each does nothing.
  bool stepRunning_ = false;
};

}  // namespace lv8int
