#pragma once
// The language of the library's own window texts. The texts are written in English and
// translated through Qt's translation mechanism; the suite speaks Chinese unless
// LV8INT_LANGUAGE names another language ("en", "zh_CN", ...). Adding a language is adding
// translations/lv8int_<language>.ts.
#include <QString>

namespace lv8int::ui {

// The language in force: LV8INT_LANGUAGE when set and not empty, else "zh_CN".
QString uiLanguage();

// Installs the translation of the language in force into the running application (once, and
// again when the language has changed since): the library's own, and Qt's own texts (standard
// buttons, stock dialogs) from Qt's translations folder when it has them for the language.
// English needs none, and neither does a language without translations: the English texts are
// shown then. Does nothing without an application object; call it on the user-interface thread
// before building a window.
void applyUiLanguage();

// True when Qt's own texts speak the language in force: it is English, or Qt's translation of
// it is installed. Otherwise the library names the standard buttons of its boxes itself.
bool qtTextsTranslated();

}  // namespace lv8int::ui
