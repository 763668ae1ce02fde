// A sample component plug-in: one class, "LV8Sample.Greeter", with an AppID, made through the
// plug-in entry points and registered by lv8-regsvr.
#include <unistd.h>

#include "platform/automation/Dispatch.h"
#include "platform/components/PluginApi.h"

namespace {

using namespace lv8int;

int32_t instances = 0;

class Greeter : public Object {
 public:
  Greeter() { ++instances; }

  String Greet(String name) { return u"Hello, " + name; }
  // Objects made by this copy of the plug-in in this process, and the process that made them.
  int32_t Instances() { return instances; }
  int32_t ProcessID() { return static_cast<int32_t>(getpid()); }

  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Greeter>(u"Greeter")
                                           .method(u"Greet", &Greeter::Greet)
                                           .get(u"Instances", &Greeter::Instances)
                                           .get(u"ProcessID", &Greeter::ProcessID)
                                           .build();
    return &table;
  }
};

}  // namespace

LV8_PLUGIN_CLASSES({u"LV8Sample.Greeter", u"{5A7E3C1D-2B4F-4E6A-9C8D-0F1E2D3C4B5A}",
                    u"{A1B2C3D4-E5F6-4789-ABCD-EF0123456789}", &lv8int::components::instance<Greeter>})
