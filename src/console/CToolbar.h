#pragma once
// CToolbar: the same toolbar behaviour for every window of the host: the user's view options
// (text on buttons, large icons) offered in the toolbar's customize band and remembered per
// user, the toolbar's placement above the content, and Ctrl-key shortcuts from SCDefine.xml.
// The toolbar control and its form are driven by name and their events are handled through
// IConnectable alone, so any control offering the same members and events will do.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/IConnectable.h"

namespace lv8int {

namespace xml {
class XmlDocument;
}

class CToolbar : public Object {
 public:
  // One shortcut entry of the attached form's definitions.
  struct Shortcut {
    String ToolBand;
    String ToolName;
    String MenuName;
    int32_t key = 0;
  };

  CToolbar();
  ~CToolbar() override;

  void putref_objAB2(const Ref<Object>& objAB);
  void SetAB2(const Ref<Object>& objAB, const String& strForm);

  // Library-internal views for tests and tools.
  const std::vector<Shortcut>& shortcuts() const { return shortcuts_; }
  const Ref<Object>& attachedControl() const { return mAB2_; }
  const Ref<Object>& attachedSplitter() const { return mSplit_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  void setUp(const Ref<Object>& objAB);
  void applyToolText();
  void layOut(bool save);
  void loadShortcuts();
  xml::XmlDocument& shortcutDocument();
  bool execute(const Shortcut& entry);

  void onBandOpen(Args& args);
  void onToolClick(Args& args);
  void onKeyDown(Args& args);
  void detach();

  bool showToolText_ = false;
  bool largeIcons_ = false;
  String formKey_;
  std::unique_ptr<xml::XmlDocument> document_;
  bool mainToolbar_ = false;
  std::vector<Shortcut> shortcuts_;
  Ref<Object> mAB2_;
  Ref<Object> mForm_;
  Ref<Object> mSplit_;
  EventConnection controlEvents_;
  EventConnection formEvents_;
};

}  // namespace lv8int
