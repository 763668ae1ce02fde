#include "config/CConfig.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/ConfigFiles.h"
#include "config/modShell32.h"
#include "platform/automation/AutomationError.h"
#include "platform/files/Files.h"
#include "platform/helpers/Helpers.h"
#include "platform/ini/IniFile.h"
#include "platform/ui/IFolderDialog.h"
#include "platform/ui/IMessageBox.h"
#include "platform/ui/MessageBoxStyle.h"
#include "platform/xml/XmlDocument.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

constexpr char16_t kIniFile[] = u"lv8app.ini";
constexpr char16_t kIniSection[] = u"system";
constexpr char16_t kIniKey[] = u"ConfigPath";
constexpr char16_t kNotFound[] = u"系统找不到配置目录，请按确定后选择。";
constexpr char16_t kChooseFolder[] = u"请选择系统配置目录。";
constexpr char16_t kMustChoose[] = u"要运行本软件，您必须选择一个系统配置目录！";
constexpr char16_t kNotARoot[] = u"这不是一个有效的配置目录。";
constexpr char16_t kMayBeARoot[] = u"这可能是一个有效的配置目录。";
constexpr char16_t kCannotLoad[] = u"无法装载系统配置文件:";
constexpr char16_t kReason[] = u"错误原因：";
constexpr char16_t kNulInLocator[] = u"配置目录定位文件中的 ConfigPath 含有 NUL 字符，无法使用：";

// A configuration root holds one folder per application of the suite.
bool isConfigurationRoot(const String& folder) {
  for (const char16_t* marker : {u"LV8ADSAPP", u"LV8ASSAPP", u"LV8AMSAPP"})
    if (!files::folderExists(folder + u"/" + marker)) return false;
  return true;
}

// The configuration root named in the locator file; it may be written with backslashes.
String iniConfigPath(const String& iniFile) {
  const String path = ini::readString(iniFile, kIniSection, kIniKey);
  // Every file operation would cut the path at the NUL and so reach another folder than the
  // one written, passing the root test on a mere prefix of it.
  if (path.find(u'\0') != String::npos) raiseError(vbObjectError, kDefaultErrorSource, kNulInLocator + iniFile);
  return files::fromWindowsPath(path);
}

// The client set-up tool beside the host program, or "" when there is none.
String setupTool(const String& hostFolder) {
  for (const char16_t* name : {u"LV8ClientSet", u"LV8ClientSet.exe"}) {
    const String path = hostFolder + name;
    if (!files::fileExists(path)) continue;
    // A path without a folder would be looked up along PATH: name the current folder.
    const String found = files::resolve(path);
    return found.find(u'/') == String::npos ? u"./" + found : found;
  }
  return String();
}

[[noreturn]] void raiseMustChoose() { raiseError(vbObjectError, kDefaultErrorSource, kMustChoose); }

// A user or computer name names one folder: a name that would lead elsewhere is refused.
bool isFolderName(const String& name) {
  return name != u"." && name != u".." && name.find(u'/') == String::npos && name.find(u'\0') == String::npos;
}

// `parent` + `name` + "/", created when missing.
String ensureFolder(const String& parent, const String& name) {
  const String folder = parent + name + u"/";
  if (isFolderName(name) && !files::folderExists(folder)) files::createFolderPath(folder);
  if (!isFolderName(name) || !files::folderExists(folder))
    raiseError(vbObjectError, kDefaultErrorSource, helpers::format(u"Unable to create path %s", {Variant(folder)}));
  return folder;
}

// The "property" children of the root element, in document order.
xml::XmlNodeList propertiesOf(const xml::XmlDocument& doc) {
  xml::XmlNode root = doc.documentElement();
  return root ? root.selectNodes(u"property") : xml::XmlNodeList();
}

}  // namespace

