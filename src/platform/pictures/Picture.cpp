#include "platform/pictures/Picture.h"

#include <atomic>

#include <QCoreApplication>
#include <QGuiApplication>

namespace lv8int {

namespace {

// Handles count up from an odd start so that a picture handle is never 0 and is not mistaken
// for a small number (an index or an identifier).
int32_t nextHandle() {
  static std::atomic<uint32_t> counter{0x10001};
  uint32_t h = counter.fetch_add(2);
  if (h == 0 || h > 0x7FFFFFF0u) {
    counter.store(0x10001);
    h = counter.fetch_add(2);
  }
  return static_cast<int32_t>(h);
}

}  // namespace

Picture::Picture(QImage image, int16_t type) : image_(std::move(image)), type_(type), handle_(nextHandle()) {}

Picture::~Picture() = default;

Ref<Picture> Picture::make(QImage image, int16_t type) {
  if (image.isNull()) return nullptr;
  return Ref<Picture>(new Picture(std::move(image), type));
}

Ref<Picture> Picture::makeCursor(QImage image, QPoint hotSpot) {
  Ref<Picture> p = make(std::move(image), kIcon);
  if (p) {
    p->cursor_ = true;
    p->hotSpot_ = hotSpot;
  }
  return p;
}

int32_t Picture::toHimetric(int32_t pixels) {
  // MulDiv(pixels, 2540, 96): rounded half away from zero.
  int64_t n = int64_t(pixels) * 2540;
  return static_cast<int32_t>(n >= 0 ? (n + 48) / 96 : -((-n + 48) / 96));
}

int32_t Picture::Width() const { return toHimetric(image_.width()); }
int32_t Picture::Height() const { return toHimetric(image_.height()); }

QPixmap Picture::pixmap() const {
  // A pixmap needs the GUI application; a console program gets the image only.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return QPixmap();
  return QPixmap::fromImage(image_);
}

const DispatchTable* Picture::classDispatchTable() {
  using C = Picture;
  static const DispatchTable table = DispatchBuilder<C>(u"Picture")
                                         .get(u"Handle", &C::Handle, {.id = DISPID_VALUE})
                                         .get(u"hPal", &C::hPal)
                                         .get(u"Type", &C::Type)
                                         .get(u"Width", &C::Width)
                                         .get(u"Height", &C::Height)
                                         .build();
  return &table;
}

}  // namespace lv8int
