#include "config/CConfig.h"

#include <unistd.h>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include "ConfigFakes.h"
#include "platform/files/Files.h"
#include "platform/ini/IniFile.h"
#include "platform/ui/FolderSelectionDialog.h"
#include "platform/xml/XmlParseError.h"
#include "support/ModalDriver.h"

namespace lv8int::test {
namespace {

constexpr char16_t kMustChoose[] = u"要运行本软件，您必须选择一个系统配置目录！";
constexpr char16_t kNotFound[] = u"系统找不到配置目录，请按确定后选择。";

// A configuration tree with the user-interface services replaced for the test.
class ConfigTest : public ::testing::Test {
 protected:
  explicit ConfigTest(RootPlacement placement = RootPlacement::HostConfig) : tree(placement) {}

  Ref<CConfig> create() { return make<CConfig>(); }
  String u(const std::string& s) { return fromUtf8(s); }
  std::string iniValue() { return toUtf8(ini::readString(u(tree.hostFolder() + "lv8app.ini"), u"system", u"ConfigPath")); }
  bool iniExists() { return tree.folder().exists("host/lv8app.ini"); }

  // A set-up tool beside the host program: a shell script running `body`.
  void writeSetupTool(const std::string& body, const std::string& name = "LV8ClientSet") {
    const std::string path = tree.hostFolder() + name;
    tree.folder().write("host/" + name, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
  }

  ConfigTree tree;
  AppScope scope{tree};
  Journal journal;
  FakeMessageBox box{journal};
  FakeFolderDialog dialog{journal};
  ServiceScope<IMessageBox> boxScope{box};
  ServiceScope<IFolderDialog> dialogScope{dialog};
};

class UnlocatedConfigTest : public ConfigTest {
 protected:
  UnlocatedConfigTest() : ConfigTest(RootPlacement::Unlocated) {}
};

TEST_F(ConfigTest, HostConfigFolderIsUsedWithoutReadingOrWritingTheLocator) {
  // A locator that points elsewhere is not even looked at.
  tree.writeLocator("/nonexistent");
  Ref<CConfig> config = create();
  EXPECT_EQ(config->Path(), u(tree.appFolder()));
  EXPECT_EQ(config->Path(), u(tree.hostFolder() + "Config/LV8ADSAPP/"));
  EXPECT_EQ(config->SystemPath(), u(tree.appFolder() + "System/"));
  EXPECT_EQ(config->UsersPath(), u(tree.appFolder() + "Users/"));
  EXPECT_EQ(config->MachinesPath(), u(tree.appFolder() + "Machines/"));
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(iniValue(), "/nonexistent");
}

TEST_F(ConfigTest, ApplicationNameIsTheHostFileNameWithoutExtensionUpperCased) {
  tree.folder().mkdir("host/Config/LV8ASSAPP/System");
  tree.folder().write("host/Config/LV8ASSAPP/System/system.xml", ConfigTree::propertiesXml({{"Which", "ass"}}));
  scope.app->setFullPath(u(tree.hostFolder() + "lv8assapp.exe"));
  Ref<CConfig> config = create();
  EXPECT_EQ(config->Path(), u(tree.hostFolder() + "Config/LV8ASSAPP/"));
  EXPECT_EQ(CStr(config->Properties(u"Which")), u"ass");
}

class IniConfigTest : public ConfigTest {
 protected:
  IniConfigTest() : ConfigTest(RootPlacement::IniLocator) {}
};

TEST_F(IniConfigTest, LocatorWithBackslashesAndATrailingOneGivesASingleSeparator) {
  std::string windowsStyle = tree.root();  // ends with "/"
  for (char& c : windowsStyle)
    if (c == '/') c = '\\';
  tree.writeLocator(windowsStyle);
  Ref<CConfig> config = create();
  EXPECT_EQ(config->Path(), u(tree.root() + "LV8ADSAPP/"));
  EXPECT_TRUE(journal.empty());
}

TEST_F(IniConfigTest, ALocatorPathHoldingNulIsRefusedByNameBeforeAnythingIsAsked) {
  // Cut at the NUL, the path would name the real root and pass the root test.
  for (const std::string& path : {tree.root() + std::string(1, '\0') + "x", std::string(1, '\0')}) {
    SCOPED_TRACE(path.size());
    tree.writeLocator(path);
    AutomationError e = raisedError([&] { create(); });
    EXPECT_EQ(e.number(), vbObjectError);
    EXPECT_EQ(e.description(),
              u"配置目录定位文件中的 ConfigPath 含有 NUL 字符，无法使用：" + u(tree.hostFolder() + "lv8app.ini"));
    EXPECT_TRUE(journal.empty());
  }
}

TEST_F(UnlocatedConfigTest, DialogConfirmedOnARootWritesTheLocator) {
  dialog.selections = {u(tree.folder().path()), u(tree.root())};
  Ref<CConfig> config = create();

  EXPECT_EQ(journal, (Journal{"message box", "folder dialog"}));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, kNotFound);
  EXPECT_EQ(box.shown[0].style, 48);  // exclamation icon, OK only
  EXPECT_FALSE(box.shown[0].caption.has_value());

