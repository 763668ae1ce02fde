#include "platform/ui/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QThread>
#include <QTranslator>
#include <cstdlib>
#include <memory>

namespace lv8int::ui {

namespace {

struct InstalledTranslation {
  QString language;
  std::unique_ptr<QTranslator> translator;    // the library's texts
  std::unique_ptr<QTranslator> qtTranslator;  // Qt's own texts
};

bool isEnglish(const QString& language) { return language == QLatin1String("en") || language.startsWith(QLatin1String("en_")); }

InstalledTranslation& installed() {
  static InstalledTranslation state;
  return state;
}

}  // namespace

QString uiLanguage() {
  const char* value = std::getenv("LV8INT_LANGUAGE");
  if (value == nullptr || *value == '\0') return QStringLiteral("zh_CN");
  return QString::fromUtf8(value);
}

void applyUiLanguage() {
  QCoreApplication* app = QCoreApplication::instance();
  // Translators belong to the application's thread: other threads keep what is installed.
  if (app == nullptr || QThread::currentThread() != app->thread()) return;
  InstalledTranslation& state = installed();
  const QString language = uiLanguage();
  if (state.language == language && (state.translator || state.qtTranslator)) return;
  for (std::unique_ptr<QTranslator>* t : {&state.translator, &state.qtTranslator}) {
    if (*t) QCoreApplication::removeTranslator(t->get());
    t->reset();
  }
  state.language = language;
  auto translator = std::make_unique<QTranslator>();
  if (translator->load(QStringLiteral(":/lv8int/i18n/lv8int_") + language)) {
    QCoreApplication::installTranslator(translator.get());
    state.translator = std::move(translator);
  }
  // Qt's texts, where the system has them (a package apart from Qt itself).
  auto qt = std::make_unique<QTranslator>();
  if (!isEnglish(language) &&
      qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt.get());
    state.qtTranslator = std::move(qt);
  }
}

bool qtTextsTranslated() {
  const QString language = uiLanguage();
  if (isEnglish(language)) return true;
  const InstalledTranslation& state = installed();
  return state.qtTranslator && state.language == language;
}

}  // namespace lv8int::ui
