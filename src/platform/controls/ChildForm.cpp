#include "platform/controls/ChildForm.h"

#include <vector>

#include "platform/windows/IWindows.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace lv8int {

struct ChildForm::Placed {
  QPointer<QWidget> widget;
  bool fill;
  std::function<void()> formGone;
};

class ChildForm::Widget : public QWidget {
 public:
  explicit Widget(ChildForm* form) : form_(form) {
    // The form sees key presses before the focused control does, as a form that previews keys.
    qApp->installEventFilter(this);
  }
  ~Widget() override {
    if (qApp) qApp->removeEventFilter(this);
  }
  void forget() { form_ = nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::ShortcutOverride:
      case QEvent::KeyRelease:
        previewed_ = nullptr;
        break;
      case QEvent::KeyPress: {
        // A key the focused control leaves alone travels up to its parents; it was raised once.
        if (e == previewed_ || !form_ || !watched->isWidgetType()) break;
        auto* w = static_cast<QWidget*>(watched);
        if (w != this && !isAncestorOf(w)) break;
        previewed_ = e;
        auto* key = static_cast<QKeyEvent*>(e);
        Ref<ChildForm> keep(form_);
        if (form_->raiseKeyDown(key->key(), key->modifiers())) {
          key->accept();
          return true;
        }
        break;
      }
      default:
        break;
    }
    return false;
  }

  bool event(QEvent* e) override {
    if (e->type() == QEvent::WindowDeactivate && form_ && !qobject_cast<QMdiSubWindow*>(parentWidget())) {
      Ref<ChildForm> keep(form_);
      form_->raiseDeactivate();
    } else if (e->type() == QEvent::ParentChange) {
      watchSubWindow();
    }
    return QWidget::event(e);
  }

  void closeEvent(QCloseEvent* e) override {
    if (!form_) return QWidget::closeEvent(e);
    Ref<ChildForm> keep(form_);
    if (form_->raiseUnload()) e->ignore();
    else e->accept();
  }

  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (form_) form_->layoutControls();
  }

 private:
  // Inside an MDI area the sub-window's activation is the form's.
  void watchSubWindow() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub || sub == watched_) return;
    watched_ = sub;
    QObject::connect(sub, &QMdiSubWindow::windowStateChanged, this,
                     [this](Qt::WindowStates before, Qt::WindowStates now) {
                       if ((before & Qt::WindowActive) && !(now & Qt::WindowActive) && form_) {
                         Ref<ChildForm> keep(form_);
                         form_->raiseDeactivate();
                       }
                     });
  }

  ChildForm* form_;
  const QEvent* previewed_ = nullptr;
  QPointer<QMdiSubWindow> watched_;
};

ChildForm::ChildForm(const String& caption) : widget_(new Widget(this)) {
  widget_->setWindowTitle(QString::fromStdU16String(caption));
  widget_->resize(640, 400);
}

ChildForm::~ChildForm() {
  for (Placed& p : placed_)
    if (p.formGone) p.formGone();
  // After the application's end Qt cannot delete widgets any more; the process is ending.
  if (widget_ && QCoreApplication::instance()) {
    // The form may end inside one of its widget's own event handlers: let Qt delete it later.
    widget_->forget();
    widget_->hide();
    widget_->deleteLater();
  }
}

QWidget* ChildForm::widget() const { return widget_; }

String ChildForm::Caption() const { return widget_->windowTitle().toStdU16String(); }

void ChildForm::put_Caption(const String& caption) { widget_->setWindowTitle(QString::fromStdU16String(caption)); }

int32_t ChildForm::hWnd() const { return IWindows::current().handleOf(widget_); }

void ChildForm::place(const Ref<Object>& control, QWidget* w, bool fill, std::function<void()> formGone) {
  w->setParent(widget_);
  controls_->Add(Variant(control));
  placed_.push_back({w, fill, std::move(formGone)});
  w->show();
  layoutControls();
}

void ChildForm::layoutControls() {
  const int width = widget_->width();
  for (const Placed& p : placed_) {
    if (!p.widget) continue;
    const int top = p.widget->y();
    p.widget->setGeometry(0, top, width, p.fill ? std::max(0, widget_->height() - top) : p.widget->height());
  }
}

int16_t ChildForm::keyCodeOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return static_cast<int16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return static_cast<int16_t>(112 + (qtKey - Qt::Key_F1));
  switch (qtKey) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}

bool ChildForm::raiseKeyDown(int qtKey, int modifiers) {
  const int16_t code = keyCodeOf(qtKey);
  if (code == 0) return false;
  int16_t shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= 1;
  if (modifiers & Qt::ControlModifier) shift |= 2;
  if (modifiers & Qt::AltModifier) shift |= 4;
  Variant keyCode(code);
  Args args{Variant::byRef(keyCode), Variant(shift)};
  if (!raiseFromUi(events_, u"KeyDown", args)) return false;
  return CLng(keyCode) == 0;
}

bool ChildForm::raiseUnload() {
  Variant cancel(int16_t{0});
  Args args{Variant::byRef(cancel)};
  if (!raiseFromUi(events_, u"Unload", args)) return false;
  return CLng(cancel) != 0;
}

void ChildForm::raiseDeactivate() {
  Args args;
  raiseFromUi(events_, u"Deactivate", args);
}

const DispatchTable* ChildForm::classDispatchTable() {
  using C = ChildForm;
  static const DispatchTable table = DispatchBuilder<C>(u"Form")
                                         .get(u"Caption", &C::Caption, {.id = DISPID_VALUE})
                                         .put(u"Caption", &C::put_Caption)
                                         .get(u"Controls", &C::Controls)
                                         .get(u"hWnd", &C::hWnd)
                                         .build();
  return &table;
}

}  // namespace lv8int
