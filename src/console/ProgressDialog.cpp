#include "console/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/GZRGNTUtil.h"
#include "platform/automation/Conversions.h"
#include "platform/ui/IEventPump.h"
#include "platform/ui/MessageBoxStyle.h"
#include "resources/FormSupport.h"
#include "resources/GFrontEnd.h"

namespace lv8int {

namespace {

constexpr char16_t kCancelQuestion[] = u"您是否要取消操作？";
constexpr char16_t kCancelling[] = u"正在尝试取消，请稍候...";
constexpr char16_t kStartJobSource[] = u"frmProgress.IProgressBar_StartJob()\\";

// Bar width and slice offset of the animation, in twips.
constexpr int kSlice = 600;
constexpr int kSliceOffset = 200;

}  // namespace

// ---- picProgress ----

ProgressBox::ProgressBox(QWidget* parent)
    : QWidget(parent), background_(QApplication::palette().color(QPalette::Button)) {}

QImage& ProgressBox::surface() {
  // A new size starts from an empty surface, as the box's persistent image does. The size
  // follows the geometry at once, also while the window is hidden.
  const QSize inner(std::max(0, width() - 2 * kBorder), std::max(0, height() - 2 * kBorder));
  if (surface_.size() != inner) {
    surface_ = QImage(inner, QImage::Format_RGB32);
    surface_.fill(background_);
  }
  return surface_;
}

void ProgressBox::clear() {
  surface().fill(background_);
  update();
}

void ProgressBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const int w = width(), h = height();
  // Sunken 3-D border: shadow above and left, light below and right.
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(0, 0, w - 2, 0);
  p.drawLine(0, 0, 0, h - 2);
  p.setPen(pal.color(QPalette::Shadow));
  p.drawLine(1, 1, w - 3, 1);
  p.drawLine(1, 1, 1, h - 3);
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(0, h - 1, w - 1, h - 1);
  p.drawLine(w - 1, 0, w - 1, h - 1);
  p.setPen(pal.color(QPalette::Midlight));
  p.drawLine(1, h - 2, w - 2, h - 2);
  p.drawLine(w - 2, 1, w - 2, h - 2);
  p.drawImage(kBorder, kBorder, surface());
}

// ---- the dialog ----

QImage ProgressDialog::animationPicture() {
  constexpr int kW = 287, kH = 13;
  // Rows from top to bottom inside the rim: blue, brightening to a pale highlight just above
  // the middle, then deepening towards the bottom edge.
  static const QRgb rows[kH - 2] = {0x3f7ddb, 0x5c95e6, 0x84b3f1, 0xb0d2fa, 0xdcedff, 0xeef7ff,
                                    0xc2defc, 0x8fbcf3, 0x6097e3, 0x3c77d2, 0x2a5fbd};
  constexpr QRgb rim = 0x0b2c7c;
  QImage img(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool edge = y == 0 || y == kH - 1 || x == 0 || x == kW - 1;
      img.setPixel(x, y, 0xff000000u | (edge ? rim : rows[y - 1]));
    }
  }
  // Softened corners.
  for (const QPoint pt : {QPoint(0, 0), QPoint(kW - 1, 0), QPoint(0, kH - 1), QPoint(kW - 1, kH - 1)})
    img.setPixel(pt, 0xff000000u | 0x5a76b4);
  return img;
}

