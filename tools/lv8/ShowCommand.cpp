// lv8 show errbox|progress|hint|toolbar: opens one of the library's windows (or a child form
// with its toolbar, as a host shows it) so that a person can look at it, optionally saving a
// picture of it and closing it again (--screenshot).
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>


#include "Command.h"
#include "SampleTools.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "app/HeadlessMainForm.h"
#include "config/CConfig.h"
#include "console/CToolbar.h"
#include "console/ProgressDialog.h"
#include "console/frmProgress.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/ChildForm.h"
#include "platform/controls/SplitterControl.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/host/IMDIForm.h"
#include "platform/host/IMenuTarget.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "resources/ErrBoxDialog.h"
#include "resources/FormSupport.h"
#include "resources/GFrontEnd.h"
#include "resources/HintDialog.h"
#include "resources/frmHint.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QTimer>

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;

const char kUsage[] =
    "usage: lv8 show errbox [--number N] [--source S] [--description D] [--buttons B] [--title T]\n"
    "                       [--expand] [--host PATH] [--screenshot FILE]\n"
    "       lv8 show progress [--style 1|2] [--host PATH] [--screenshot FILE]\n"
    "       lv8 show hint NAME --host PATH [--user NAME] [--screenshot FILE]\n"
    "       lv8 show toolbar --host PATH --form KEY [--click ViewToolText,LargeIcons] [--menu]\n"
    "                        [--screenshot FILE]\n"
    "  --host        the host program whose configuration tree the window reads (title, hints)\n"
    "  --screenshot  save the window as a PNG file and close it\n"
    "  --form        the child form's key in ShortCut/SCDefine.xml\n"
    "  --click       view options to click in the customize menu first (as a user does)\n"
    "  --menu        open the customize menu (twice, the second one stays open)\n";

struct Options {
  std::string what;
  std::string hintName;
  std::map<std::string, std::string> values;
  bool expand = false;
  bool menu = false;
  std::optional<std::string> get(const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

bool parse(const CommandArgs& args, Options& o) {
  if (args.empty()) return false;
  o.what = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--expand") {
      o.expand = true;
    } else if (a == "--menu") {
      o.menu = true;
    } else if (a.rfind("--", 0) == 0) {
      if (i + 1 >= args.size()) return false;
      o.values[a.substr(2)] = args[++i];
    } else if (o.what == "hint" && o.hintName.empty()) {
      o.hintName = a;
    } else {
      return false;
    }
  }
  return o.what != "hint" || !o.hintName.empty();
}

void startHost(const Options& o, const Ref<HeadlessMainForm>& form = make<HeadlessMainForm>()) {
  if (auto host = o.get("host")) HeadlessMainForm::startApplication(*GZRGNTUtil::sharedApplication(), fromUtf8(*host), form);
}

