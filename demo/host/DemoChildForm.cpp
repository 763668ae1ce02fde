#include "DemoChildForm.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "console/CToolbar.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/SplitterControl.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/pictures/Picture.h"
#include "resources/GResman.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace lv8demo {

using namespace lv8int;

namespace {

// The child windows' icon: number 100 of the resource module, or a stock one without it.
QIcon windowIcon() {
  try {
    Ref<GResman> resman = make<GResman>();
    Variant x, y;
    if (Ref<Picture> p = resman->GetIcon(u"100", 0, x, y); p && !p->image().isNull()) return QIcon(QPixmap::fromImage(p->image()));
  } catch (const AutomationError&) {
  }
  return QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView);
}

}  // namespace

DemoChildForm::DemoChildForm(const String& caption, const String& formKey, const std::vector<SampleTool>& tools,
                             const QStringList& columns, int32_t helpContext)
    : ChildForm(caption), formKey_(formKey), helpContext_(helpContext) {
  widget()->setWindowIcon(windowIcon());
  toolbar_ = make<ToolbarControl>(*this);
  addSampleTools(*toolbar_, tools);
  Ref<SplitterControl> split = make<SplitterControl>(*this);
  list_ = new QTreeWidget;
  list_->setHeaderLabels(columns);
  list_->setRootIsDecorated(false);
  note_ = new QPlainTextEdit;
  note_->setReadOnly(true);
  split->splitter()->addWidget(list_);
  split->splitter()->addWidget(note_);
  split->splitter()->setSizes({360, 160});

  // F1 anywhere on the form, before the control with the focus sees it. The sink belongs to
  // the form's own events, so it goes with the form.
  auto keys = make<EventSink>();
  keys->on(u"KeyDown", [this](Args& a) {
    constexpr int32_t kKeyF1 = 112;
    if (a.size() < 2 || CLng(a[0]) != kKeyF1 || CLng(a[1]) != 0) return;
    showHelp();
    a[0].deref() = Variant(int16_t{0});
  });
  events().connect(keys);
}

void DemoChildForm::showHelp() const { GZRGNTUtil::sharedApplication()->Console()->ShowHelp(helpContext_); }

void DemoChildForm::attachToolbar() { GZRGNTUtil::sharedApplication()->Toolbar()->SetAB2(toolbar_, formKey_); }

void DemoChildForm::ExecuteMenu(const String& MenuName) {
  lastMenu_ = MenuName;
  note_->appendPlainText(QStringLiteral("执行菜单命令 %1").arg(QString::fromStdU16String(MenuName)));
}

}  // namespace lv8demo