ProgressDialog::ProgressDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  using forms::pxRect;
  setObjectName(QStringLiteral("frmProgress"));
  setFont(forms::formFont());
  setModal(true);
  setWindowTitle(QStringLiteral("处理"));
  setFixedSize(forms::px(kClientWidth), forms::px(kClientHeight));

  lblMain = new QLabel(QStringLiteral("Main Text"), this);
  lblMain->setObjectName(QStringLiteral("lblMain"));
  lblMain->setGeometry(pxRect(150, 75, 870, 180));
  lblSub = new QLabel(QStringLiteral("Sub Text"), this);
  lblSub->setObjectName(QStringLiteral("lblSub"));
  lblSub->setGeometry(pxRect(264, 324, 768, 180));
  for (QLabel* l : {lblMain, lblSub}) {
    l->setTextFormat(Qt::PlainText);
    l->adjustSize();  // labels size themselves to their text
  }

  picProgress = new ProgressBox(this);
  picProgress->setObjectName(QStringLiteral("picProgress"));
  picProgress->setGeometry(pxRect(kBoxLeft, 570, 3096, 252));

  cmdCancel = new QPushButton(QStringLiteral("取消"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setGeometry(pxRect(kCancelLeft, 540, 945, 312));
  cmdCancel->setAutoDefault(false);

  image1_ = animationPicture();

  timer1_.setSingleShot(false);
  timer2_.setSingleShot(false);
  connect(&timer1_, &QTimer::timeout, this, &ProgressDialog::startTimerTick);
  connect(&timer2_, &QTimer::timeout, this, &ProgressDialog::animationTick);
  connect(cmdCancel, &QPushButton::clicked, this, &ProgressDialog::cmdCancelClick);

  // Form load.
  cancelQuestion_ = kCancelQuestion;
  style_ = 1;
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::pump() { IEventPump::current().processPendingEvents(); }

void ProgressDialog::showError(const AutomationError& e) {
  try {
    make<GFrontEnd>()->ERB(e.number(), e.source(), e.description(), Variant(int32_t{msgbox::MB_ICONCRITICAL}));
  } catch (...) {
  }
}

void ProgressDialog::setLabel(QLabel* label, const String& text) {
  label->setText(QString::fromStdU16String(text));
  label->adjustSize();
}

// ---- running a job ----

void ProgressDialog::startJob(const Ref<IProgressJob>& job, int32_t nJobID) {
  try {
    if (isVisible() || inModal_)
      raiseError(400, kDefaultErrorSource, u"Form already displayed; can't show modally");
    canceled_ = false;
    job_ = job;
    jobID_ = nJobID;
    jobReturned_ = false;
    timer1_.start(100);
    forms::centreOver(this, QApplication::activeWindow());
    inModal_ = true;
    struct ModalEnd {
      ProgressDialog& d;
      ~ModalEnd() {
        d.inModal_ = false;
        // Unloaded while it was displayed: nothing of it is on the stack any more.
        if (d.deleteWhenDone_) d.deleteLater();
      }
    } modalEnd{*this};
    exec();
  } catch (AutomationError& e) {
    e.setSource(e.source() + kStartJobSource);
    throw;
  }
}

void ProgressDialog::startTimerTick() {
  timer1_.stop();
  try {
    if (style_ == 2) {
      animStep_ = 5;
      animPicture_ = image1_;
      setPosition(5);
      timer2_.start(25);
    }
    // The job may end the display (and drop the window's reference) while it runs.
    Ref<IProgressJob> job = job_;
    struct Returned {
      bool& flag;
      ~Returned() { flag = true; }
    } returned{jobReturned_};
    if (!job) raiseError(err::ObjectNotSet);
    job->RunJob(jobID_);
  } catch (const AutomationError& e) {
    showError(e);
  } catch (const std::exception& e) {
    showError(AutomationError(err::AutomationFailure, kDefaultErrorSource, fromUtf8(e.what())));
  }
  // A cancel confirmed while the job ran that the job never read: nothing else would end the
  // display now.
  if (canceled_ && isVisible()) endOfJob();
}

void ProgressDialog::endOfJob() {
  // Both timers stop whatever the style: a hidden window has nothing to start or animate.
  timer1_.stop();
  timer2_.stop();
  if (style_ == 2) picProgress->clear();
  hide();
  pump();
  setLabel(lblMain, {});
  setLabel(lblSub, {});
  cmdCancel->setEnabled(true);
  cmdCancel->show();
  job_ = nullptr;
}

void ProgressDialog::close_() { endOfJob(); }

bool ProgressDialog::canceled() {
  if (canceled_) endOfJob();
  return canceled_;
}

// ---- cancelling ----

void ProgressDialog::cmdCancelClick() {
  try {
    const int32_t answer = GZRGNTUtil::global()->MGB(
        cancelQuestion_, Variant(int32_t{msgbox::MB_YESNO | msgbox::MB_ICONQUESTION | msgbox::MB_DEFBUTTON2}));
    if (answer != msgbox::IDYES) return;
    cmdCancel->setEnabled(false);
    cmdCancel->repaint();
    setLabel(lblMain, kCancelling);
    lblMain->repaint();
    setLabel(lblSub, {});
    lblSub->repaint();
    pump();
    canceled_ = true;
    // A job that has already come back will never read Canceled: end the display here.
    if (jobReturned_ && isVisible()) endOfJob();
  } catch (const AutomationError& e) {
    showError(e);
  } catch (const std::exception& e) {
    showError(AutomationError(err::AutomationFailure, kDefaultErrorSource, fromUtf8(e.what())));
  }
}

void ProgressDialog::closeRequest() {
  if (!canceled_) cmdCancelClick();
  else if (jobReturned_ && isVisible()) endOfJob();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  if (unloading_) {
    event->accept();
    return;
  }
  // Only the library closes the window; anyone else's close asks to cancel.
  event->ignore();
  closeRequest();
}

void ProgressDialog::reject() { closeRequest(); }

void ProgressDialog::unload() {
  unloading_ = true;
  timer1_.stop();
  timer2_.stop();
  job_ = nullptr;
  if (isVisible()) close();
  unloading_ = false;
}

// ---- texts, style, caption ----

void ProgressDialog::setMainText(const String& s) {
  if (canceled_ && isVisible()) return;
  setLabel(lblMain, s);
  lblMain->repaint();
  pump();
}

void ProgressDialog::setSubText(const String& s) {
  if (canceled_ && isVisible()) return;
  setLabel(lblSub, s);
  lblSub->repaint();
  pump();
}

void ProgressDialog::setCaption(const String& s) { setWindowTitle(QString::fromStdU16String(s)); }

void ProgressDialog::setStyle(int32_t n) {
  style_ = n;
  QRect box = picProgress->geometry();
  if (n == 2) {
    cmdCancel->hide();
    box.setWidth(forms::px(kClientWidth - 2 * kBoxLeft));
    animMax_ = 100;
    animMin_ = 0;
    animRange_ = 100;
  } else {
    cmdCancel->show();
    box.setWidth(forms::px(kCancelLeft - 2 * kBoxLeft));
  }
  picProgress->setGeometry(box);
}

// ---- the percentage bar ----

void ProgressDialog::setPercentage(double value) {
  if (style_ != 1) return;
  try {
    const float p = CSng(Variant(value));
    picProgress->setBackground(Qt::white);
    picProgress->clear();
    const int16_t n = CInt(Variant(std::floor(static_cast<double>(p) + 0.5)));
    const QString text = QString::number(n) + QLatin1Char('%');

    QImage& surface = picProgress->surface();
    const int width = surface.width(), height = surface.height();
    QPainter painter(&surface);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const double w = metrics.horizontalAdvance(text), h = metrics.height();
    const int x = static_cast<int>(roundHalfEven(width / 2.0 - w / 2.0));
    const int y = static_cast<int>(roundHalfEven(height / 2.0 - h / 2.0));
    painter.setPen(QColor::fromRgb(kForeColour));
    painter.drawText(x, y + metrics.ascent(), text);

    // Not-xor-pen: the bar shows in the foreground colour on white, and the text it covers
    // shows inverted.
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    int bar = 0;
    if (p / 100 > 0) {
      const double right = std::min(static_cast<double>(width), width * static_cast<double>(p) / 100.0);
      bar = static_cast<int>(roundHalfEven(right));
      painter.fillRect(QRect(0, 0, bar, height), QColor::fromRgb(kForeColour));
    }
    painter.end();
    percentText_ = text;
    barWidth_ = bar;
    picProgress->update();
    pump();
  } catch (const AutomationError& e) {
    raiseError(e.number(), u"vbwProgressBar");
  }
}

// ---- the animation ----

void ProgressDialog::animationTick() {
  try {
    setPosition(animPos_ + animStep_);
    pump();
  } catch (...) {
  }
}

void ProgressDialog::setPosition(int32_t v) {
  if (v < animMin_ || v > animMax_) raiseError(err::InvalidPropertyValue);
  animPos_ = v;
  if (v == lastDrawn_) return;
  pump();
  drawFrame();
  lastDrawn_ = v;
  if (v == animMax_) animStep_ = -5;
  else if (v == animMin_) animStep_ = 5;
  emit frameDrawn(v);
}

void ProgressDialog::drawFrame() {
  // Painting errors are of no consequence to the job.
  try {
    picProgress->clear();
    if (animRange_ == 0 || animPicture_.isNull()) return;
    const double innerTwips = picProgress->innerWidth() * double(forms::kTwipsPerPixel);
    const int x = static_cast<int>(roundHalfEven(double(animPos_ - animMin_) / animRange_ * innerTwips));
    const double t = forms::kTwipsPerPixel;
    const double h = picProgress->innerHeight();
    QPainter painter(&picProgress->surface());
    if (x <= kSlice) {
      painter.drawImage(QRectF(0, 0, x / t, h), animPicture_, QRectF(0, 0, x / t, animPicture_.height()));
    } else {
      painter.drawImage(QRectF((x - kSlice) / t, 0, kSlice / t, h), animPicture_,
                        QRectF(kSliceOffset / t, 0, kSlice / t, animPicture_.height()));
    }
    painter.end();
    picProgress->update();
  } catch (...) {
  }
}

void ProgressDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A modal window takes the keyboard where no window manager hands it over.
  activateWindow();
}

}  // namespace lv8int
