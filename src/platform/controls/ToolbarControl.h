#pragma once
// A toolbar control for Qt hosts, answering by name so that a toolbar manager drives it
// late-bound: TabStop, UserDefinedCustomization, LargeIcons (32-pixel icons instead of 16),
// Bands (by position or name), Tools (every tool, by name; read only), Parent (the form),
// Top and Height in twips, RecalcLayout. Ordinary bands (Type 0) are groups of tool buttons on
// one row; every other band is a drop-down button at the row's end that opens as a menu.
// Events, offered through IConnectable:
//   BandOpen(Band, Cancel As Boolean)  before a drop-down band shows; Cancel keeps it shut
//   ToolClick(Tool)                    a tool was clicked (on a row or in a menu)
// A control has the drop-down band "SysCustomize" (caption "自定义") with the control's own
// tool "重置工具栏" (identifier &H80000000), which makes every tool visible again; it is enabled
// while UserDefinedCustomization is True (the user may change the bar). Without the band, a
// control whose bands are all drop-downs is a main window's menu bar.
#include <cstdint>

#include "platform/automation/Collection.h"
#include "platform/automation/IConnectable.h"
#include "platform/controls/ToolbarBand.h"

class QMenu;
class QToolButton;
class QWidget;

namespace lv8int {

class ChildForm;

class ToolbarControl : public IConnectable {
 public:
  static constexpr int32_t kBuiltInToolID = static_cast<int32_t>(0x80000000u);

  // On a child form, at its top; or without a form (a main window places widget() itself).
  explicit ToolbarControl(ChildForm& form);
  explicit ToolbarControl(bool customizeBand = true);
  ~ToolbarControl() override;

  bool TabStop() const { return tabStop_; }
  void put_TabStop(bool v);
  bool UserDefinedCustomization() const { return userCustomization_; }
  void put_UserDefinedCustomization(bool v);
  bool LargeIcons() const { return largeIcons_; }
  void put_LargeIcons(bool v);
  Ref<Collection> Bands() const { return bands_; }
  Ref<ToolbarTools> Tools() const;
  Ref<Object> Parent() const;
  int32_t Top() const;
  void put_Top(int32_t twips);
  int32_t Height();
  void put_Height(int32_t twips);
  void RecalcLayout();

  EventSource& events() override { return events_; }

  // C++ for hosts: a band (the existing one when the name is there already).
  Ref<ToolbarBand> addBand(const String& name, int32_t kind = ToolbarBand::Normal);
  Ref<ToolbarBand> band(StringView name) const;
  QWidget* widget() const;
  // The button of a tool on a row, the drop-down button of a band; null when not shown.
  QToolButton* buttonOf(StringView toolName);
  QToolButton* dropDownOf(StringView bandName);
  // The drop-down menu that is open, if any.
  QMenu* openMenu() const;
  // Opens a drop-down band as its button does (BandOpen first).
  void openBand(const Ref<ToolbarBand>& band);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  class Widget;
  friend class Widget;

  void init(bool customizeBand);
  void changed();
  void rebuild();
  int32_t bandHeight(const ToolbarBand* band);
  void click(const Ref<ToolbarTool>& tool);

  EventSource events_;
  Ref<Collection> bands_ = make<Collection>();
  ChildForm* form_ = nullptr;
  Widget* widget_ = nullptr;
  bool tabStop_ = true;
  bool userCustomization_ = false;
  bool largeIcons_ = false;
  bool dirty_ = true;
  bool heightSet_ = false;
};

}  // namespace lv8int
