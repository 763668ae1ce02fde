#include "MainForm.h"

#include "ConfigViewer.h"
#include "DemoChildForm.h"
#include "ImportJob.h"
#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "app/CWarning.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "periods/CPeriod.h"
#include "periods/CPeriods.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/pictures/Picture.h"
#include "platform/windows/IWindows.h"
#include "resources/GFrontEnd.h"
#include "resources/GResman.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTreeWidget>

namespace lv8demo {

using namespace lv8int;

namespace {

Ref<CApplication> app() { return GZRGNTUtil::sharedApplication(); }

QString qs(const String& s) { return QString::fromStdU16String(s); }

// The help file's context numbers (demo/help/lv8demo.hhp) of the windows.
enum HelpContext : int32_t {
  kHelpContents = 0,  // the console opens the table of contents for 0
  kHelpIndex = 1,     // ... and the index for 1
  kHelpVoucher = 1101,
  kHelpLedger = 1201,
  kHelpPeriods = 1203,
  kHelpCash = 1301,
  kHelpConfig = 1401,
};

// The main window ends the application when it closes, as a host's main form does. F1 that no
// child window took opens the help's contents.
class MainWindow : public QMainWindow {
 protected:
  void closeEvent(QCloseEvent* e) override {
    app()->Terminate();
    e->accept();
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier && app()->Console()) {
      app()->Console()->ShowHelp(kHelpContents);
      return;
    }
    QMainWindow::keyPressEvent(e);
  }
};

void addRows(QTreeWidget* list, std::initializer_list<QStringList> rows) {
  for (const QStringList& row : rows) list->addTopLevelItem(new QTreeWidgetItem(row));
  for (int c = 0; c < list->columnCount(); ++c) list->resizeColumnToContents(c);
}

}  // namespace

MainForm::MainForm() : window_(std::make_unique<MainWindow>()) {
  area_ = new QMdiArea;
  area_->setBackground(QColor(0x80, 0x80, 0x80));
  window_->setCentralWidget(area_);
  status_ = new QLabel;
  user_ = new QLabel(QStringLiteral("未登录"));
  window_->statusBar()->addWidget(status_, 1);
  window_->statusBar()->addPermanentWidget(user_);
  window_->resize(960, 640);
  // A sub-window takes the toolbar manager's view options and shortcuts when it becomes active.
  QObject::connect(area_, &QMdiArea::subWindowActivated, window_.get(), [this](QMdiSubWindow* sub) {
    if (!sub) return;
    for (auto& [key, form] : children_)
      if (form->widget() == sub->widget()) form->attachToolbar();
  });
  buildMenus();
  applyRights();
}

MainForm::~MainForm() {
  closeChildren();
}

void MainForm::Show() { window_->show(); }
void MainForm::Hide() { window_->hide(); }
int32_t MainForm::hwnd() { return IWindows::current().handleOf(window_.get()); }

String MainForm::Caption() const { return window_->windowTitle().toStdU16String(); }
void MainForm::putCaption(const String& caption) { window_->setWindowTitle(qs(caption)); }
Ref<Object> MainForm::Menu() const { return menu_; }

void MainForm::SetStatusText(const Variant&, const Variant& text) { status_->setText(qs(CStr(text))); }

const DispatchTable* MainForm::classDispatchTable() {
  using C = MainForm;
  static const DispatchTable table = DispatchBuilder<C>(u"MainForm")
                                         .get(u"Caption", &C::Caption)
                                         .put(u"Caption", &C::putCaption)
                                         .get(u"Menu", &C::Menu)
                                         .method(u"SetConsole", &C::SetConsole)
                                         .method(u"SetStatusText", &C::SetStatusText)
                                         .build();
  return &table;
}

QAction* MainForm::addCommand(QMenu* menu, const QString& key, const QString& rightCode) {
  QAction* a = menu->addAction(QString());
  a->setObjectName(key);
  commands_.push_back({key, Command{rightCode, a}});
  return a;
}