// The window's client area under a drawn caption bar, since a picture taken from inside the
// program has no window frame.
bool saveScreenshot(QWidget* w, const std::string& file) {
  const QImage client = w->grab().toImage();
  constexpr int kCaption = 22, kBorder = 3;
  QImage shot(client.width() + 2 * kBorder, client.height() + kCaption + 2 * kBorder, QImage::Format_RGB32);
  QPainter p(&shot);
  p.fillRect(shot.rect(), QColor(0xd4, 0xd0, 0xc8));
  p.setPen(QColor(0x40, 0x40, 0x40));
  p.drawRect(shot.rect().adjusted(0, 0, -1, -1));
  QLinearGradient g(0, 0, shot.width(), 0);
  g.setColorAt(0, QColor(0x0a, 0x24, 0x6a));
  g.setColorAt(1, QColor(0xa6, 0xca, 0xf0));
  const QRect bar(kBorder, kBorder, shot.width() - 2 * kBorder, kCaption - 2);
  p.fillRect(bar, g);
  QFont f = forms::formFont();
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(bar.adjusted(6, 0, -24, 0), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
  const QRect closeBox(bar.right() - 18, bar.top() + 2, 16, 14);
  p.fillRect(closeBox, QColor(0xd4, 0xd0, 0xc8));
  p.setPen(Qt::black);
  p.drawRect(closeBox.adjusted(0, 0, -1, -1));
  p.drawLine(closeBox.left() + 4, closeBox.top() + 3, closeBox.right() - 4, closeBox.bottom() - 3);
  p.drawLine(closeBox.right() - 4, closeBox.top() + 3, closeBox.left() + 4, closeBox.bottom() - 3);
  p.drawImage(kBorder, kBorder + kCaption, client);
  p.end();
  const bool ok = shot.save(QString::fromStdString(file), "PNG");
  std::fprintf(ok ? stdout : stderr, ok ? "screenshot: %s\n" : "lv8 show: cannot write %s\n", file.c_str());
  return ok;
}

// Once the modal window is up: `ready` prepares it, then it is saved and `finish` closes it.
void whenShown(std::function<void(QWidget*)> ready, std::function<void(QWidget*)> finish,
               const std::optional<std::string>& shot, bool& saved) {
  if (!shot) return;
  QTimer::singleShot(400, [=, &saved] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    ready(w);
    QTimer::singleShot(150, [=, &saved] {
      saved = saveScreenshot(w, *shot);
      finish(w);
    });
  });
}

int showErrBox(const Options& o) {
  startHost(o);
  const int32_t number = o.get("number") ? std::stoi(*o.get("number")) : 5;
  const String source = o.get("source") ? fromUtf8(*o.get("source")) : u"ZRMDictUtil.utilPeriod";
  const String description =
      o.get("description") ? fromUtf8(*o.get("description")) : u"无效的过程调用或参数：会计期间 13 不存在。";
  const Variant buttons = o.get("buttons") ? Variant(int32_t(std::stoi(*o.get("buttons")))) : Variant::missing();
  Variant title = Variant::missing();
  if (o.get("title")) title = Variant(fromUtf8(*o.get("title")));
  else if (!o.get("host")) title = Variant(u"示例账务系统");
  bool saved = false;
  whenShown(
      [&](QWidget* w) {
        if (auto* box = qobject_cast<ErrBoxDialog*>(w); box && o.expand) box->cmdDetail->click();
      },
      [](QWidget* w) {
        if (auto* box = qobject_cast<ErrBoxDialog*>(w)) box->cmdClose->click();
      },
      o.get("screenshot"), saved);
  const int32_t r = make<GFrontEnd>()->ERB(number, source, description, buttons, title);
  std::printf("ERB returned %d\n", r);
  return o.get("screenshot") && !saved ? 1 : 0;
}

class DemoJob : public IProgressJob {
 public:
  DemoJob(Ref<frmProgress> bar, int32_t style, std::function<void()> halfway)
      : bar_(std::move(bar)), style_(style), halfway_(std::move(halfway)) {}
  void RunJob(int32_t) override {
    bar_->put_MainText(style_ == 2 ? u"正在连接中间层服务器..." : u"正在导入凭证，请稍候...");
    for (int i = 0; i <= 100; ++i) {
      if (bar_->Canceled()) return;
      bar_->put_SubText(u"第 " + toString(i) + u" 张，共 100 张");
      if (style_ != 2) bar_->put_Percentage(i);
      if (i == 50 && halfway_) {
        waitFor(style_ == 2 ? 37 * 25 : 100);  // the animation a little past its turn
        halfway_();
        break;
      }
      waitFor(style_ == 2 ? 120 : 60);
    }
    if (!bar_->Canceled()) bar_->Close();
  }
  static void waitFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }

 private:
  Ref<frmProgress> bar_;
  int32_t style_;
  std::function<void()> halfway_;
};

