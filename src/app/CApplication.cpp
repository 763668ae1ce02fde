#include "app/CApplication.h"

#include <climits>
#include <cstdio>
#include <exception>

#include "app/CBaseInfo.h"
#include "app/CUserRight.h"
#include "app/CWarning.h"
#include "app/GZRGNTUtil.h"
#include "app/modEncrypt.h"
#include "config/CConfig.h"
#include "config/CRegistry.h"
#include "config/CSystemConfig.h"
#include "config/CUserConfig.h"
#include "console/CConsole.h"
#include "console/CSysStatus.h"
#include "console/CToolbar.h"
#include "console/modClassSecurity.h"
#include "periods/CPeriods.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/components/ClassRegistration.h"
#include "platform/files/Files.h"
#include "platform/helpers/Helpers.h"
#include "platform/host/ILoginWindow.h"
#include "platform/windows/IWindows.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "resources/frmHint.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

constexpr char16_t kPasswordKey[] = u"示例软件（开发）有限责任公司口令用密钥";
constexpr int32_t kAddInKind = 2;
constexpr int32_t kHKEY_CLASSES_ROOT = INT32_MIN;  // hexadecimal 80000000 as a Long
constexpr int32_t kREG_SZ = 1;

// The add-in's argument list: an empty array of Variants.
Variant emptyArgumentList() { return Variant::array(SafeArray(VarType::Variant, 0, -1)); }

// 32-bit signed arithmetic that raises the overflow error instead of wrapping.
int32_t checkedSub(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) raiseError(err::Overflow);
  return r;
}
int32_t checkedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) raiseError(err::Overflow);
  return r;
}

// A property read from the configuration as a ProgID; Null counts as empty.
String progIDProperty(CConfig& config, StringView name) {
  const Variant v = config.Properties(String(name));
  return v.isNull() ? String() : CStr(v);
}

// The window operations of login: both windows' rectangles, then the dialog centred over the
// main window (x = main.left + (main width - w) \ 2, the same for y), without repainting.
void centreOver(int32_t dialog, int32_t main) {
  IWindows& windows = IWindows::current();
  // A handle without a window reads as an empty rectangle.
  const WindowRect d = windows.windowRect(dialog).value_or(WindowRect{});
  const WindowRect m = windows.windowRect(main).value_or(WindowRect{});
  const int32_t w = checkedSub(d.right, d.left);
  const int32_t h = checkedSub(d.bottom, d.top);
  // Integer division truncates toward zero, as the automation "\" does.
  const int32_t x = checkedAdd(m.left, checkedSub(checkedSub(m.right, m.left), w) / 2);
  const int32_t y = checkedAdd(m.top, checkedSub(checkedSub(m.bottom, m.top), h) / 2);
  windows.moveWindow(dialog, x, y, w, h, false);
}

void reportOnStderr(const char* what) { std::fprintf(stderr, "LV8INT: %s\n", what); }

// Marks a start-up, login, logout or shut-down as running for as long as it runs.
class RunningStep {
 public:
  explicit RunningStep(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningStep() { flag_ = false; }
  RunningStep(const RunningStep&) = delete;
  RunningStep& operator=(const RunningStep&) = delete;

 private:
  bool& flag_;
};

}  // namespace

CApplication::CApplication() = default;

CApplication::~CApplication() {
  // Whatever Terminate hands this object to may take and drop references to it; holding one
  // here keeps the count from reaching zero a second time while the object is being destroyed.
  addRef();
  try {
    Terminate();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "LV8INT: CApplication.Terminate failed while the object ended: %s\n", e.what());
  } catch (...) {
    reportOnStderr("CApplication.Terminate failed while the object ended");
  }
}

// --- getters of the library's own classes -------------------------------------------------------

Ref<CConfig> CApplication::Config() const { return config_; }
Ref<CConsole> CApplication::Console() const { return console_; }
Ref<CSystemConfig> CApplication::SysConfigControl() const { return sysConfig_; }
Ref<CUserConfig> CApplication::UserConfigControl() const { return userConfig_; }

// --- start-up and shut-down ---------------------------------------------------------------------

