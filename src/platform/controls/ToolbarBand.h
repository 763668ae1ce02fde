#pragma once
// A band of a toolbar or menu control, answering by name: Name, Caption, Type (0 a row of
// tools on the toolbar; 1 a drop-down that opens as a menu), GrabHandleStyle (0 a grab handle
// drawn at the row's start, 1 none), Tools, and Height in twips as the control lays it out.
#include <cstdint>
#include <functional>

#include "platform/automation/Dispatch.h"
#include "platform/controls/ToolbarTools.h"

namespace lv8int {

class ToolbarBand : public Object {
 public:
  enum Kind : int32_t { Normal = 0, Popup = 1 };

  // `onChange` runs after every change of the band or its tools; `heightTwips` measures it.
  ToolbarBand(String name, int32_t kind, std::function<void()> onChange, std::function<int32_t(const ToolbarBand*)> heightTwips);

  String Name() const { return name_; }
  String Caption() const { return caption_; }
  void put_Caption(const String& v);
  int32_t Type() const { return kind_; }
  int32_t GrabHandleStyle() const { return grabHandleStyle_; }
  void put_GrabHandleStyle(int32_t v);
  Ref<ToolbarTools> Tools() const { return tools_; }
  int32_t Height() const { return heightTwips_ ? heightTwips_(this) : 0; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  String name_;
  String caption_;
  int32_t kind_;
  int32_t grabHandleStyle_ = 0;
  std::function<void()> onChange_;
  std::function<int32_t(const ToolbarBand*)> heightTwips_;
  Ref<ToolbarTools> tools_;
};

}  // namespace lv8int
