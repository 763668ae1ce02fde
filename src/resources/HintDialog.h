#pragma once
// The Qt dialog behind frmHint: the hint text, "下次不再显示此提示(&N)" and "确定(&O)".
#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace lv8int {

class HintDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 5010;
  static constexpr int kClientHeight = 2925;

  HintDialog();

  QPlainTextEdit* txtMsg;
  QCheckBox* chkNextDontShow;
  QPushButton* cmdOK;

 protected:
  void showEvent(QShowEvent* event) override;
  // The close box (or any close request) is refused and presses OK instead.
  void closeEvent(QCloseEvent* event) override;
  // The box has no cancel button: Escape does nothing.
  void reject() override {}
};

}  // namespace lv8int