  EXPECT_EQ(dialog.startFolder, u"");  // no locator: the dialog starts at an empty folder
  EXPECT_EQ(dialog.options, 0);
  EXPECT_EQ(dialog.prompt, u"请选择系统配置目录。");
  ASSERT_EQ(dialog.verdicts.size(), 2u);
  EXPECT_TRUE(dialog.verdicts[0].disableOK);
  EXPECT_EQ(dialog.verdicts[0].status, u"这不是一个有效的配置目录。");
  EXPECT_FALSE(dialog.verdicts[1].disableOK);
  EXPECT_EQ(dialog.verdicts[1].status, u"这可能是一个有效的配置目录。");

  EXPECT_EQ(iniValue(), tree.root());
  EXPECT_EQ(config->Path(), u(tree.root() + "LV8ADSAPP/"));
}

TEST_F(UnlocatedConfigTest, DialogStartsAtTheLocatorsCandidateAndCancelRaisesWithoutWriting) {
  tree.writeLocator(tree.folder().path() + "elsewhere");
  dialog.cancel = true;
  dialog.selections = {u(tree.root())};
  AutomationError e = raisedError([&] { create(); });
  EXPECT_EQ(e.number(), vbObjectError);
  EXPECT_EQ(e.description(), kMustChoose);
  EXPECT_EQ(dialog.startFolder, u(tree.folder().path() + "elsewhere"));
  EXPECT_EQ(iniValue(), tree.folder().path() + "elsewhere");
}

TEST_F(UnlocatedConfigTest, SetupToolRunsAfterTheMessageWithANormalWindowAndItsRootIsAccepted) {
  const std::string ran = tree.folder().file("tool-ran");
  box.onShow = [&] { EXPECT_FALSE(tree.folder().exists("tool-ran")) << "the tool ran before the message"; };
  writeSetupTool("echo \"style=$LV8INT_WINDOW_STYLE\" > '" + ran + "'\n" +
                 "printf '[system]\\nConfigPath=" + tree.root() + "\\n' > '" + tree.hostFolder() + "lv8app.ini'\n" +
                 "exit 3");
  Ref<CConfig> config = create();
  EXPECT_EQ(journal, (Journal{"message box"}));  // no dialog when there is a set-up tool
  EXPECT_EQ(tree.folder().read("tool-ran"), "style=1\n");
  EXPECT_EQ(config->Path(), u(tree.root() + "LV8ADSAPP/"));
}

TEST_F(UnlocatedConfigTest, SetupToolWithAnExeNameIsAcceptedToo) {
  writeSetupTool("printf '[system]\\nConfigPath=" + tree.root() + "\\n' > '" + tree.hostFolder() + "lv8app.ini'",
                 "LV8ClientSet.exe");
  EXPECT_EQ(create()->Path(), u(tree.root() + "LV8ADSAPP/"));
}

TEST_F(UnlocatedConfigTest, SetupToolNamingAFolderWithoutTheMarkersRaises) {
  // System, Users and Machines directly under the folder do not make a configuration root.
  tree.folder().mkdir("flat/System");
  tree.folder().mkdir("flat/Users");
  tree.folder().mkdir("flat/Machines");
  writeSetupTool("printf '[system]\\nConfigPath=" + tree.folder().path() + "flat\\n' > '" + tree.hostFolder() +
                 "lv8app.ini'");
  AutomationError e = raisedError([&] { create(); });
  EXPECT_EQ(e.number(), vbObjectError);
  EXPECT_EQ(e.description(), kMustChoose);
  EXPECT_EQ(journal, (Journal{"message box"}));
}

TEST_F(UnlocatedConfigTest, SetupToolThatCannotStartStillRereadsTheLocator) {
  // Not executable: the start fails, and the locator written meanwhile is still read.
  tree.folder().write("host/LV8ClientSet", "not a program");
  box.onShow = [&] { tree.writeLocator(tree.root()); };
  EXPECT_EQ(create()->Path(), u(tree.root() + "LV8ADSAPP/"));
  EXPECT_EQ(journal, (Journal{"message box"}));
}

TEST_F(UnlocatedConfigTest, RealDialogDrivenOffscreen) {
  IFolderDialog* fake = IFolderDialog::exchangeCurrent(nullptr);  // the platform's dialog
  whenModalShown([&](QWidget* w) {
    auto* d = qobject_cast<FolderSelectionDialog*>(w);
    ASSERT_NE(d, nullptr);
    auto* ok = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
    auto* status = d->findChild<QLabel*>(QStringLiteral("statusText"));
    ASSERT_TRUE(d->selectFolder(QString::fromStdString(tree.folder().path())));
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(status->text(), QStringLiteral("这不是一个有效的配置目录。"));
    ASSERT_TRUE(d->selectFolder(QString::fromStdString(tree.root())));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(status->text(), QStringLiteral("这可能是一个有效的配置目录。"));
    ok->click();
  });
  Ref<CConfig> config;
  const int32_t error = errorOf([&] { config = create(); });
  IFolderDialog::exchangeCurrent(fake);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(config->Path(), u(tree.root() + "LV8ADSAPP/"));
  EXPECT_EQ(iniValue(), tree.root());
}

TEST_F(ConfigTest, SystemXmlMissingOrMalformedRaisesTheParserCodeAndTheText) {
  const String file = u(tree.systemFolder() + "system.xml");
  tree.folder().write("host/Config/LV8ADSAPP/System/system.xml", "<config><property name='a'></config>");
  AutomationError malformed = raisedError([&] { create(); });
  EXPECT_EQ(malformed.number(), xml::xmlerr::EndTagMismatch);
  const String prefix = u"无法装载系统配置文件:" + file + u"\r\n错误原因：";
  ASSERT_TRUE(malformed.description().starts_with(prefix)) << toUtf8(malformed.description());
  EXPECT_GT(malformed.description().size(), prefix.size());

  ASSERT_TRUE(files::removeFile(file));
  AutomationError missing = raisedError([&] { create(); });
  EXPECT_EQ(missing.number(), xml::xmlerr::FileNotFound);
  EXPECT_TRUE(missing.description().starts_with(prefix));
}

TEST_F(ConfigTest, SystemXmlWithARepeatedOrMissingNameFailsWithTheCollectionsError) {
  tree.setProperties({{"Title", "a"}, {"title", "b"}});
  EXPECT_EQ(raisedError([&] { create(); }).number(), err::DuplicateKey);
  tree.writeSystemXml("<config><property value='no name'/></config>");
  EXPECT_NE(raisedError([&] { create(); }).number(), 0);
}

TEST_F(ConfigTest, PropertiesIgnoreCaseAndGiveAnEmptyTextForAnythingMissing) {
  tree.writeSystemXml(
      "<anyroot><property name='ApplicationTitle' value='账务'/><property name='NoValue'/>"
      "<group><property name='Deep' value='x'/></group><other name='Other' value='y'/></anyroot>");
  Ref<CConfig> config = create();
  EXPECT_EQ(CStr(config->Properties(u"applicationtitle")), u"账务");
  EXPECT_TRUE(config->Properties(u"NoValue").isNull());
  for (const char16_t* missing : {u"Deep", u"Other", u"Nothing", u""}) {
    Variant v = config->Properties(missing);
    EXPECT_TRUE(v.isString() && v.rawString().empty()) << toUtf8(missing);
  }
  // The default member, as late-bound callers use it.
  Args args{Variant(u"APPLICATIONTITLE")};
  EXPECT_EQ(CStr(config->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, args)), u"账务");
}

TEST_F(ConfigTest, CurrentUserAndMachineFoldersAreCreatedOnEveryRead) {
  Ref<CConfig> config = create();
  EXPECT_EQ(config->CurrentUserPath(), u(tree.userFolder("Anonymous")));
  EXPECT_TRUE(files::folderExists(u(tree.userFolder("Anonymous"))));
  scope.app->setCurrentUserName(u"张三");
  EXPECT_EQ(config->CurrentUserPath(), u(tree.userFolder("张三")));
  EXPECT_TRUE(files::folderExists(u(tree.userFolder("张三"))));
  EXPECT_EQ(config->CurrentMachinePath(), u(tree.machineFolder("TESTPC")));
  EXPECT_TRUE(files::folderExists(u(tree.machineFolder("TESTPC"))));
}

TEST_F(ConfigTest, AFolderThatCannotBeCreatedRaisesUnableToCreatePath) {
  Ref<CConfig> config = create();
  tree.folder().write("host/Config/LV8ADSAPP/Users/blocked", "a file where the folder would go");
  scope.app->setCurrentUserName(u"blocked");
  AutomationError e = raisedError([&] { config->CurrentUserPath(); });
  EXPECT_EQ(e.number(), vbObjectError);
  EXPECT_EQ(e.description(), u"Unable to create path " + u(tree.userFolder("blocked")));
  // A name that would lead out of the users' folder names no folder of its own.
  scope.app->setCurrentUserName(u"..");
  EXPECT_EQ(raisedError([&] { config->CurrentUserPath(); }).number(), vbObjectError);
  scope.app->setComputerName(u"a/b");
  EXPECT_EQ(raisedError([&] { config->CurrentMachinePath(); }).number(), vbObjectError);
  EXPECT_FALSE(tree.folder().exists("host/Config/LV8ADSAPP/Machines/a"));
}

class ReloadTest : public ConfigTest {
 protected:
  void SetUp() override {
    tree.setProperties({{"ApplicationTitle", "系统"}, {"Keep", "system"}});
    config = create();
  }
  String userXml() { return u(tree.userFolder("alice") + "user.xml"); }
  Ref<CConfig> config;
};

TEST_F(ReloadTest, OverlaysTheFilesPropertiesTheLaterOfARepeatedNameWinning) {
  tree.writeUserXml("alice", {{"applicationtitle", "first"}, {"New", "n"}, {"ApplicationTitle", "second"}});
  config->Reload(userXml());
  EXPECT_EQ(CStr(config->Properties(u"ApplicationTitle")), u"second");
  EXPECT_EQ(CStr(config->Properties(u"New")), u"n");
  EXPECT_EQ(CStr(config->Properties(u"Keep")), u"system");
}

TEST_F(ReloadTest, MissingFileIsCreatedFromTheTemplateAndApplied) {
  tree.writeUserDefault({{"UserSetting", "from template"}});
  tree.folder().mkdir("host/Config/LV8ADSAPP/Users/alice");
  config->Reload(userXml());
  EXPECT_EQ(CStr(config->Properties(u"UserSetting")), u"from template");
  EXPECT_EQ(tree.folder().read("host/Config/LV8ADSAPP/Users/alice/user.xml"),
            tree.folder().read("host/Config/LV8ADSAPP/System/userdefault.xml"));
  EXPECT_FALSE(tree.folder().exists("host/Config/LV8ADSAPP/Users/alice/user.xml.bad"));
}

TEST_F(ReloadTest, UnreadableFileIsKeptAsBadReplacingAnOlderOneBeforeTheTemplateReplacesIt) {
  const std::string dir = "host/Config/LV8ADSAPP/Users/alice/";
  tree.folder().write(dir + "user.xml.bad", "older");
  tree.folder().write(dir + "user.xml", "<config><property name='Mine' value='precious'></config>");
  config->Reload(userXml());
  EXPECT_EQ(tree.folder().read(dir + "user.xml.bad"), "<config><property name='Mine' value='precious'></config>");
  EXPECT_EQ(CStr(config->Properties(u"UserSetting")), u"from userdefault");
}

// As the administrator: another user's link in place of the file is not copied aside (the file
// it names would land in their folder) and the template does not replace it.
TEST_F(ReloadTest, AnUnreadableFilePlantedAsAnotherUsersLinkIsNeitherCopiedNorReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the administrator to make another user's link";
  const std::string dir = "host/Config/LV8ADSAPP/Users/alice/";
  tree.folder().write("secret", "not properties");
  tree.folder().mkdir(dir);
  const std::string link = tree.folder().file(dir + "user.xml");
  ASSERT_EQ(::symlink(tree.folder().file("secret").c_str(), link.c_str()), 0);
  ASSERT_EQ(::lchown(link.c_str(), 4321, 4321), 0);
  config->Reload(userXml());
  EXPECT_FALSE(tree.folder().exists(dir + "user.xml.bad"));
  EXPECT_EQ(tree.folder().read("secret"), "not properties");
  EXPECT_EQ(CStr(config->Properties(u"ApplicationTitle")), u"系统");
}

TEST_F(ReloadTest, NothingChangesAndNothingIsRaisedWhenTheTemplateFailsToo) {
  ASSERT_TRUE(files::removeFile(u(tree.systemFolder() + "userdefault.xml")));
  config->Reload(userXml());
  config->Reload(u"");
  EXPECT_EQ(CStr(config->Properties(u"ApplicationTitle")), u"系统");
  EXPECT_TRUE(CStr(config->Properties(u"UserSetting")).empty());
}

TEST_F(ReloadTest, AnElementWithoutANameIsSkippedAndTheRestApplied) {
  tree.folder().write("host/Config/LV8ADSAPP/Users/alice/user.xml",
                      "<c><property value='x'/><property name='After' value='applied'/></c>");
  config->Reload(userXml());
  EXPECT_EQ(CStr(config->Properties(u"After")), u"applied");
}

}  // namespace
}  // namespace lv8int::test
