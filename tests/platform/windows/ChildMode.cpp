// Child mode of this test program: "--lv8-child=x11-window --title=T --exit=N" shows a main
// window and a dialog it owns on the X display, through Qt's own X11 platform, as a program
// started by the library would. Closing the main window ends the program with exit code N.
// After the window is shown its caption becomes T plus " maximized" or " normal", so the
// parent can see the window style the program applied.
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "support/ChildProcess.h"

namespace {

class MainWindow : public QWidget {
 public:
  int exitCode = 0;

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->accept();
    QCoreApplication::exit(exitCode);
  }
};

bool runChildMode() {
  using namespace lv8int;
  if (test::commandLineOption("lv8-child") != "x11-window") return false;
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  int argc = 1;
  char name[] = "x11-window";
  char* argv[] = {name, nullptr};
  int rc;
  {
    QApplication app(argc, argv);
    MainWindow w;
    w.exitCode = std::atoi(test::commandLineOption("exit").value_or("0").c_str());
    w.resize(320, 240);
    w.show();
    QDialog owned(&w);
    owned.setWindowTitle(QStringLiteral("owned"));
    owned.show();
    const QString title = QString::fromStdString(test::commandLineOption("title").value_or(""));
    QTimer::singleShot(0, [&] {
      w.setWindowTitle(title + (w.isMaximized() ? QStringLiteral(" maximized") : QStringLiteral(" normal")));
    });
    rc = app.exec();
  }
  std::fflush(nullptr);
  ::_exit(rc);
}

const bool childModeChecked = runChildMode();

}  // namespace
