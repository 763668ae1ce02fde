#pragma once
// The Qt dialog behind frmProgress: main and sub text, the progress box (a percentage bar or
// an endless animation) and the Cancel button. The dialog holds the window's state; frmProgress
// hands it the IProgressBar calls.
#include <QDialog>
#include <algorithm>
#include <QImage>
#include <QTimer>

#include "platform/automation/AutomationError.h"
#include "platform/host/IProgressBar.h"

class QLabel;
class QPushButton;

namespace lv8int {

// picProgress: a sunken two-pixel border around a drawing surface that keeps what is drawn on it.
class ProgressBox : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBorder = 2;

  explicit ProgressBox(QWidget* parent);

  // The drawing surface (the box's inner area, in pixels) and its background colour.
  QImage& surface();
  QColor background() const { return background_; }
  void setBackground(const QColor& colour) { background_ = colour; }
  // Fills the surface with the background colour.
  void clear();
  int innerWidth() const { return std::max(0, width() - 2 * kBorder); }
  int innerHeight() const { return std::max(0, height() - 2 * kBorder); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage surface_;
  QColor background_;
};

class ProgressDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 4545;
  static constexpr int kClientHeight = 1035;
  static constexpr int kBoxLeft = 120;
  static constexpr int kCancelLeft = 3420;
  // The bar's and the percentage text's colour (the box's foreground colour).
  static constexpr QRgb kForeColour = 0x000080;

  ProgressDialog();
  ~ProgressDialog() override;

  // IProgressBar.
  void close_();
  void startJob(const Ref<IProgressJob>& job, int32_t nJobID);
  bool canceled();
  void setMainText(const String& s);
  void setSubText(const String& s);
  void setStyle(int32_t n);
  void setPercentage(double p);
  void setCancelText(const String& s) { cancelQuestion_ = s; }
  void setCaption(const String& s);

  // The library's own close (the console ends): goes through, ending a modal display.
  void unload();
  bool isInModalLoop() const { return inModal_; }
  // Unloaded during its modal display: the dialog deletes itself once StartJob is done with it.
  void deleteWhenDone() { deleteWhenDone_ = true; }

  // State, for the library and its tests.
  bool isCanceled() const { return canceled_; }
  const String& cancelQuestion() const { return cancelQuestion_; }
  int32_t style() const { return style_; }
  int32_t animationPosition() const { return animPos_; }
  int32_t animationStep() const { return animStep_; }
  bool animationRunning() const { return timer2_.isActive(); }
  // The text of the last percentage drawn ("43%").
  const QString& percentText() const { return percentText_; }
  // The bar width in pixels of the last percentage drawn (0: no bar).
  int barWidth() const { return barWidth_; }

  // The 287 x 13 pixel picture the animation slides: a glossy blue bar.
  static QImage animationPicture();

  QLabel* lblMain;
  QLabel* lblSub;
  ProgressBox* picProgress;
  QPushButton* cmdCancel;

 signals:
  // An animation frame was drawn for this position.
  void frameDrawn(int position);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape: a close request

 private:
  void cmdCancelClick();
  void closeRequest();
  void startTimerTick();
  void animationTick();
  void setPosition(int32_t v);
  void drawFrame();
  void endOfJob();
  void setLabel(QLabel* label, const String& text);
  static void pump();
  static void showError(const AutomationError& e);

  bool canceled_ = false;
  String cancelQuestion_;
  Ref<IProgressJob> job_;
  int32_t jobID_ = 0;
  int32_t style_ = 1;
  int32_t animMin_ = 0;
  int32_t animMax_ = 0;
  int32_t animPos_ = 0;
  int32_t animRange_ = 0;
  QImage animPicture_;
  int32_t animStep_ = 0;
  int32_t lastDrawn_ = 0;

  QImage image1_;     // Image1(0): the design-time animation picture
  QTimer timer1_;     // start timer
  QTimer timer2_;     // animation timer
  bool jobReturned_ = false;  // RunJob has come back (normally or with an error)
  bool inModal_ = false;
  bool unloading_ = false;
  bool deleteWhenDone_ = false;
  QString percentText_;
  int barWidth_ = 0;
};

}  // namespace lv8int
