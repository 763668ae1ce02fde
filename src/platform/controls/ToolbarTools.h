#pragma once
// The tools of a band (or, read only, of a whole control), answering by name: Item(name or
// 1-based position; the default member), Add(id, name), Count and enumeration. Names are
// compared without regard to case; a name not there is 5, a position outside 1..Count 9.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/controls/ToolbarTool.h"

namespace lv8int {

class ToolbarTools : public Object {
 public:
  // `onChange` runs after a tool is added and after any change of a tool; without it the
  // collection is a read-only view and Add raises 445.
  explicit ToolbarTools(std::function<void()> onChange = {});

  Ref<ToolbarTool> Item(const Variant& index) const;
  // A tool whose identifier the collection already holds is returned as it is, so adding the
  // same tool twice never shows it twice.
  Ref<ToolbarTool> Add(int32_t id, const String& name);
  int32_t Count() const { return static_cast<int32_t>(tools_.size()); }
  Ref<Object> NewEnum() const;

  // C++ conveniences: the tool of that name or none; the tools in order.
  Ref<ToolbarTool> find(StringView name) const;
  const std::vector<Ref<ToolbarTool>>& items() const { return tools_; }
  // For the read-only view.
  void append(const Ref<ToolbarTool>& tool) { tools_.push_back(tool); }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  std::vector<Ref<ToolbarTool>> tools_;
  std::function<void()> onChange_;
};

}  // namespace lv8int
