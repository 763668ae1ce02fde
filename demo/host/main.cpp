// lv8-demo: a sample host of the suite. It copies its configuration tree into a folder it may
// write (the library saves the user and system stores there), starts the application on it with
// a Qt MDI main form, and lets the user log in.
//   lv8-demo                  the host, for a person
//   lv8-demo --tour <folder>  the scripted tour, with a picture of each step in <folder>
#include <cstdio>
#include <cstdlib>

#include "MainForm.h"
#include "Tour.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/automation/AutomationError.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using namespace lv8int;

// The sample configuration tree: installed beside the program's share folder, or the source's.
QString configSource() {
  const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/lv8int/demo/config");
  if (QDir(installed).exists()) return QDir(installed).canonicalPath();
  return QStringLiteral(LV8_DEMO_CONFIG_SOURCE);
}

// Copies the files of `from` below `to` that are missing there or older than the shipped ones
// (a newer build's resource module, help file or resource.ini), keeping a file changed there
// since it was copied. The stores the library saves (Users/, Machines/) are not in the tree.
bool copyTree(const QString& from, const QString& to) {
  QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  bool ok = true;
  while (it.hasNext()) {
    const QString file = it.next();
    const QString target = to + file.mid(from.size());
    const QFileInfo there(target);
    if (there.exists() && there.lastModified() >= QFileInfo(file).lastModified()) continue;
    if (there.exists() && !QFile::remove(target)) {
      ok = false;
      continue;
    }
    ok = QDir().mkpath(there.path()) && QFile::copy(file, target) && ok;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  }
  return ok;
}

// The offscreen platform warns of every window operation it cannot do (raise, keyboard grab,
// size hints); on a tour those say nothing about the demo.
QtMessageHandler defaultHandler = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support"))) return;
  defaultHandler(type, context, message);
}

int usage() {
  std::fputs("usage: lv8-demo [--tour <folder>] [--data <folder>]\n"
             "  --tour  run the scripted tour, saving a picture of each step into <folder>\n"
             "  --data  the folder of the host's configuration (default: the user's data folder)\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QString tourFolder, dataFolder;
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    if ((a == "--tour" || a == "--data") && i + 1 < argc) (a == "--tour" ? tourFolder : dataFolder) = QString::fromLocal8Bit(argv[++i]);
    else return usage();
  }
  QApplication qapp(argc, argv);
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) defaultHandler = qInstallMessageHandler(quietOffscreen);
  QApplication::setApplicationName(QStringLiteral("lv8-demo"));

  // The tour works on a copy of its own, so that it always starts from the sample tree.
  QTemporaryDir scratch;
  if (dataFolder.isEmpty())
    dataFolder = tourFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : scratch.path();
  if (!tourFolder.isEmpty() && !QDir().mkpath(tourFolder)) {
    std::fprintf(stderr, "lv8-demo: cannot make %s\n", qPrintable(tourFolder));
    return 1;
  }
  if (!copyTree(configSource(), dataFolder + QStringLiteral("/Config"))) {
    std::fprintf(stderr, "lv8-demo: cannot copy the sample configuration from %s to %s\n", qPrintable(configSource()),
                 qPrintable(dataFolder));
    return 1;
  }
  // The configuration root is the "Config" folder beside the host program; the program's name
  // names the application's folder in it.
  const String hostPath = (dataFolder + QStringLiteral("/LV8ADSAPP")).toStdU16String();

  Ref<lv8demo::MainForm> form = make<lv8demo::MainForm>();
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  try {
    app->Init(Ref<Object>(form), hostPath);
    form->loadTexts();
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "lv8-demo: the application did not start: %s\n", e.what());
    return 1;
  }
  form->Show();

  int rc = 0;
  if (!tourFolder.isEmpty()) {
    QTimer::singleShot(0, [&] {
      rc = lv8demo::Tour(*form, QDir(tourFolder).absolutePath()).run() ? 0 : 1;
      QApplication::quit();
    });
    QApplication::exec();
  } else {
    QTimer::singleShot(0, [&] {
      if (!form->logIn()) form->window()->close();
    });
    rc = QApplication::exec();
  }
  app->Terminate();
  return rc;
}
