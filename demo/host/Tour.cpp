#include "Tour.h"

#include <cstdio>

#include "ConfigViewer.h"
#include "DemoChildForm.h"
#include "ImportJob.h"
#include "MainForm.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "console/CToolbar.h"
#include "periods/CPeriods.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/ToolbarControl.h"
#include "console/ProgressDialog.h"
#include "help/HelpBrowser.h"
#include "help/HelpWindow.h"
#include "resources/ErrBoxDialog.h"
#include "resources/GResman.h"
#include "resources/HintDialog.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace lv8demo {

using namespace lv8int;

namespace {

Ref<CApplication> app() { return GZRGNTUtil::sharedApplication(); }

void say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

}  // namespace

void pause(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Tour::expect(bool ok, const QString& what) {
  if (!ok) {
    say(QStringLiteral("    FAILED: ") + what);
    ++failures_;
  }
  return ok;
}

void Tour::whenModal(std::function<void(QWidget*)> handle) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  // The poll holds itself only weakly: the pending timer keeps it, and it ends with the last one.
  std::weak_ptr<std::function<void()>> self = poll;
  *poll = [=, this] {
    QWidget* w = QApplication::activeModalWidget();
    if (w && w->isVisible()) {
      // Laid out and painted before it is pictured.
      QTimer::singleShot(200, w, [=] { handle(w); });
      return;
    }
    if (++*tries > 100) {
      expect(false, QStringLiteral("no modal window showed"));
      return;
    }
    if (auto again = self.lock()) QTimer::singleShot(100, [again] { (*again)(); });
  };
  QTimer::singleShot(100, [poll] { (*poll)(); });
}

bool Tour::save(const QString& name, QWidget* dialog) {
  QWidget* main = form_.window();
  QImage picture = main->grab().toImage();
  if (dialog) {
    const QImage shown = dialog->grab().toImage();
    QPoint at = dialog->mapToGlobal(QPoint(0, 0)) - main->mapToGlobal(QPoint(0, 0));
    // Offscreen windows may all stand at the origin: centre the dialog over the main window.
    if (!QRect(QPoint(0, 0), picture.size()).contains(QRect(at, shown.size())))
      at = QPoint((picture.width() - shown.width()) / 2, (picture.height() - shown.height()) / 2);
    QPainter p(&picture);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(QRect(at - QPoint(1, 1), shown.size() + QSize(1, 1)));
    p.drawImage(at, shown);
  }
  // A picture taken from inside the program has no window frame: the caption is drawn above.
  constexpr int kCaption = 24;
  QImage framed(picture.width(), picture.height() + kCaption, QImage::Format_RGB32);
  QPainter p(&framed);
  p.fillRect(QRect(0, 0, framed.width(), kCaption), QColor(0x0a, 0x24, 0x6a));
  p.setPen(Qt::white);
  p.drawText(QRect(8, 0, framed.width() - 16, kCaption), Qt::AlignVCenter | Qt::AlignLeft, main->windowTitle());
  p.drawImage(0, kCaption, picture);
  p.end();
  picture = framed;
  const QString file = folder_ + QStringLiteral("/%1-%2.png").arg(number_, 2, 10, QLatin1Char('0')).arg(name);
  const bool ok = picture.save(file, "PNG");
  expect(ok, QStringLiteral("cannot write ") + file);
  if (ok) say(QStringLiteral("    screenshot: ") + file);
  return ok;
}

void Tour::step(const QString& name, const std::function<void()>& act, const std::function<bool()>& check) {
  ++number_;
  say(QStringLiteral("step %1: %2").arg(number_).arg(name));
  const int before = failures_;
  try {
    act();
    pause(150);
    if (!check()) expect(false, name);
  } catch (const AutomationError& e) {
    expect(false, QStringLiteral("error %1: %2").arg(e.number()).arg(QString::fromStdU16String(e.description())));
  }
  if (!QApplication::activeModalWidget()) save(name);
  if (failures_ == before) say(QStringLiteral("    ok"));
}

