#pragma once
// What the library's three windows share: design measures in twips, the form font, text boxes
// that refuse pasting, and placing a dialog.
#include <QFont>
#include <QPlainTextEdit>
#include <QRect>

class QWidget;

namespace lv8int::forms {

// 15 twips are one pixel (96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

// Pixels of a design measure, rounded to the nearest pixel.
int px(int twips);
QRect pxRect(int left, int top, int width, int height);

// "宋体" 9 point; where that face is not installed, an installed Chinese face of the same size.
// The size is 12 pixels, 9 point at the 96 dots per inch the layouts are drawn for.
QFont formFont();

// A multi-line text box into which nothing can be pasted: the keyboard, the context menu, the
// middle mouse button and drag and drop all reach insertFromMimeData, which refuses.
class PasteGuardEdit : public QPlainTextEdit {
 public:
  explicit PasteGuardEdit(QWidget* parent = nullptr);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
};

// Centres a top-level widget over `owner` (its frame), or on the screen without one.
void centreOver(QWidget* window, QWidget* owner);

}  // namespace lv8int::forms
