#include "resources/FormSupport.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace lv8int::forms {

int px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

QRect pxRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

QFont formFont() {
  static const QString family = [] {
    const QStringList families = QFontDatabase::families();
    for (const QString& name : {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun")})
      if (families.contains(name, Qt::CaseInsensitive)) return name;
    // Proportional faces first: the layouts were drawn for a proportional face.
    for (const QString& name : {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                                QStringLiteral("AR PL UMing CN"), QStringLiteral("Droid Sans Fallback")})
      if (families.contains(name, Qt::CaseInsensitive)) return name;
    for (const QString& name : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) return name;
    return QString();  // no Chinese face at all: the default face, with Qt's glyph fallback
  }();
  QFont font;
  if (!family.isEmpty()) font.setFamily(family);
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

PasteGuardEdit::PasteGuardEdit(QWidget* parent) : QPlainTextEdit(parent) {}

bool PasteGuardEdit::canInsertFromMimeData(const QMimeData*) const { return false; }

void PasteGuardEdit::insertFromMimeData(const QMimeData*) {}

void centreOver(QWidget* window, QWidget* owner) {
  QRect area;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    area = screen->availableGeometry();
  }
  const QSize size = window->frameGeometry().size();
  window->move(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
}

}  // namespace lv8int::forms
