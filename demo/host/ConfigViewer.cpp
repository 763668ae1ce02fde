#include "ConfigViewer.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/CRegistry.h"
#include "config/CSystemConfig.h"
#include "config/CUserConfig.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryKey.h"
#include "platform/xmlregistry/XMLRegistryValue.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace lv8demo {

using namespace lv8int;

namespace {

QString qs(const String& s) { return QString::fromStdU16String(s); }

QTreeWidgetItem* add(QTreeWidgetItem* parent, const QString& name, const QString& value = {}) {
  auto* item = new QTreeWidgetItem(parent, {name, value});
  item->setToolTip(1, value);
  return item;
}

// A key of a store with its values and sub-keys, in the order of the file.
void addKey(QTreeWidgetItem* parent, const Ref<XMLRegistryKey>& key) {
  if (!key->DefaultValue().empty()) add(parent, QStringLiteral("(默认)"), qs(key->DefaultValue()));
  for (size_t i = 0; i < key->valueCount(); ++i) {
    const Ref<XMLRegistryValue> value = key->valueAt(i);
    add(parent, qs(value->Name()), qs(value->Value()));
  }
  for (const Ref<XMLRegistryKey>& sub : key->subKeys()) addKey(add(parent, qs(sub->Name())), sub);
}

// The property names a property file holds ("property" elements, as CConfig reads them).
QStringList propertyNames(const String& file) {
  QStringList names;
  xml::XmlDocument doc;
  if (!doc.load(file)) return names;
  for (const xml::XmlNode& p : doc.selectNodes(u"//property")) {
    const QString name = qs(CStr(p.getAttribute(u"name")));
    if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive)) names << name;
  }
  return names;
}

// One registry value through CRegistry, "" when the key or value is not there.
String registryText(int32_t hive, const String& key, const String& value = {}) {
  Ref<CRegistry> reg = make<CRegistry>();
  reg->put_ClassKey(hive);
  reg->put_SectionKey(key);
  reg->put_ValueKey(value);
  reg->put_Default(Variant(String()));
  return CStr(reg->Value());
}

}  // namespace

ConfigViewer::ConfigViewer(int32_t helpContext)
    : DemoChildForm(u"配置查看", u"frmConfig", kConfigTools, {QStringLiteral("名称"), QStringLiteral("值")}, helpContext) {
  list()->setRootIsDecorated(true);
  // Paths are long: the tree takes most of the width.
  if (auto* split = qobject_cast<QSplitter*>(note()->parentWidget())) split->setSizes({600, 100});
  note()->setPlainText(QStringLiteral("只读：应用程序的配置文件夹、系统属性、本机和用户配置存储及组件注册。Ctrl+R 刷新"));
  refresh();
}

