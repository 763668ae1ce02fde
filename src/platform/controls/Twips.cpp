#include "platform/controls/Twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace lv8int::twips {

int32_t perPixelY() {
  const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::primaryScreen()
                              : nullptr;
  const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  return dpi > 0 ? static_cast<int32_t>(std::lround(1440.0 / dpi)) : 15;
}

int32_t fromPixelsY(int pixels) { return pixels * perPixelY(); }

int toPixelsY(int32_t twips) {
  const int32_t per = perPixelY();
  return static_cast<int>((twips + (twips >= 0 ? per / 2 : -per / 2)) / per);
}

}  // namespace lv8int::twips
