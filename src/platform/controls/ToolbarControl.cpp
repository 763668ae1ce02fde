#include "platform/controls/ToolbarControl.h"

#include <map>
#include <unordered_map>

#include "platform/controls/ChildForm.h"
#include "platform/controls/Twips.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

namespace lv8int {

namespace {

constexpr char16_t kCustomizeBand[] = u"SysCustomize";

QString qs(const String& s) { return QString::fromStdU16String(s); }

// A tool without a picture gets its caption's first character in a box.
QIcon letterIcon(const String& caption) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x3a, 0x6e, 0xa5));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(20);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, qs(caption).left(1));
  p.end();
  return QIcon(pm);
}

Qt::ToolButtonStyle buttonStyle(const ToolbarTool& t) {
  switch (t.Style()) {
    case 1: return Qt::ToolButtonTextOnly;
    case 3: return t.CaptionPosition() == 4 ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon;
    default: return Qt::ToolButtonIconOnly;
  }
}

}  // namespace

class ToolbarControl::Widget : public QWidget {
 public:
  explicit Widget(ToolbarControl* control) : control_(control) {}
  ~Widget() override {
    if (control_) control_->widget_ = nullptr;
  }

  ToolbarControl* control_;
  QPointer<QWidget> content;

 protected:
  // The row follows the control's width, so the drop-downs stay at its right end.
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (content) content->setGeometry(0, 0, width(), std::max(content->sizeHint().height(), height()));
  }

 public:
  std::unordered_map<String, QPointer<QToolButton>, NoCaseHash, NoCaseEqual> buttons;
  std::unordered_map<String, QPointer<QToolButton>, NoCaseHash, NoCaseEqual> dropDowns;
  std::map<const ToolbarBand*, QPointer<QWidget>> rows;  // the band's group of buttons
  QPointer<QMenu> menu;
};

ToolbarControl::ToolbarControl(ChildForm& form) : form_(&form) {
  init(true);
  form.place(Ref<Object>(this), widget_, false, [this] { form_ = nullptr; });
}

ToolbarControl::ToolbarControl(bool customizeBand) { init(customizeBand); }

void ToolbarControl::init(bool customizeBand) {
  widget_ = new Widget(this);
  widget_->setFocusPolicy(Qt::TabFocus);
  if (!customizeBand) return rebuild();
  Ref<ToolbarBand> customize = addBand(kCustomizeBand, ToolbarBand::Popup);
  customize->put_Caption(u"自定义");
  Ref<ToolbarTool> reset = customize->Tools()->Add(kBuiltInToolID, u"Customize");
  reset->put_Caption(u"重置工具栏");
  reset->put_Description(u"显示全部按钮");
  reset->put_Enabled(userCustomization_);
  rebuild();
}

ToolbarControl::~ToolbarControl() {
  // After the application's end Qt cannot delete widgets any more; the process is ending.
  if (widget_ && QCoreApplication::instance()) {
    widget_->control_ = nullptr;
    widget_->hide();
    widget_->deleteLater();  // the control may end inside one of its buttons' handlers
  }
}

QWidget* ToolbarControl::widget() const { return widget_; }

void ToolbarControl::put_TabStop(bool v) {
  tabStop_ = v;
  if (widget_) widget_->setFocusPolicy(v ? Qt::TabFocus : Qt::NoFocus);
}

void ToolbarControl::put_UserDefinedCustomization(bool v) {
  userCustomization_ = v;
  if (Ref<ToolbarBand> customize = band(kCustomizeBand))
    for (const auto& t : customize->Tools()->items())
      if (t->ID() == kBuiltInToolID) t->put_Enabled(v);
}

void ToolbarControl::put_LargeIcons(bool v) {
  if (largeIcons_ == v) return;
  largeIcons_ = v;
  changed();
}

Ref<ToolbarTools> ToolbarControl::Tools() const {
  Ref<ToolbarTools> all = make<ToolbarTools>();
  for (const Variant& b : bands_->values())
    for (const auto& t : static_cast<ToolbarBand*>(b.rawObject().get())->Tools()->items()) all->append(t);
  return all;
}

Ref<Object> ToolbarControl::Parent() const { return Ref<Object>(form_); }

int32_t ToolbarControl::Top() const { return widget_ ? twips::fromPixelsY(widget_->y()) : 0; }

void ToolbarControl::put_Top(int32_t value) {
  if (!widget_) raiseError(err::ObjectNotSet);
  widget_->move(widget_->x(), twips::toPixelsY(value));
  if (form_) form_->layoutControls();
}

