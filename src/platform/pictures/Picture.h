#pragma once
// Picture: what stands in for the platform's standard picture object. Answers by name Handle,
// hPal, Type, Width and Height (HIMETRIC, 0.01 mm, at 96 pixels per inch); Qt hosts take the
// image itself. The handle is a Long that stays the same for the picture's life and is not
// reused by another picture of the process.
#include <cstdint>

#include <QImage>
#include <QPixmap>
#include <QPoint>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class Picture : public Object {
 public:
  // Values of Type.
  static constexpr int16_t kNone = 0;
  static constexpr int16_t kBitmap = 1;
  static constexpr int16_t kIcon = 3;

  // A picture of `type` over the decoded image; a null image gives no object. A cursor is an
  // icon with a hot spot.
  static Ref<Picture> make(QImage image, int16_t type);
  static Ref<Picture> makeCursor(QImage image, QPoint hotSpot);
  ~Picture() override;

  int32_t Handle() const { return handle_; }
  int32_t hPal() const { return 0; }
  int16_t Type() const { return type_; }
  int32_t Width() const;   // HIMETRIC
  int32_t Height() const;  // HIMETRIC

  const QImage& image() const { return image_; }
  // The image as a pixmap; a null pixmap when the process has no Qt GUI application.
  QPixmap pixmap() const;
  bool isCursor() const { return cursor_; }
  QPoint hotSpot() const { return hotSpot_; }

  // Pixels to HIMETRIC at 96 pixels per inch, rounded as MulDiv rounds.
  static int32_t toHimetric(int32_t pixels);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
  String typeName() const override { return u"Picture"; }

 private:
  Picture(QImage image, int16_t type);

  QImage image_;
  int16_t type_ = kNone;
  int32_t handle_ = 0;
  bool cursor_ = false;
  QPoint hotSpot_;
};

}  // namespace lv8int