CConfig::CConfig() {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  // Every folder below is kept absolute, taken from the current folder of this moment: a later
  // change of the current folder (LogOut makes the library's own current) must not move where a
  // store is read or saved.
  const String fullPath = files::absolutePath(app->FullPath());

  // 1-2. The folder "Config" beside the host program.
  const String hostFolder = files::withTrailingSeparator(files::folderOf(fullPath));
  path_ = hostFolder + u"Config";
  if (!isConfigurationRoot(path_)) {
    // 3-4. The root named by the locator file.
    const String iniFile = hostFolder + kIniFile;
    path_ = files::fileExists(iniFile) ? iniConfigPath(iniFile) : String();
    if (!isConfigurationRoot(path_)) {
      // 5. Tell the user, then let the set-up tool or the user find it.
      IMessageBox::current().show(kNotFound, msgbox::MB_OK | msgbox::MB_ICONEXCLAMATION);
      const String tool = setupTool(hostFolder);
      if (!tool.empty()) {
        // 6. The set-up tool writes the root into the locator file; a root it names is accepted
        // by the same test as everywhere else.
        modShell32::ShellAndWait(tool, Variant(int32_t{1}));
        path_ = iniConfigPath(iniFile);
        if (!isConfigurationRoot(path_)) raiseMustChoose();
      } else {
        // 7. The folder dialog, starting at the candidate; OK only on a configuration root.
        String folder = path_;
        if (!IFolderDialog::current().browseForFolder(folder, 0, this, kChooseFolder)) raiseMustChoose();
        path_ = folder;
        ini::writeString(iniFile, kIniSection, kIniKey, path_);
      }
    }
  }

  // 8. The application's own folder under the root.
  path_ = files::withTrailingSeparator(files::absolutePath(path_)) + configfiles::upperCase(files::baseName(fullPath)) + u"/";

  // 9. The system properties.
  properties_ = make<Collection>();
  const String file = SystemPath() + u"system.xml";
  xml::XmlDocument doc;
  if (!doc.load(file)) {
    const xml::XmlParseError& e = doc.parseError();
    raiseError(e.errorCode, kDefaultErrorSource, kCannotLoad + file + u"\r\n" + kReason + e.reason);
  }
  // A repeated or missing name fails with the collection's error.
  for (const xml::XmlNode& property : propertiesOf(doc))
    properties_->Add(property.getAttribute(u"value"), property.getAttribute(u"name"));
}

Variant CConfig::Properties(const String& sPropName) {
  if (!properties_) return Variant(String());
  const Variant* value = properties_->find(sPropName);
  return value ? *value : Variant(String());
}

String CConfig::SystemPath() const { return path_ + u"System/"; }
String CConfig::UsersPath() const { return path_ + u"Users/"; }
String CConfig::MachinesPath() const { return path_ + u"Machines/"; }

String CConfig::CurrentUserPath() const {
  String user = GZRGNTUtil::sharedApplication()->CurrentUserName();
  if (user.empty()) user = u"Anonymous";
  return ensureFolder(UsersPath(), user);
}

String CConfig::CurrentMachinePath() const {
  return ensureFolder(MachinesPath(), GZRGNTUtil::sharedApplication()->ComputerName());
}

void CConfig::Reload(const String& CfgFileName) {
  // Nothing here raises: a step that fails is skipped.
  try {
    xml::XmlDocument doc;
    bool loaded = doc.load(CfgFileName);
    if (!loaded) {
      // Start the file afresh from the template, keeping an unreadable one beside it first.
      if (configfiles::keepAsBad(CfgFileName)) files::copyFile(path_ + u"system/userdefault.xml", CfgFileName);
      loaded = doc.load(CfgFileName);
    }
    if (!loaded || !properties_) return;
    // The file's value replaces the table's; a later element of the same name wins.
    for (const xml::XmlNode& property : propertiesOf(doc)) {
      const Variant name = property.getAttribute(u"name");
      try {
        properties_->Remove(name);
      } catch (const AutomationError&) {
      }
      try {
        properties_->Add(property.getAttribute(u"value"), name);
      } catch (const AutomationError&) {
      }
    }
  } catch (const std::exception&) {
  }
}

void CConfig::SelChanged(const String& strFolder, bool& DisableOKButton, String& StatusText) {
  DisableOKButton = !isConfigurationRoot(strFolder);
  StatusText = DisableOKButton ? kNotARoot : kMayBeARoot;
}

const DispatchTable* CConfig::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CConfig>(u"CConfig")
                                         .get(u"Properties", &CConfig::Properties, {.id = DISPID_VALUE})
                                         .get(u"Path", &CConfig::Path)
                                         .get(u"SystemPath", &CConfig::SystemPath)
                                         .get(u"UsersPath", &CConfig::UsersPath)
                                         .get(u"MachinesPath", &CConfig::MachinesPath)
                                         .get(u"CurrentUserPath", &CConfig::CurrentUserPath)
                                         .get(u"CurrentMachinePath", &CConfig::CurrentMachinePath)
                                         .method(u"Reload", &CConfig::Reload)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CConfig, nullptr);

}  // namespace lv8int
