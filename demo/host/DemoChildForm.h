#pragma once
// A child window of the demo host: a form with its own toolbar (attached to the application's
// toolbar manager under its key in ShortCut/SCDefine.xml) over a splitter holding a list and a
// note. It runs the menu commands its Ctrl shortcuts name and remembers the last one; F1 opens
// its topic of the application's help.
#include <vector>

#include "SampleTools.h"
#include "platform/controls/ChildForm.h"
#include "platform/host/IMenuTarget.h"

class QTreeWidget;
class QPlainTextEdit;

namespace lv8int {
class ToolbarControl;
}

namespace lv8demo {

class DemoChildForm : public lv8int::ChildForm, public lv8int::IMenuTarget {
 public:
  // `formKey` names the form's element in SCDefine.xml; `columns` head the list; `helpContext`
  // is the form's context number in the help file.
  DemoChildForm(const lv8int::String& caption, const lv8int::String& formKey, const std::vector<SampleTool>& tools,
                const QStringList& columns, int32_t helpContext);

  void ExecuteMenu(const lv8int::String& MenuName) override;

  // Gives the form's toolbar to the application's toolbar manager (SetAB2): its view options
  // and shortcuts. Called whenever the form becomes the active one.
  void attachToolbar();

  // Opens the form's help topic through the console (what F1 on the form does).
  void showHelp() const;

  const lv8int::String& formKey() const { return formKey_; }
  int32_t helpContext() const { return helpContext_; }
  const lv8int::String& lastMenu() const { return lastMenu_; }
  lv8int::Ref<lv8int::ToolbarControl> toolbar() const { return toolbar_; }
  QTreeWidget* list() const { return list_; }
  QPlainTextEdit* note() const { return note_; }

 private:
  lv8int::String formKey_;
  lv8int::String lastMenu_;
  int32_t helpContext_ = 0;
  lv8int::Ref<lv8int::ToolbarControl> toolbar_;
  QTreeWidget* list_ = nullptr;
  QPlainTextEdit* note_ = nullptr;
};

}  // namespace lv8demo
