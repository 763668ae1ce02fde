#include "platform/controls/ToolbarBand.h"

namespace lv8int {

ToolbarBand::ToolbarBand(String name, int32_t kind, std::function<void()> onChange,
                         std::function<int32_t(const ToolbarBand*)> heightTwips)
    : name_(std::move(name)),
      caption_(name_),
      kind_(kind),
      onChange_(std::move(onChange)),
      heightTwips_(std::move(heightTwips)),
      tools_(make<ToolbarTools>(onChange_)) {}

void ToolbarBand::put_Caption(const String& v) {
  caption_ = v;
  onChange_();
}

void ToolbarBand::put_GrabHandleStyle(int32_t v) {
  grabHandleStyle_ = v;
  onChange_();
}

const DispatchTable* ToolbarBand::classDispatchTable() {
  using C = ToolbarBand;
  static const DispatchTable table = DispatchBuilder<C>(u"Band")
                                         .get(u"Name", &C::Name, {.id = DISPID_VALUE})
                                         .get(u"Caption", &C::Caption)
                                         .put(u"Caption", &C::put_Caption)
                                         .get(u"Type", &C::Type)
                                         .get(u"GrabHandleStyle", &C::GrabHandleStyle)
                                         .put(u"GrabHandleStyle", &C::put_GrabHandleStyle)
                                         .get(u"Tools", &C::Tools)
                                         .get(u"Height", &C::Height)
                                         .build();
  return &table;
}

}  // namespace lv8int
