// A plug-in that registers a class exactly as the library's own classes do, so that the type
// description's tests see static registration run when a shared object is loaded and undone
// when it is unloaded.
#include "platform/automation/Dispatch.h"
#include "typelib/Registration.h"

namespace {

using namespace lv8int;

class CTypelibProbe : public Object {
 public:
  static const DispatchTable* classDispatchTable() {
    static const DispatchTable table =
        DispatchBuilder<CTypelibProbe>(u"CTypelibProbe").get(u"Answer", &CTypelibProbe::Answer).build();
    return &table;
  }
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
  int32_t Answer() const { return 42; }
};

LV8_REGISTER_CLASS(CTypelibProbe, nullptr);

}  // namespace