void CApplication::Init(const Ref<Object>& mdiMain, const String& strFullPath) {
  if (console_ || stepRunning_) return;
  // What Init calls may let go of the last reference to this object before Init is done.
  const Ref<CApplication> keep(this);
  RunningStep step(stepRunning_);
  // Absolute from here on: LogOut makes another folder current, and the configuration, the
  // stores and the help file are all found from this path.
  fullPath_ = files::absolutePath(strFullPath);
  mainForm_ = mdiMain;
  config_ = make<CConfig>();
  if (!mdiMain) raiseError(err::ObjectNotSet);
  mdiMain->put(u"Caption", config_->Properties(u"ApplicationTitle"));
  computerName_ = helpers::computerName();  // asked of the system once per Init
  midServerName_ = findMidServerName();
  console_ = make<CConsole>();
  console_->AttachMainForm(mdiMain);
  currentUserID_ = u"-1";
  corporationID_ = -1;
  strEnv_.clear();
  strEnvValue_.clear();
  sysConfig_ = make<CSystemConfig>();
  sysConfig_->Load();
  if (Ref<IAddIn> addIn = AddIn()) {
    Ref<CDatabaseEngine> engine = query<CDatabaseEngine>(modClassSecurity::CreateComponent(u"LV8DBE.CDatabaseEngine"));
    if (!engine) raiseError(err::TypeMismatch);
    databaseEngine_ = engine;
    Variant args = emptyArgumentList();
    connectionString_ = CStr(addIn->Execute(kAddInKind, u"CONNECTIONSTRING", args));
  } else {
    connectionString_.clear();
  }
}

String CApplication::findMidServerName() {
  if (computerName_.empty()) computerName_ = helpers::computerName();
  const String appID = helpers::appIDOfProgID(u"ZRMSysBase.SysDSN");
  if (equalsNoCase(appID, components::kNullGuid)) return computerName_;
  Ref<CRegistry> registry = make<CRegistry>();
  registry->put_ClassKey(kHKEY_CLASSES_ROOT);
  registry->put_SectionKey(u"AppID\\" + appID);
  if (!registry->KeyExists()) return computerName_;
  registry->put_ValueKey(u"RemoteServerName");
  registry->put_ValueType(kREG_SZ);
  registry->put_Default(Variant(computerName_));
  return CStr(registry->Value());
}

void CApplication::Terminate() {
  if (!console_ || stepRunning_) return;
  const Ref<CApplication> keep(this);
  RunningStep step(stepRunning_);
  logOutSteps();
  // Whoever still holds the console (the host's form commonly does) holds nothing else through it.
  if (Ref<CConsole> console = std::move(console_)) console->Detach();
  tags_ = nullptr;
  config_ = nullptr;
  userRight_ = nullptr;
  warning_ = nullptr;
  sysStatus_ = nullptr;
  // The toolbar manager holds the host's active child form and its controls.
  toolbar_ = nullptr;
  databaseEngine_ = nullptr;
  addIn_ = nullptr;
  // The host's form is held only for the library's own use; keeping it past shut-down would keep
  // the host's window (and the console it holds) alive.
  mainForm_ = nullptr;
}

Ref<IAddIn> CApplication::AddIn() {
  if (!addIn_) {
    if (!config_) raiseError(err::ObjectNotSet);
    const String progID = progIDProperty(*config_, u"ApplicationAddIn");
    if (!progID.empty()) {
      Ref<IAddIn> addIn = query<IAddIn>(modClassSecurity::CreateComponent(progID));
      if (!addIn) raiseError(err::TypeMismatch);
      addIn_ = addIn;
    }
  }
  return addIn_;
}

// --- login and logout ---------------------------------------------------------------------------

bool CApplication::login() { return runLogin(nullptr); }

bool CApplication::login2(int32_t& nLoginType) { return runLogin(&nLoginType); }

bool CApplication::runLogin(int32_t* nLoginType) {
  // A login asked for while one runs (an add-in's "AFTERLOGIN") or during start-up, logout or
  // shut-down shows no second login window.
  if (stepRunning_) return false;
  const Ref<CApplication> keep(this);
  RunningStep step(stepRunning_);
  if (!config_) raiseError(err::ObjectNotSet);
  const Ref<Object> component = modClassSecurity::CreateComponent(CStr(config_->Properties(u"ApplicationLoginWindow")));
  if (nLoginType) {
    Ref<ILoginWindow2> window = query<ILoginWindow2>(component);
    if (!window) raiseError(err::TypeMismatch);
    window->SetLoginType(*nLoginType);
    return runLoginDialog(*window, window.get());
  }
  Ref<ILoginWindow> window = query<ILoginWindow>(component);
  if (!window) raiseError(err::TypeMismatch);
  return runLoginDialog(*window, nullptr);
}