bool Tour::logInAs(const QString& user, const QString& password, int warnings) {
  bool filled = false;
  // The warnings follow the login window, each in an error box of its own: the first is
  // pictured, every one closed.
  int boxes = 0;
  QTimer closer;
  closer.setInterval(150);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<ErrBoxDialog*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (++boxes == 1) save(QStringLiteral("warning-") + user, box);
    say(QStringLiteral("    warning: ") + box->txtDescription->toPlainText());
    box->cmdClose->click();
  });
  whenModal([=, this, &filled, &closer](QWidget* w) {
    auto* userBox = w->findChild<QLineEdit*>(QStringLiteral("user"));
    auto* passwordBox = w->findChild<QLineEdit*>(QStringLiteral("password"));
    auto* buttons = w->findChild<QDialogButtonBox*>();
    if (!userBox || !passwordBox || !buttons) {
      // Another window came instead (the library's message that a component cannot be created,
      // before it ends the program): say what it says.
      QStringList texts;
      for (QLabel* label : w->findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
      expect(false, QStringLiteral("instead of the login window: ") + w->windowTitle() + QStringLiteral(" ") + texts.join(' '));
      if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
      return;
    }
    userBox->setText(user);
    passwordBox->setText(password);
    filled = true;
    save(QStringLiteral("login-dialog-") + user, w);
    closer.start();
    buttons->button(QDialogButtonBox::Ok)->click();
    // A refused login keeps the window open: give up rather than wait for ever.
    QTimer::singleShot(500, w, [w] {
      if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
    });
  });
  const bool ok = form_.logIn();
  closer.stop();
  return expect(filled, QStringLiteral("the login window did not show")) &&
         expect(boxes == warnings, QStringLiteral("%1 warnings shown, %2 expected").arg(boxes).arg(warnings)) && ok;
}

void Tour::pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  // A letter with Ctrl carries its control character, as the keyboard gives it.
  QString text;
  if (key >= Qt::Key_A && key <= Qt::Key_Z && modifiers == Qt::ControlModifier) text = QChar(key - Qt::Key_A + 1);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(target, &release);
}

void Tour::focusOn(DemoChildForm* child) {
  // As a click on the window would: the main window active (the offscreen platform gives no
  // window back its activation after a popup or a modal box closed), the form's sub-window too.
  form_.window()->activateWindow();
  pause(100);
  form_.area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(child->widget()->parentWidget()));
  pause(100);
  expect(app()->Toolbar()->attachedControl().get() == child->toolbar().get(), "the active form's toolbar is attached");
}

bool Tour::toggleViewOption(const QString& toolName) {
  DemoChildForm* child = form_.openWindow(QStringLiteral("voucher"));
  if (!child) return false;
  focusOn(child);
  Ref<ToolbarControl> bar = child->toolbar();
  bar->dropDownOf(u"SysCustomize")->click();
  QMenu* menu = bar->openMenu();
  Ref<ToolbarTool> tool = bar->band(u"SysCustomize")->Tools()->find(toolName.toStdU16String());
  bool clicked = false;
  for (QAction* a : menu ? menu->actions() : QList<QAction*>())
    if (tool && a->text() == QString::fromStdU16String(tool->Caption())) {
      a->trigger();
      clicked = true;
    }
  if (menu) menu->close();
  return expect(clicked, QStringLiteral("the customize menu has no ") + toolName);
}

