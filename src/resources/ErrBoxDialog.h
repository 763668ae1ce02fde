#pragma once
// The Qt dialog behind frmErrBox: an icon, the description, "关闭" and "详细信息...", and the
// detail box below the collapsed window's edge.
#include <QDialog>

#include "platform/automation/String.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace lv8int {

class ErrBoxDialog : public QDialog {
  Q_OBJECT

 public:
  // Window heights in twips, frame included.
  static constexpr int kCollapsedHeight = 1740;
  static constexpr int kExpandedHeight = 3336;
  // The fixed dialog's caption and borders (19 + 2 x 3 pixels), which the window heights
  // include: the client area is the height less this.
  static constexpr int kNonClientHeight = 375;
  static constexpr int kClientWidth = 5955;

  ErrBoxDialog();

  // The window height in twips (client area plus kNonClientHeight).
  int heightTwips() const { return heightTwips_; }
  void setHeightTwips(int twips);

  // The standard icon of a message-box icon number (32513 critical, 32514 question, 32515
  // exclamation, 32516 information), shown in the icon box.
  void setSystemIcon(int32_t iconID);
  int32_t systemIcon() const { return systemIcon_; }

  // True when the last showing ended through the close box (the form is then unloaded).
  bool closedByCloseBox() const { return closedByCloseBox_; }
  void resetCloseBox() { closedByCloseBox_ = false; }

  QLabel* imgImage;
  QPlainTextEdit* txtDescription;
  QPushButton* cmdClose;
  QPushButton* cmdDetail;
  QPlainTextEdit* txtDetail;

  // Text of a text box as automation sees it (lines joined by CR LF), and setting it.
  static String boxText(const QPlainTextEdit* box);
  static void setBoxText(QPlainTextEdit* box, const String& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape: the cancel button

 private:
  void cmdCloseClick();
  void cmdDetailClick();

  int heightTwips_ = kCollapsedHeight;
  int32_t systemIcon_ = 32513;
  bool closedByCloseBox_ = false;
};

}  // namespace lv8int