int32_t ToolbarControl::Height() {
  if (dirty_) rebuild();
  return widget_ ? twips::fromPixelsY(widget_->height()) : 0;
}

void ToolbarControl::put_Height(int32_t value) {
  if (!widget_) raiseError(err::ObjectNotSet);
  if (dirty_) rebuild();
  heightSet_ = true;
  widget_->resize(widget_->width(), std::max(0, twips::toPixelsY(value)));
  if (form_) form_->layoutControls();
}

void ToolbarControl::RecalcLayout() { rebuild(); }

Ref<ToolbarBand> ToolbarControl::band(StringView name) const {
  const Variant* v = bands_->find(name);
  return v ? Ref<ToolbarBand>(static_cast<ToolbarBand*>(v->rawObject().get())) : Ref<ToolbarBand>();
}

Ref<ToolbarBand> ToolbarControl::addBand(const String& name, int32_t kind) {
  if (Ref<ToolbarBand> existing = band(name)) return existing;
  Ref<ToolbarBand> b = make<ToolbarBand>(
      name, kind, [this] { changed(); }, [this](const ToolbarBand* self) { return bandHeight(self); });
  // The customize band stays last, so the first band is the host's own first row.
  if (bands_->hasKey(kCustomizeBand)) bands_->Add(Variant(Ref<Object>(b)), Variant(name), Variant(String(kCustomizeBand)));
  else bands_->Add(Variant(Ref<Object>(b)), Variant(name));
  changed();
  return b;
}

void ToolbarControl::changed() {
  if (dirty_) return;
  dirty_ = true;
  // Changes come in runs (a band restyled tool by tool): lay out once they are done.
  // The widget outlives the control by a turn of the event loop (it is deleted later), so the
  // layout asks the widget whether its control is still there.
  if (widget_) QTimer::singleShot(0, widget_, [widget = widget_] {
      if (ToolbarControl* control = widget->control_; control && control->dirty_) control->rebuild();
    });
}

int32_t ToolbarControl::bandHeight(const ToolbarBand* band) {
  if (dirty_) rebuild();
  if (!widget_) return 0;
  auto it = widget_->rows.find(band);
  if (it == widget_->rows.end() || !it->second) return 0;
  return twips::fromPixelsY(it->second->sizeHint().height());
}

QToolButton* ToolbarControl::buttonOf(StringView toolName) {
  if (dirty_) rebuild();
  if (!widget_) return nullptr;
  auto it = widget_->buttons.find(String(toolName));
  return it == widget_->buttons.end() ? nullptr : it->second.data();
}

QToolButton* ToolbarControl::dropDownOf(StringView bandName) {
  if (dirty_) rebuild();
  if (!widget_) return nullptr;
  auto it = widget_->dropDowns.find(String(bandName));
  return it == widget_->dropDowns.end() ? nullptr : it->second.data();
}

QMenu* ToolbarControl::openMenu() const { return widget_ ? widget_->menu.data() : nullptr; }

