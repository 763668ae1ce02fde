#include "platform/ui/UiLanguage.h"

#include <QCoreApplication>
#include <QThread>
#include <QTranslator>
#include <cstdlib>
#include <memory>

namespace lv8int::ui {

namespace {

struct InstalledTranslation {
  QString language;
  std::unique_ptr<QTranslator> translator;
};

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
  if (state.translator && state.language == language) return;
  if (state.translator) {
    QCoreApplication::removeTranslator(state.translator.get());
    state.translator.reset();
  }
  state.language = language;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral(":/lv8int/i18n/lv8int_") + language)) return;
  QCoreApplication::installTranslator(translator.get());
  state.translator = std::move(translator);
}

}  // namespace lv8int::ui