template <class Window>
bool CApplication::runLoginDialog(Window& window, ILoginWindow2* typed) {
  const int32_t dialog = window.hWnd();
  if (!console_) raiseError(err::ObjectNotSet);
  centreOver(dialog, console_->hwnd());
  const bool loggedIn = window.ShowLogin();
  if (typed) loginType_ = typed->GetLoginType();
  if (loggedIn) {
    IWindows& windows = IWindows::current();
    const int32_t mainWindow = console_->hwnd();
    windows.enableWindow(mainWindow, false);
    try {
      currentUserID_ = window.GetLoginInfo().UserID;
      currentUserName_ = window.GetLoginInfo().UserName;
      const String examFlag = window.GetLoginInfo().ExamFlag;
      examFlag_ = examFlag.empty() ? false : CBool(Variant(examFlag));
    } catch (...) {
      // The host's main window must not stay disabled because the login failed.
      windows.enableWindow(mainWindow, true);
      throw;
    }
    windows.enableWindow(console_->hwnd(), true);
    // The rights loaded for an earlier user must not answer for this one.
    userRight_ = nullptr;
    userConfig_ = make<CUserConfig>();
    String userName = window.GetLoginInfo().UserName;
    userConfig_->Init(userName);
    if (Ref<IAddIn> addIn = AddIn()) {
      config_->Reload(config_->CurrentUserPath() + u"user.xml");
      Variant args = emptyArgumentList();
      addIn->Execute(kAddInKind, u"AFTERLOGIN", args);
    }
  }
  window.CloseLogin();
  return loggedIn;
}

void CApplication::LogOut() {
  // An add-in that logs out again while it is told "BEFORELOGOUT" would otherwise be told again,
  // without end.
  if (stepRunning_) return;
  const Ref<CApplication> keep(this);
  RunningStep step(stepRunning_);
  logOutSteps();
}

void CApplication::logOutSteps() {
  if (currentUserID_ == u"-1") return;
  // Every step runs even when an earlier one failed; failures are not reported.
  try {
    if (Ref<IAddIn> addIn = AddIn()) {
      Variant args = emptyArgumentList();
      addIn->Execute(kAddInKind, u"BEFORELOGOUT", args);
    }
  } catch (...) {
  }
  periods_ = nullptr;
  userConfig_ = nullptr;  // saves itself as it ends; a failure there is reported, never raised
  baseInfo_ = nullptr;
  // Rights belong to the user who is logged in; the next user's are loaded afresh.
  userRight_ = nullptr;
  try {
    SaveSysConfig();
  } catch (...) {
  }
  currentUserID_ = u"-1";
  corporationID_ = -1;
  try {
    files::setCurrentDirectory(files::libraryFolder());
  } catch (...) {
  }
}

bool CApplication::SilentLogin(const String& strDSN, const String& strUser, const String& strPassword,
                               int32_t lngCorpID) {
  (void)strDSN;
  (void)strUser;
  (void)strPassword;
  (void)lngCorpID;
  return false;
}

// --- services -----------------------------------------------------------------------------------

Ref<Object> CApplication::CreateMidObject(const String& ProgID) {
  return ComponentRegistry::instance().createOnServer(ProgID, midServerName_);
}

bool CApplication::ShowHint(const String& sHintName) { return frmHint::shared().ShowHint(sHintName); }

Ref<Collection> CApplication::Tags() {
  if (!tags_) tags_ = make<Collection>();
  return tags_;
}

Ref<CPeriods> CApplication::Periods() {
  if (!periods_) {
    // Kept only once loaded: after a failed load the next read tries again instead of handing
    // out a partial list as if it were complete.
    Ref<CPeriods> periods = make<CPeriods>();
    periods->LoadPeriods(Ref<CApplication>(this));
    periods_ = periods;
  }
  return periods_;
}

void CApplication::SaveSysConfig() {
  if (!sysConfig_) raiseError(err::ObjectNotSet);
  sysConfig_->Save();
}

void CApplication::SaveUserConfig() {
  if (!userConfig_) raiseError(err::ObjectNotSet);
  userConfig_->Save();
}