int showProgress(const Options& o) {
  startHost(o);
  const int32_t style = o.get("style") ? std::stoi(*o.get("style")) : 1;
  Ref<frmProgress> bar = make<frmProgress>();
  bar->put_Caption(u"导入凭证");
  bar->put_Style(style);
  bool saved = false;
  std::function<void()> halfway;
  if (auto shot = o.get("screenshot"))
    halfway = [&, file = *shot] { saved = bar->dialog() && saveScreenshot(bar->dialog(), file); };
  auto job = make<DemoJob>(bar, style, halfway);
  bar->StartJob(Ref<IProgressJob>(job), 1);
  std::printf("StartJob returned\n");
  bar->Unload();
  return o.get("screenshot") && !saved ? 1 : 0;
}

int showHint(const Options& o) {
  if (!o.get("host")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  startHost(o);
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<CConfig> config = app->Config();
  // The user's own store, read only: what the window stores is shown, never saved.
  const std::string user = o.get("user").value_or("Anonymous");
  Ref<XMLRegistry> store = make<XMLRegistry>();
  const String userFile = config->UsersPath() + fromUtf8(user) + u"/usercfg.xml";
  if (!store->Load(userFile)) store->Load(config->Path() + u"Default/UserCfg.xml");

  bool saved = false;
  whenShown([](QWidget*) {},
            [](QWidget* w) {
              if (auto* d = qobject_cast<HintDialog*>(w)) d->cmdOK->click();
            },
            o.get("screenshot"), saved);
  const bool r = frmHint::shared().showHint(fromUtf8(o.hintName), config->SystemPath() + u"hintdef.xml",
                                            [store] { return store; });
  Ref<XMLRegistryKey> key = store->RootKey()->OpenKey(u"hint", false);
  const String flag = key ? CStr(key->GetValue(fromUtf8(o.hintName), Variant(u"0"))) : String(u"0");
  std::printf("ShowHint returned %s; flag \"%s\" (not saved)\n", r ? "True" : "False", toUtf8(flag).c_str());
  return o.get("screenshot") && !saved && r ? 1 : 0;
}

// A voucher form as a host builds it: its toolbar, and a splitter with a list and a text box.
class ShowForm : public ChildForm, public IMenuTarget {
 public:
  ShowForm() : ChildForm(u"凭证录入") {}
  void ExecuteMenu(const String& MenuName) override { std::printf("ExecuteMenu(%s)\n", toUtf8(MenuName).c_str()); }
};

int showToolbar(const Options& o) {
  if (!o.get("host") || !o.get("form")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The main window's menu, for shortcuts that only the menu decides.
  Ref<ToolbarControl> menu = make<ToolbarControl>(false);
  Ref<ToolbarBand> file = menu->addBand(u"File", ToolbarBand::Popup);
  for (const lv8demo::SampleTool& item : lv8demo::kVoucherTools)
    file->Tools()->Add(file->Tools()->Count() + 1, String(u"mnu") + item.name);
  Ref<HeadlessMainForm> mainForm = make<HeadlessMainForm>();
  mainForm->setMenu(menu);
  startHost(o, mainForm);

  Ref<ShowForm> form = make<ShowForm>();
  Ref<ToolbarControl> bar = make<ToolbarControl>(*form);
  lv8demo::addSampleTools(*bar, lv8demo::kVoucherTools);  // from the host's resource module when it has one
  Ref<SplitterControl> split = make<SplitterControl>(*form);
  auto* list = new QTreeWidget;
  list->setHeaderLabels({QStringLiteral("凭证号"), QStringLiteral("摘要"), QStringLiteral("金额")});
  for (auto [no, text, amount] : {std::tuple{"记-0001", "收到货款", "12,800.00"}, {"记-0002", "支付房租", "6,000.00"},
                                  {"记-0003", "计提工资", "35,420.00"}})
    list->addTopLevelItem(new QTreeWidgetItem({QString::fromUtf8(no), QString::fromUtf8(text), QString::fromUtf8(amount)}));
  split->splitter()->addWidget(list);
  split->splitter()->addWidget(new QPlainTextEdit(QStringLiteral("凭证摘要：收到货款")));
  form->widget()->resize(780, 300);
  QCursor::setPos(-100, -100);  // no tool under the pointer, so none is drawn hovered
  form->widget()->show();

  try {
    GZRGNTUtil::sharedApplication()->Toolbar()->SetAB2(bar, fromUtf8(*o.get("form")));
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "SetAB2: %s\n", e.what());
  }
  for (const auto& entry : GZRGNTUtil::sharedApplication()->Toolbar()->shortcuts())
    std::printf("shortcut Ctrl+%c: %s/%s -> %s\n", char(entry.key), toUtf8(entry.ToolBand).c_str(),
                toUtf8(entry.ToolName).c_str(), toUtf8(entry.MenuName).c_str());

  // View options are clicked in the customize menu, as a user clicks them.
  const auto openCustomize = [&] {
    bar->dropDownOf(u"SysCustomize")->click();
    return bar->openMenu();
  };
  if (auto clicks = o.get("click")) {
    for (const QString& name : QString::fromStdString(*clicks).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      QMenu* m = openCustomize();
      Ref<ToolbarTool> tool = bar->band(u"SysCustomize")->Tools()->find(name.toStdU16String());
      for (QAction* a : m ? m->actions() : QList<QAction*>())
        if (tool && a->text() == QString::fromStdU16String(tool->Caption())) a->trigger();
      if (m) m->close();
    }
  }
  QMenu* open = nullptr;
  if (o.menu) {
    if (QMenu* first = openCustomize()) first->close();
    open = openCustomize();
  }
  auto shot = o.get("screenshot");
  if (!shot) return QApplication::exec();
  bool saved = false;
  QTimer::singleShot(300, [&] {
    QWidget* w = form->widget();
    if (open) {
      // The menu is a window of its own: draw it where it stands over the form.
      const QImage form = w->grab().toImage();
      const QImage shown = open->grab().toImage();
      const QPoint at = open->mapToGlobal(QPoint(0, 0)) - w->mapToGlobal(QPoint(0, 0));
      const QRect all = QRect(QPoint(0, 0), form.size()).united(QRect(at, shown.size()));
      QImage picture(all.size(), QImage::Format_RGB32);
      picture.fill(QColor(0xd4, 0xd0, 0xc8));
      QPainter p(&picture);
      p.drawImage(-all.topLeft(), form);
      p.drawImage(at - all.topLeft(), shown);
      p.end();
      QLabel label;
      label.setWindowTitle(w->windowTitle());
      label.setPixmap(QPixmap::fromImage(picture));
      label.resize(picture.size());
      saved = saveScreenshot(&label, *shot);
    } else {
      saved = saveScreenshot(w, *shot);
    }
    QApplication::quit();
  });
  QApplication::exec();
  return saved ? 0 : 1;
}

int runShow(const CommandArgs& args) {
  Options o;
  if (!parse(args, o) || (o.what != "errbox" && o.what != "progress" && o.what != "hint" && o.what != "toolbar")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::optional<QApplication> qapp;
  if (!QApplication::instance()) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
      std::fprintf(stderr, "lv8 show: no display (set DISPLAY, or run under xvfb-run)\n");
      return 1;
    }
    static int argc = 1;
    static char name[] = "lv8";
    static char* argv[] = {name, nullptr};
    qapp.emplace(argc, argv);
  }
  int rc = 0;
  if (o.what == "errbox") rc = showErrBox(o);
  else if (o.what == "progress") rc = showProgress(o);
  else if (o.what == "toolbar") rc = showToolbar(o);
  else rc = showHint(o);
  GZRGNTUtil::sharedApplication()->Terminate();
  return rc;
}

const lv8tool::Command reg("show", "show errbox|progress|hint|toolbar ...  open one of the library's windows", runShow);

}  // namespace