void ToolbarControl::rebuild() {
  dirty_ = false;
  if (!widget_) return;
  if (widget_->content) {
    // The old rows may hold the button whose click is running: hide them now, delete them later.
    widget_->content->hide();
    widget_->content->deleteLater();
  }
  widget_->buttons.clear();
  widget_->dropDowns.clear();
  widget_->rows.clear();

  // Every ordinary band is a group of buttons on one row; drop-down bands follow at its end.
  auto* content = new QWidget(widget_);
  auto* line = new QHBoxLayout(content);
  line->setContentsMargins(0, 0, 0, 0);
  line->setSpacing(0);
  const int iconSize = largeIcons_ ? 32 : 16;
  std::vector<Ref<ToolbarBand>> dropDownBands;
  for (const Variant& v : bands_->values()) {
    Ref<ToolbarBand> band(static_cast<ToolbarBand*>(v.rawObject().get()));
    if (band->Type() != ToolbarBand::Normal) {
      dropDownBands.push_back(band);
      continue;
    }
    auto* group = new QWidget(content);
    auto* tools = new QHBoxLayout(group);
    tools->setContentsMargins(2, 1, 2, 1);
    tools->setSpacing(1);
    if (band->GrabHandleStyle() == 0) {
      auto* grip = new QFrame(group);
      grip->setFrameShape(QFrame::VLine);
      grip->setFrameShadow(QFrame::Raised);
      grip->setLineWidth(2);
      tools->addWidget(grip);
    }
    for (const auto& tool : band->Tools()->items()) {
      if (!tool->Visible()) continue;
      auto* b = new QToolButton(group);
      b->setAutoRaise(true);
      b->setFocusPolicy(Qt::NoFocus);
      b->setText(qs(tool->Caption()));
      b->setIcon(tool->icon() ? *tool->icon() : letterIcon(tool->Caption()));
      b->setIconSize(QSize(iconSize, iconSize));
      b->setToolButtonStyle(buttonStyle(*tool));
      const QString tip = qs(tool->Description().empty() ? tool->Caption() : tool->Description());
      b->setToolTip(tip);
      b->setStatusTip(tip);
      b->setCheckable(tool->Checked());
      b->setChecked(tool->Checked());
      b->setEnabled(tool->Enabled());
      QObject::connect(b, &QToolButton::clicked, b, [this, tool] { click(tool); });
      tools->addWidget(b);
      widget_->buttons[tool->Name()] = b;
    }
    line->addWidget(group);
    widget_->rows[band.get()] = group;
  }
  line->addStretch(1);
  for (const auto& band : dropDownBands) {
    auto* b = new QToolButton(content);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setText(qs(band->Caption()) + QStringLiteral(" \u25BE"));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QObject::connect(b, &QToolButton::clicked, b, [this, band] { openBand(band); });
    line->addWidget(b);
    widget_->dropDowns[band->Name()] = b;
  }
  widget_->content = content;
  if (!heightSet_) widget_->resize(widget_->width(), content->sizeHint().height());
  content->setGeometry(0, 0, widget_->width(), std::max(content->sizeHint().height(), widget_->height()));
  content->show();
  if (form_) form_->layoutControls();
}

void ToolbarControl::click(const Ref<ToolbarTool>& tool) {
  Ref<ToolbarControl> keep(this);
  Args args{Variant(Ref<Object>(tool))};
  raiseFromUi(events_, u"ToolClick", args);
  if (tool->ID() == kBuiltInToolID && equalsNoCase(tool->Name(), u"Customize")) {
    for (const Variant& v : bands_->values()) {
      auto* band = static_cast<ToolbarBand*>(v.rawObject().get());
      if (band->Type() != ToolbarBand::Normal) continue;
      for (const auto& t : band->Tools()->items()) t->put_Visible(true);
    }
  }
}

void ToolbarControl::openBand(const Ref<ToolbarBand>& band) {
  Ref<ToolbarControl> keep(this);
  if (widget_ && widget_->menu) widget_->menu->close();
  Variant cancel(false);
  Args args{Variant(Ref<Object>(band)), Variant::byRef(cancel)};
  if (raiseFromUi(events_, u"BandOpen", args) && CBool(cancel)) return;
  if (!widget_) return;
  // What the handlers changed shows in this opening.
  auto* menu = new QMenu(widget_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (const auto& tool : band->Tools()->items()) {
    if (!tool->Visible()) continue;
    QAction* a = menu->addAction(qs(tool->Caption()));
    a->setCheckable(tool->Checked());
    a->setChecked(tool->Checked());
    a->setEnabled(tool->Enabled());
    a->setStatusTip(qs(tool->Description()));
    QObject::connect(a, &QAction::triggered, menu, [this, tool] { click(tool); });
  }
  widget_->menu = menu;
  QToolButton* button = dropDownOf(band->Name());
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : widget_->mapToGlobal(QPoint(0, 0));
  menu->popup(at);
}

const DispatchTable* ToolbarControl::classDispatchTable() {
  using C = ToolbarControl;
  static const DispatchTable table = DispatchBuilder<C>(u"Toolbar")
                                         .get(u"TabStop", &C::TabStop)
                                         .put(u"TabStop", &C::put_TabStop)
                                         .get(u"UserDefinedCustomization", &C::UserDefinedCustomization)
                                         .put(u"UserDefinedCustomization", &C::put_UserDefinedCustomization)
                                         .get(u"LargeIcons", &C::LargeIcons)
                                         .put(u"LargeIcons", &C::put_LargeIcons)
                                         .get(u"Bands", &C::Bands)
                                         .get(u"Tools", &C::Tools)
                                         .get(u"Parent", &C::Parent)
                                         .get(u"Top", &C::Top)
                                         .put(u"Top", &C::put_Top)
                                         .get(u"Height", &C::Height)
                                         .put(u"Height", &C::put_Height)
                                         .method(u"RecalcLayout", &C::RecalcLayout)
                                         .build();
  return &table;
}

}  // namespace lv8int
