#include "platform/controls/ToolbarTool.h"

#include <QIcon>

namespace lv8int {

ToolbarTool::ToolbarTool(int32_t id, String name) : id_(id), name_(std::move(name)) {}
ToolbarTool::~ToolbarTool() = default;

template <class T>
void ToolbarTool::set(T& field, const T& value) {
  if (field == value) return;
  field = value;
  if (onChange_) onChange_();
}

void ToolbarTool::put_Caption(const String& v) { set(caption_, v); }
void ToolbarTool::put_Description(const String& v) { set(description_, v); }
void ToolbarTool::put_Checked(bool v) { set(checked_, v); }
void ToolbarTool::put_Visible(bool v) { set(visible_, v); }
void ToolbarTool::put_Enabled(bool v) { set(enabled_, v); }
void ToolbarTool::put_Style(int32_t v) { set(style_, v); }
void ToolbarTool::put_CaptionPosition(int32_t v) { set(captionPosition_, v); }

void ToolbarTool::setIcon(const QIcon& icon) {
  icon_ = std::make_unique<QIcon>(icon);
  if (onChange_) onChange_();
}

const DispatchTable* ToolbarTool::classDispatchTable() {
  using C = ToolbarTool;
  static const DispatchTable table = DispatchBuilder<C>(u"Tool")
                                         .get(u"ID", &C::ID)
                                         .get(u"Name", &C::Name, {.id = DISPID_VALUE})
                                         .get(u"Caption", &C::Caption)
                                         .put(u"Caption", &C::put_Caption)
                                         .get(u"Description", &C::Description)
                                         .put(u"Description", &C::put_Description)
                                         .get(u"Checked", &C::Checked)
                                         .put(u"Checked", &C::put_Checked)
                                         .get(u"Visible", &C::Visible)
                                         .put(u"Visible", &C::put_Visible)
                                         .get(u"Enabled", &C::Enabled)
                                         .put(u"Enabled", &C::put_Enabled)
                                         .get(u"Style", &C::Style)
                                         .put(u"Style", &C::put_Style)
                                         .get(u"CaptionPosition", &C::CaptionPosition)
                                         .put(u"CaptionPosition", &C::put_CaptionPosition)
                                         .build();
  return &table;
}

}  // namespace lv8int
