#include "DemoChildForm.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "console/CToolbar.h"
#include "platform/automation/Conversions.h"
#include "platform/controls/SplitterControl.h"
#include "platform/controls/ToolbarControl.h"

// Qt after the library's headers: its "slots" keyword macro would reach their templates.
#include <QApplication>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace lv8demo {

using namespace lv8int;

DemoChildForm::DemoChildForm(const String& caption, const String& formKey, const std::vector<DemoTool>& tools,
                             const QStringList& columns, int32_t helpContext)
    : ChildForm(caption), formKey_(formKey), helpContext_(helpContext) {
  widget()->setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView));
  toolbar_ = make<ToolbarControl>(*this);
  for (const DemoTool& t : tools) {
    Ref<ToolbarBand> band = toolbar_->addBand(t.band);
    Ref<ToolbarTool> tool = band->Tools()->Add(band->Tools()->Count() + 1, t.name);
    tool->put_Caption(t.caption);
    tool->setIcon(QApplication::style()->standardIcon(t.icon));
  }
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