void MainForm::buildMenus() {
  // Texts come from the resource stores once the application runs (loadTexts); here each
  // menu and command gets its string number.
  QMenuBar* bar = window_->menuBar();
  const auto titled = [this](QAction* a, int32_t id) {
    texts_.emplace_back(a, id);
    return a;
  };
  QMenu* system = bar->addMenu(QString());
  titled(system->menuAction(), 101);
  QObject::connect(titled(addCommand(system, "login", {}), 201), &QAction::triggered, [this] { logIn(); });
  QObject::connect(titled(addCommand(system, "logout", {}), 202), &QAction::triggered, [this] { logOut(); });
  system->addSeparator();
  QObject::connect(titled(addCommand(system, "exit", {}), 203), &QAction::triggered, [this] { window_->close(); });

  struct Item {
    const char* key;
    int32_t text;
    const char* right;  // "": every user
  };
  const std::pair<int32_t, std::vector<Item>> menus[] = {
      {102, {{"voucher", 211, "0101"}, {"import", 212, "0102"}}},
      {103, {{"ledger", 221, "0201"}, {"periods", 222, "0203"}}},
      {104, {{"cash", 231, "0301"}}},
      {105, {{"error", 241, ""}, {"config", 242, "0109"}}},
  };
  for (const auto& [title, items] : menus) {
    QMenu* menu = bar->addMenu(QString());
    titled(menu->menuAction(), title);
    rightMenus_.push_back(menu);
    for (const Item& item : items) {
      const QString key = QString::fromUtf8(item.key);
      QObject::connect(titled(addCommand(menu, key, QString::fromUtf8(item.right)), item.text), &QAction::triggered,
                       [this, key] {
                         if (key == "import") importVouchers();
                         else if (key == "error") showLookupError();
                         else openWindow(key);
                       });
    }
  }
  QMenu* windows = bar->addMenu(QString());
  titled(windows->menuAction(), 106);
  titled(windows->addAction(QString(), area_, &QMdiArea::cascadeSubWindows), 251);
  titled(windows->addAction(QString(), area_, &QMdiArea::tileSubWindows), 252);
  // Help for every user, logged in or not: the active window's topic, or the contents.
  QMenu* help = bar->addMenu(QString());
  titled(help->menuAction(), 107);
  QObject::connect(titled(addCommand(help, "help", {}), 261), &QAction::triggered, [this] { showHelp(); });
  QObject::connect(titled(addCommand(help, "helpindex", {}), 262), &QAction::triggered,
                   [] { app()->Console()->ShowHelp(kHelpIndex); });

  // The console's menu control: the menu commands the shortcut definitions may name alone.
  menu_ = make<ToolbarControl>(false);
  Ref<ToolbarBand> band = menu_->addBand(u"Voucher", ToolbarBand::Popup);
  for (const char16_t* name : {u"mnuVoucherNew", u"mnuVoucherSave", u"mnuVoucherDelete", u"mnuVoucherPrint"})
    band->Tools()->Add(band->Tools()->Count() + 1, name);
}

void MainForm::loadTexts() {
  // The menu texts are in the strings store of resource.ini's slot 1 (bits 16 to 19 of the
  // string identifier name the slot).
  constexpr int32_t kMenuStore = 1 << 16;
  Ref<GResman> resman = make<GResman>();
  for (auto& [a, id] : texts_) a->setText(qs(resman->GetString(kMenuStore | id)));
  // Icons of the resource module (slot 0) beside the commands that open a window, and Exit.
  const std::pair<const char*, const char16_t*> icons[] = {{"voucher", u"100"}, {"ledger", u"100"}, {"periods", u"100"},
                                                           {"cash", u"100"},    {"config", u"100"}, {"exit", u"9"}};
  for (const auto& [key, number] : icons) {
    try {
      Variant x, y;
      Ref<Picture> icon = resman->GetIcon(number, 0, x, y);
      if (icon && action(QString::fromUtf8(key))) action(QString::fromUtf8(key))->setIcon(QIcon(QPixmap::fromImage(icon->image())));
    } catch (const AutomationError&) {
      // No module in slot 0: the menus go without icons.
    }
  }
}