void ConfigViewer::refresh() {
  QTreeWidget* tree = list();
  tree->clear();
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<CConfig> config = app->Config();
  // A part that cannot be read says why, and the others are still shown.
  auto section = [tree](const QString& title, const std::function<void(QTreeWidgetItem*)>& fill) {
    auto* item = new QTreeWidgetItem(tree, {title});
    try {
      fill(item);
    } catch (const AutomationError& e) {
      add(item, QStringLiteral("错误 %1").arg(e.number()), qs(e.description()));
    }
    item->setExpanded(true);
  };

  section(QStringLiteral("配置文件夹"), [&](QTreeWidgetItem* item) {
    add(item, QStringLiteral("主程序"), qs(app->FullPath()));
    add(item, QStringLiteral("配置根"), qs(config->Path()));
    add(item, QStringLiteral("系统"), qs(config->SystemPath()));
    add(item, QStringLiteral("用户"), qs(config->UsersPath()));
    add(item, QStringLiteral("机器"), qs(config->MachinesPath()));
    add(item, QStringLiteral("当前用户"), qs(config->CurrentUserPath()));
    add(item, QStringLiteral("当前机器"), qs(config->CurrentMachinePath()));
  });

  section(QStringLiteral("系统属性"), [&](QTreeWidgetItem* item) {
    // The names system.xml and the user's user.xml hold; the values as the library answers
    // them, the user's over the system's.
    QStringList names = propertyNames(config->SystemPath() + u"system.xml");
    for (const QString& name : propertyNames(config->CurrentUserPath() + u"user.xml"))
      if (!names.contains(name, Qt::CaseInsensitive)) names << name;
    for (const QString& name : names) add(item, name, qs(CStr(config->Properties(name.toStdU16String()))));
  });

  section(QStringLiteral("本机配置"), [&](QTreeWidgetItem* item) {
    Ref<CSystemConfig> store = app->SysConfigControl();
    if (!store || !app->SysConfig()) return;
    item->setText(1, qs(store->fileName()));
    addKey(item, app->SysConfig()->RootKey());
  });

  section(QStringLiteral("用户配置"), [&](QTreeWidgetItem* item) {
    Ref<CUserConfig> store = app->UserConfigControl();
    if (!store || !store->Registry()) {
      item->setText(1, QStringLiteral("未登录"));
      return;
    }
    item->setText(1, qs(store->fileName()));
    addKey(item, store->Registry()->RootKey());
  });

  section(QStringLiteral("组件注册"), [&](QTreeWidgetItem* item) {
    // A class registered for the user alone (HKEY_CURRENT_USER\Software\Classes) is found
    // before the machine's, as the component registry finds it.
    struct Hive {
      reg::Handle root;
      const char16_t* prefix;
      QString label;
    };
    const Hive hives[] = {{reg::HKEY_CURRENT_USER, u"Software\\Classes\\", QStringLiteral("当前用户")},
                          {reg::HKEY_CLASSES_ROOT, u"", QStringLiteral("本机")}};
    for (const String& progID : {CStr(config->Properties(u"ApplicationLoginWindow")), String(u"ZRMSysBase.SysDSN"),
                                 String(u"ZRMDictUtil.utilPeriod")}) {
      if (progID.empty()) continue;
      QTreeWidgetItem* component = add(item, qs(progID), QStringLiteral("未注册"));
      for (const Hive& hive : hives) {
        const int32_t root = static_cast<int32_t>(hive.root);
        const String clsid = registryText(root, hive.prefix + progID + u"\\CLSID");
        if (clsid.empty()) continue;
        component->setText(1, qs(clsid));
        add(component, QStringLiteral("注册于"), hive.label);
        add(component, QStringLiteral("插件"), qs(registryText(root, hive.prefix + (u"CLSID\\" + clsid) + u"\\InprocServer32")));
        break;
      }
    }
    add(item, QStringLiteral("中间层服务器"), app->MidServerName().empty() ? QStringLiteral("（本机）") : qs(app->MidServerName()));
  });

  tree->resizeColumnToContents(0);
}

QString ConfigViewer::valueAt(const QString& path) const {
  const QStringList names = path.split(QLatin1Char('/'));
  QTreeWidgetItem* item = nullptr;
  for (const QString& name : names) {
    QTreeWidgetItem* next = nullptr;
    const int count = item ? item->childCount() : list()->topLevelItemCount();
    for (int i = 0; i < count && !next; ++i) {
      QTreeWidgetItem* c = item ? item->child(i) : list()->topLevelItem(i);
      if (c->text(0) == name) next = c;
    }
    if (!next) return {};
    item = next;
  }
  return item ? item->text(1) : QString();
}

void ConfigViewer::ExecuteMenu(const String& MenuName) {
  DemoChildForm::ExecuteMenu(MenuName);
  if (equalsNoCase(MenuName, u"mnuConfigRefresh")) refresh();
  else if (equalsNoCase(MenuName, u"mnuConfigExpand")) list()->expandAll();
}

}  // namespace lv8demo