Ref<XMLRegistry> CApplication::SysConfig() {
  if (!sysConfig_) raiseError(err::ObjectNotSet);
  return sysConfig_->Registry();
}

Ref<XMLRegistry> CApplication::UserConfig() {
  if (!userConfig_) raiseError(err::ObjectNotSet);
  return userConfig_->Registry();
}

Ref<CBaseInfo> CApplication::BaseInfo() {
  if (!baseInfo_) baseInfo_ = make<CBaseInfo>();
  return baseInfo_;
}

String CApplication::EncryptPWD(const String& PWD) { return modEncrypt::EncryptText(PWD, kPasswordKey, 12); }

Ref<CUserRight> CApplication::UserRight() {
  if (!userRight_) userRight_ = make<CUserRight>();
  return userRight_;
}

Ref<CWarning> CApplication::Warning() {
  if (!warning_) warning_ = make<CWarning>();
  return warning_;
}

Ref<CToolbar> CApplication::Toolbar() {
  if (!toolbar_) toolbar_ = make<CToolbar>();
  return toolbar_;
}

Ref<CSysStatus> CApplication::SysStatus() {
  if (!sysStatus_) sysStatus_ = make<CSysStatus>();
  return sysStatus_;
}

String CApplication::Title() {
  // The shared application object's configuration, whichever object is asked.
  Ref<CConfig> config = GZRGNTUtil::sharedApplication()->config_;
  if (!config) raiseError(err::ObjectNotSet);
  return CStr(config->Properties(u"ApplicationTitle"));
}

// --- member table -------------------------------------------------------------------------------

const DispatchTable* CApplication::classDispatchTable() {
  using C = CApplication;
  static const DispatchTable table = DispatchBuilder<C>(u"CApplication")
                                         .get(u"DatabaseEngine", &C::DatabaseEngine)
                                         .get(u"MidServerName", &C::MidServerName)
                                         .method(u"CreateMidObject", &C::CreateMidObject)
                                         .method(u"ShowHint", &C::ShowHint)
                                         .get(u"FullPath", &C::FullPath)
                                         .get(u"Tags", &C::Tags)
                                         .method(u"Init", &C::Init)
                                         .get(u"AddIn", &C::AddIn)
                                         .get(u"Config", &C::Config)
                                         .get(u"ComputerName", &C::ComputerName)
                                         .method(u"Terminate", &C::Terminate)
                                         .get(u"Console", &C::Console)
                                         .get(u"CurrentUserID", &C::CurrentUserID)
                                         .get(u"CurrentUserName", &C::CurrentUserName)
                                         .method(u"login", &C::login)
                                         .method(u"LogOut", &C::LogOut)
                                         .get(u"Periods", &C::Periods)
                                         .method(u"SaveSysConfig", &C::SaveSysConfig)
                                         .method(u"SaveUserConfig", &C::SaveUserConfig)
                                         .method(u"SilentLogin", &C::SilentLogin)
                                         .get(u"StrEnv", &C::StrEnv)
                                         .get(u"strEnvValue", &C::strEnvValue)
                                         .get(u"SysConfig", &C::SysConfig)
                                         .get(u"SysConfigControl", &C::SysConfigControl)
                                         .get(u"UserConfig", &C::UserConfig)
                                         .get(u"UserConfigControl", &C::UserConfigControl)
                                         .get(u"DSN", &C::DSN)
                                         .get(u"CurrentPrjID", &C::CurrentPrjID)
                                         .put(u"CurrentPrjID", &C::put_CurrentPrjID)
                                         .get(u"BaseInfo", &C::BaseInfo)
                                         .method(u"EncryptPWD", &C::EncryptPWD)
                                         .get(u"UserRight", &C::UserRight)
                                         .get(u"Warning", &C::Warning)
                                         .get(u"Toolbar", &C::Toolbar)
                                         .get(u"SysStatus", &C::SysStatus)
                                         .get(u"Title", &C::Title)
                                         .get(u"ConnectionString", &C::ConnectionString)
                                         .put(u"ConnectionString", &C::put_ConnectionString)
                                         .get(u"IsExamNum", &C::IsExamNum)
                                         .get(u"LoginType", &C::LoginType)
                                         .method(u"login2", &C::login2)
                                         .method(u"SetIsExam", &C::SetIsExam)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CApplication, nullptr);

}  // namespace lv8int