// Commands with a right code show only to a user who holds it; a menu without a command the
// user may run is hidden. Nobody logged in: only the system menu.
void MainForm::applyRights() {
  const bool loggedIn = app()->CurrentUserID() != u"-1" && !app()->CurrentUserID().empty();
  Ref<CUserRight> rights = loggedIn ? app()->UserRight() : nullptr;
  for (auto& [key, command] : commands_) {
    bool visible = true;
    if (key != "login" && key != "logout" && key != "exit" && !key.startsWith("help")) visible = loggedIn;
    if (visible && !command.rightCode.isEmpty()) visible = rights->HasRight(command.rightCode.toStdU16String());
    command.action->setVisible(visible);
  }
  action("login")->setEnabled(!loggedIn);
  action("logout")->setEnabled(loggedIn);
  for (QMenu* menu : rightMenus_) {
    bool any = false;
    for (QAction* a : menu->actions()) any = any || a->isVisible();
    menu->menuAction()->setVisible(any);
  }
  user_->setText(loggedIn ? QStringLiteral("当前用户：%1").arg(qs(app()->CurrentUserName())) : QStringLiteral("未登录"));
}

QAction* MainForm::action(const QString& key) const {
  for (const auto& [k, command] : commands_)
    if (k == key) return command.action;
  return nullptr;
}

QStringList MainForm::visibleCommands() const {
  QStringList keys;
  for (const auto& [k, command] : commands_)
    if (command.action->isVisible()) keys << k;
  return keys;
}

QString MainForm::statusText() const { return status_->text(); }

void MainForm::showHelp() {
  if (QMdiSubWindow* sub = area_->activeSubWindow()) {
    for (auto& [key, form] : children_)
      if (form->widget() == sub->widget()) return form->showHelp();
  }
  app()->Console()->ShowHelp(kHelpContents);
}

bool MainForm::logIn() {
  bool ok = false;
  try {
    ok = app()->login();
    applyRights();
    status_->setText(ok ? QStringLiteral("%1 已登录").arg(qs(app()->CurrentUserName())) : QStringLiteral("未登录"));
    // The middle tier's pending warnings for the user, one box each, over the user's menus.
    if (ok) app()->Warning()->DispWarningIfExist();
  } catch (const AutomationError& e) {
    applyRights();
    make<GFrontEnd>()->ERB(e.number(), e.source(), e.description());
  }
  return ok;
}

void MainForm::logOut() {
  closeChildren();
  app()->LogOut();
  applyRights();
  status_->setText(QStringLiteral("已注销"));
}

void MainForm::closeChildren() {
  // The form owns its widget: the sub-window lets go of it before it goes.
  for (auto& [key, form] : children_) {
    auto* sub = qobject_cast<QMdiSubWindow*>(form->widget()->parentWidget());
    form->widget()->hide();
    form->widget()->setParent(nullptr);
    if (sub && area_) area_->removeSubWindow(sub);
    delete sub;
  }
  children_.clear();
}

DemoChildForm* MainForm::openWindow(const QString& key) {
  auto it = children_.find(key);
  const bool created = it == children_.end();
  if (created) {
    Ref<DemoChildForm> made = makeWindow(key);
    if (!made) return nullptr;
    it = children_.emplace(key, made).first;
    QMdiSubWindow* sub = area_->addSubWindow(made->widget());
    // Closing hides the window; the form (and with it the widget) goes at log-out.
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    // Each new window a step down and to the right of the one before.
    const int offset = 28 * static_cast<int>(children_.size() - 1);
    sub->setGeometry(offset, offset, 700, 400);
  }
  QWidget* sub = it->second->widget()->parentWidget();
  sub->show();
  it->second->widget()->show();
  area_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(sub));
  // The voucher window explains itself when it first opens, until the user says not to.
  if (created && key == "voucher") {
    try {
      app()->ShowHint(u"VoucherEntry");
    } catch (const AutomationError& e) {
      make<GFrontEnd>()->ERB(e.number(), e.source(), e.description());
    }
  }
  return it->second.get();
}