bool Tour::run() {
  form_.window()->setGeometry(40, 40, 960, 640);
  pause(300);
  step(QStringLiteral("start"), [] {}, [&] {
    return expect(form_.window()->windowTitle() == QStringLiteral("示例总账"), QStringLiteral("the title is ") + form_.window()->windowTitle()) &&
           expect(form_.action("login")->text() == QStringLiteral("登录(&L)..."),
                  QStringLiteral("the login command's text from the resource store is ") + form_.action("login")->text()) &&
           expect(form_.visibleCommands() == QStringList({"login", "logout", "exit", "help", "helpindex"}), QStringLiteral("menus before login: ") + form_.visibleCommands().join(' '));
  });

  step(QStringLiteral("login-kj01"), [&] { expect(logInAs("kj01", "1234", 3), "kj01 logs in"); }, [&] {
    say(QStringLiteral("    user %1 (id %2), commands: %3")
            .arg(QString::fromStdU16String(app()->CurrentUserName()), QString::fromStdU16String(app()->CurrentUserID()),
                 form_.visibleCommands().join(' ')));
    return expect(app()->CurrentUserID() == u"101", "kj01's id is 101") &&
           expect(form_.visibleCommands() == QStringList({"login", "logout", "exit", "voucher", "import", "periods", "error", "config", "help", "helpindex"}),
                  "kj01 sees the voucher and period windows only");
  });

  DemoChildForm* voucher = nullptr;
  bool hinted = false;
  step(QStringLiteral("voucher"), [&] {
    whenModal([&](QWidget* w) {
      auto* hint = qobject_cast<HintDialog*>(w);
      if (!expect(hint != nullptr, "the voucher window's hint showed")) return;
      hinted = true;
      save(QStringLiteral("hint"), w);
      hint->cmdOK->click();
    });
    form_.action("voucher")->trigger();
    voucher = form_.openWindow("voucher");
  }, [&] {
    return expect(hinted, "the hint came with the first opening") &&
           expect(voucher && voucher->toolbar()->buttonOf(u"Save") != nullptr, "the voucher window has its toolbar") &&
           expect(make<GResman>()->kindOf(0) == GResman::StoreKind::Dll &&
                      voucher->toolbar()->band(u"Standard")->Tools()->find(u"Save")->Caption() == make<GResman>()->GetString(2),
                  "the tools' captions come from the resource module") &&
           expect(form_.area()->activeSubWindow() && form_.area()->activeSubWindow()->widget() == voucher->widget(),
                  "the voucher window is active");
  });

  step(QStringLiteral("view-tool-text"), [&] { toggleViewOption("ViewToolText"); }, [&] {
    QToolButton* save = voucher->toolbar()->buttonOf(u"Save");
    return expect(save && save->toolButtonStyle() != Qt::ToolButtonIconOnly, "the tools show their text");
  });

  step(QStringLiteral("large-icons"), [&] { toggleViewOption("LargeIcons"); }, [&] {
    return expect(voucher->toolbar()->LargeIcons(), "the toolbar shows large icons");
  });

  step(QStringLiteral("shortcut-ctrl-s"), [&] {
    focusOn(voucher);
    voucher->list()->setFocus();
    pressKey(voucher->list(), Qt::Key_S, Qt::ControlModifier);
  }, [&] { return expect(voucher->lastMenu() == u"mnuVoucherSave", "Ctrl+S ran mnuVoucherSave"); });

  int imported = 0;
  bool asked = false;
  step(QStringLiteral("import-cancel"), [&] {
    whenModal([&](QWidget* w) {
      auto* progress = qobject_cast<ProgressDialog*>(w);
      if (!expect(progress != nullptr, "the progress window showed")) return;
      QTimer::singleShot(1200, progress, [&, progress] {
        save(QStringLiteral("progress"), progress);
        whenModal([&](QWidget* q) {
          auto* box = qobject_cast<QMessageBox*>(q);
          if (!expect(box && box->button(QMessageBox::Yes), "the cancel is asked")) return;
          expect(box->button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")) &&
                     box->button(QMessageBox::No)->text().startsWith(QStringLiteral("否")),
                 "the question's buttons are Chinese: " + box->button(QMessageBox::Yes)->text());
          asked = true;
          save(QStringLiteral("cancel-question"), q);
          box->button(QMessageBox::Yes)->click();
        });
        progress->cmdCancel->click();
      });
    });
    imported = form_.importVouchers();
  }, [&] {
    say(QStringLiteral("    %1").arg(form_.statusText()));
    return expect(asked, "the cancel was confirmed") &&
           expect(imported < 0 && -imported < ImportJob::kVouchers, "the import stopped part of the way");
  });

  step(QStringLiteral("periods"), [&] { form_.action("periods")->trigger(); }, [&] {
    DemoChildForm* periods = form_.openWindow("periods");
    const int count = app()->Periods()->Count();
    say(QStringLiteral("    %1 periods").arg(count));
    return expect(count > 0 && periods->list()->topLevelItemCount() == count, "the period list holds every period");
  });

  step(QStringLiteral("config-viewer"), [&] {
    form_.action("config")->trigger();
    auto* viewer = dynamic_cast<ConfigViewer*>(form_.openWindow("config"));
    if (!viewer) return;
    focusOn(viewer);
    viewer->list()->setFocus();
    // Ctrl+R: the viewer reads everything again.
    pressKey(viewer->list(), Qt::Key_R, Qt::ControlModifier);
  }, [&] {
    auto* viewer = dynamic_cast<ConfigViewer*>(form_.openWindow("config"));
    if (!expect(viewer != nullptr, "the configuration viewer opened")) return false;
    const QString root = viewer->valueAt(QStringLiteral("配置文件夹/配置根"));
    const QString loginWindow = viewer->valueAt(QStringLiteral("组件注册/LV8Demo.LoginWindow"));
    say(QStringLiteral("    configuration root %1, login window %2").arg(root, loginWindow));
    return expect(root.endsWith(QStringLiteral("/Config/LV8ADSAPP/")), "the configuration root is the host's") &&
           expect(viewer->valueAt(QStringLiteral("系统属性/ApplicationTitle")) == QStringLiteral("示例总账"), "the system properties") &&
           expect(viewer->valueAt(QStringLiteral("用户配置")).endsWith(QStringLiteral("kj01/usercfg.xml"), Qt::CaseInsensitive),
                  "the user store is kj01's: " + viewer->valueAt(QStringLiteral("用户配置"))) &&
           expect(loginWindow.startsWith('{'), "the login window's registration") &&
           expect(viewer->lastMenu() == u"mnuConfigRefresh", "Ctrl+R ran mnuConfigRefresh");
  });

  bool boxShown = false;
  step(QStringLiteral("error"), [&] {
    whenModal([&](QWidget* w) {
      auto* box = qobject_cast<ErrBoxDialog*>(w);
      if (!expect(box != nullptr, "the error box showed")) return;
      boxShown = true;
      save(QStringLiteral("error-box"), w);
      box->cmdClose->click();
    });
    form_.action("error")->trigger();
  }, [&] { return boxShown; });

  step(QStringLiteral("help"), [&] {
    // F1 on the voucher window: its topic, through the console's help.
    focusOn(voucher);
    voucher->list()->setFocus();
    pressKey(voucher->list(), Qt::Key_F1, Qt::NoModifier);
    pause(300);
  }, [&] {
    HelpWindow* help = HelpWindow::current();
    if (!expect(help && help->isVisible(), "F1 opened the help window")) return false;
    QTreeWidgetItem* first = help->contentsTree()->topLevelItem(0);
    say(QStringLiteral("    help: %1, page %2, %3 contents entries, %4 index entries")
            .arg(help->windowTitle(), QString::fromStdString(help->currentPage()))
            .arg(help->contentsTree()->topLevelItemCount())
            .arg(help->indexList()->count()));
    const bool ok = expect(help->currentPage() == "/voucher.htm", "the voucher window's topic is shown") &&
                    expect(help->browser()->documentTitle() == QStringLiteral("凭证录入"), "the topic is the Chinese page") &&
                    expect(first && first->text(0) == QStringLiteral("示例总账概述"), "the contents tree is the demo's") &&
                    expect(help->indexList()->count() > 0, "the index has entries");
    save(QStringLiteral("help-window"), help);
    app()->Console()->ShowHelp(0);  // the contents again: the same window, not a second one
    const bool same = expect(HelpWindow::current() == help, "one help window") &&
                      expect(help->currentTab() == HelpWindow::ContentsTab, "ShowHelp(0) shows the contents");
    help->close();
    return ok && same;
  });

  step(QStringLiteral("logout"), [&] { form_.action("logout")->trigger(); }, [&] {
    return expect(app()->CurrentUserID() == u"-1", "nobody is logged in") &&
           expect(form_.area()->subWindowList().isEmpty(), "every child window closed") &&
           expect(form_.visibleCommands() == QStringList({"login", "logout", "exit", "help", "helpindex"}), "only the system menu is left");
  });

  step(QStringLiteral("login-cn01"), [&] { expect(logInAs("cn01", "", 0), "cn01 logs in with the empty password"); }, [&] {
    say(QStringLiteral("    user %1 (id %2), commands: %3")
            .arg(QString::fromStdU16String(app()->CurrentUserName()), QString::fromStdU16String(app()->CurrentUserID()),
                 form_.visibleCommands().join(' ')));
    return expect(app()->CurrentUserID() == u"102", "cn01's id is 102") &&
           expect(form_.visibleCommands() == QStringList({"login", "logout", "exit", "cash", "error", "help", "helpindex"}),
                  "cn01 sees the cash journal instead of the voucher and period windows");
  });

  step(QStringLiteral("cash-journal"), [&] { form_.action("cash")->trigger(); }, [&] {
    auto* sub = form_.area()->activeSubWindow();
    return expect(sub && sub->windowTitle() == QStringLiteral("现金日记账"), "the cash journal is open");
  });

  ++number_;
  say(QStringLiteral("step %1: close").arg(number_));
  form_.window()->close();
  expect(!app()->Console(), "Terminate let the console go");
  say(failures_ ? QStringLiteral("tour FAILED (%1 checks)").arg(failures_) : QStringLiteral("tour passed"));
  return failures_ == 0;
}

}  // namespace lv8demo
