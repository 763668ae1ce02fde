#include "platform/controls/ToolbarTools.h"

namespace lv8int {

ToolbarTools::ToolbarTools(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

Ref<ToolbarTool> ToolbarTools::find(StringView name) const {
  for (const auto& t : tools_)
    if (equalsNoCase(t->Name(), name)) return t;
  return Ref<ToolbarTool>();
}

Ref<ToolbarTool> ToolbarTools::Item(const Variant& index) const {
  const Variant& v = index.deref();
  if (v.isString()) {
    Ref<ToolbarTool> t = find(CStr(v));
    if (!t) raiseError(err::InvalidProcedureCall);
    return t;
  }
  const int32_t position = CLng(v);
  if (position < 1 || position > Count()) raiseError(err::SubscriptOutOfRange);
  return tools_[static_cast<size_t>(position - 1)];
}

Ref<ToolbarTool> ToolbarTools::Add(int32_t id, const String& name) {
  if (!onChange_) raiseError(err::ActionNotSupported);
  for (const auto& t : tools_)
    if (t->ID() == id) return t;
  Ref<ToolbarTool> tool = make<ToolbarTool>(id, name);
  tool->setOnChange(onChange_);
  tools_.push_back(tool);
  onChange_();
  return tool;
}

Ref<Object> ToolbarTools::NewEnum() const {
  std::vector<Variant> items;
  for (const auto& t : tools_) items.emplace_back(Ref<Object>(t));
  return make<VectorEnumerator>(std::move(items));
}

const DispatchTable* ToolbarTools::classDispatchTable() {
  using C = ToolbarTools;
  static const DispatchTable table = DispatchBuilder<C>(u"Tools")
                                         .get(u"Item", &C::Item, {.id = DISPID_VALUE})
                                         .method(u"Add", &C::Add)
                                         .get(u"Count", &C::Count)
                                         .get(u"NewEnum", &C::NewEnum, {.id = DISPID_NEWENUM, .hidden = true})
                                         .build();
  return &table;
}

}  // namespace lv8int