Ref<DemoChildForm> MainForm::makeWindow(const QString& key) {
  if (key == "voucher") {
    Ref<DemoChildForm> form = make<DemoChildForm>(u"凭证录入", u"frmVoucher", kVoucherTools,
                                   QStringList{QStringLiteral("凭证号"), QStringLiteral("摘要"), QStringLiteral("科目"), QStringLiteral("借方"), QStringLiteral("贷方")}, kHelpVoucher);
    addRows(form->list(), {{"记-0001", "收到货款", "银行存款", "12,800.00", ""},
                           {"记-0001", "收到货款", "应收账款", "", "12,800.00"},
                           {"记-0002", "支付房租", "管理费用", "6,000.00", ""},
                           {"记-0002", "支付房租", "银行存款", "", "6,000.00"}});
    form->note()->setPlainText(QStringLiteral("Ctrl+N 新增  Ctrl+S 保存  Ctrl+D 删除  Ctrl+P 打印"));
    return form;
  }
  if (key == "periods") {
    Ref<DemoChildForm> form = make<DemoChildForm>(u"会计期间", u"frmPeriods", kListTools,
                                   QStringList{QStringLiteral("期间"), QStringLiteral("年度"), QStringLiteral("期号"), QStringLiteral("开始日期"),
                                    QStringLiteral("结束日期"), QStringLiteral("状态")}, kHelpPeriods);
    Ref<CPeriods> periods = app()->Periods();
    for (int32_t i = 1; i <= periods->Count(); ++i) {
      Variant position(i);
      Ref<CPeriod> p = periods->Item(position);
      form->list()->addTopLevelItem(new QTreeWidgetItem(
          {QString::number(p->ID()), QString::number(p->Year()), QString::number(p->Number()), qs(CStr(p->StartDate())),
           qs(CStr(p->EndDate())), p->Status() ? QStringLiteral("已结账") : QStringLiteral("未结账")}));
    }
    for (int c = 0; c < form->list()->columnCount(); ++c) form->list()->resizeColumnToContents(c);
    form->note()->setPlainText(QStringLiteral("会计期间共 %1 个，来自中间层。").arg(periods->Count()));
    return form;
  }
  if (key == "ledger") {
    Ref<DemoChildForm> form = make<DemoChildForm>(u"总账", u"frmLedger", kListTools,
                                   QStringList{QStringLiteral("科目"), QStringLiteral("期初余额"), QStringLiteral("借方"), QStringLiteral("贷方"), QStringLiteral("期末余额")}, kHelpLedger);
    addRows(form->list(), {{"1002 银行存款", "50,000.00", "12,800.00", "6,000.00", "56,800.00"},
                           {"1122 应收账款", "20,000.00", "", "12,800.00", "7,200.00"}});
    return form;
  }
  if (key == "config") return make<ConfigViewer>(kHelpConfig);
  if (key == "cash") {
    Ref<DemoChildForm> form = make<DemoChildForm>(u"现金日记账", u"frmCashJournal", kListTools,
                                   QStringList{QStringLiteral("日期"), QStringLiteral("摘要"), QStringLiteral("收入"), QStringLiteral("支出"), QStringLiteral("余额")}, kHelpCash);
    addRows(form->list(), {{"2003-06-02", "提取备用金", "5,000.00", "", "5,800.00"},
                           {"2003-06-05", "购买办公用品", "", "320.00", "5,480.00"}});
    return form;
  }
  return nullptr;
}

int MainForm::importVouchers() {
  Ref<IProgressBar> bar = app()->Console()->ProgressBar();
  bar->put_Caption(u"导入凭证");
  bar->put_Style(1);
  Ref<ImportJob> job = make<ImportJob>(bar);
  bar->StartJob(Ref<IProgressJob>(job), 1);
  status_->setText(job->canceled() ? QStringLiteral("导入已取消：已导入 %1 张凭证").arg(job->imported())
                                   : QStringLiteral("已导入 %1 张凭证").arg(job->imported()));
  return job->canceled() ? -job->imported() : job->imported();
}

int32_t MainForm::showLookupError() {
  try {
    Ref<CPeriods> periods = app()->Periods();
    Variant position(periods->Count() + 1);
    periods->Item(position);
  } catch (const AutomationError& e) {
    // The library's error, with what the user asked for in front of it.
    return make<GFrontEnd>()->ERB(e.number(), e.source(), u"会计期间第 13 期不存在：" + e.description());
  }
  return 0;
}

}  // namespace lv8demo
