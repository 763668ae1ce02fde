#pragma once
// A tool (button or menu item) of a toolbar or menu control, answering by name: ID, Name,
// Caption, Description (shown as tool tip and status tip), Checked, Visible, Enabled, Style
// (0 default, 1 text only, 2 icon only, 3 icon with text) and CaptionPosition (4: the text
// beside the icon, anything else: below it). A change marks the owning control for a new layout.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/automation/Dispatch.h"

class QIcon;

namespace lv8int {

class ToolbarTool : public Object {
 public:
  ToolbarTool(int32_t id, String name);
  ~ToolbarTool() override;

  int32_t ID() const { return id_; }
  String Name() const { return name_; }
  String Caption() const { return caption_; }
  void put_Caption(const String& v);
  String Description() const { return description_; }
  void put_Description(const String& v);
  bool Checked() const { return checked_; }
  void put_Checked(bool v);
  bool Visible() const { return visible_; }
  void put_Visible(bool v);
  bool Enabled() const { return enabled_; }
  void put_Enabled(bool v);
  int32_t Style() const { return style_; }
  void put_Style(int32_t v);
  int32_t CaptionPosition() const { return captionPosition_; }
  void put_CaptionPosition(int32_t v);

  // The picture drawn for the tool (none: the caption's first character in a box).
  const QIcon* icon() const { return icon_.get(); }
  void setIcon(const QIcon& icon);
  // Called after every change; set by the control that shows the tool.
  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  template <class T>
  void set(T& field, const T& value);

  int32_t id_;
  String name_;
  String caption_;
  String description_;
  bool checked_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  int32_t style_ = 0;
  int32_t captionPosition_ = 0;
  std::unique_ptr<QIcon> icon_;
  std::function<void()> onChange_;
};

}  // namespace lv8int
