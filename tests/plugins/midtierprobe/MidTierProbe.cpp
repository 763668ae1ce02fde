// A component for the middle-tier server's tests: "LV8Test.Probe" answers with what it was
// given, writes by-reference arguments, raises errors, takes its time, makes recordsets and
// further objects, and tells whom the server runs it for.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/automation/Dispatch.h"
#include "platform/components/PluginApi.h"
#include "platform/components/RemoteCaller.h"
#include "platform/recordset/Recordset.h"

namespace {

using namespace lv8int;

class Probe : public Object {
 public:
  Variant Echo(const Variant& value) { return value; }
  // The two variables change places; the answer is what the first held.
  Variant Swap(Variant& a, Variant& b) {
    Variant first = a;
    a = b;
    b = first;
    return first;
  }
  void Increment(int32_t& n) { ++n; }
  String Value() { return u"probe:" + name_; }
  String Name() { return name_; }
  void putName(const String& name) { name_ = name; }
  void Fail(int32_t number, const String& source, const String& description) {
    raiseError(number, source, description);
  }
  void Crash() { throw std::runtime_error("the probe broke"); }
  void Sleep(int32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
  Ref<Recordset> Records(int32_t count) {
    Ref<Recordset> rs = make<Recordset>(std::vector<String>{u"ID", u"Name", u"When", u"Amount"});
    for (int32_t i = 1; i <= count; ++i)
      rs->addRecord({Variant(i), Variant(u"第" + toString(i) + u"条"), Variant::date(37622.0 + i),
                     i % 2 ? Variant::currency(int64_t{i} * 12345) : Variant::null()});
    return rs;
  }
  Ref<Object> Child(const String& name) {
    Ref<Probe> child = make<Probe>();
    child->name_ = name;
    return child;
  }
  // The name of a probe passed back to the server.
  String NameOf(Ref<Object> probe) { return probe ? CStr(probe->get(u"Name")) : String(u"(nothing)"); }
  String Caller() { return RemoteCaller::active() ? RemoteCaller::userID() : String(u"(not remote)"); }

  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Probe>(u"Probe")
                                           .get(u"Value", &Probe::Value, {.id = DISPID_VALUE})
                                           .method(u"Echo", &Probe::Echo)
                                           .method(u"Swap", &Probe::Swap)
                                           .method(u"Increment", &Probe::Increment)
                                           .get(u"Name", &Probe::Name)
                                           .put(u"Name", &Probe::putName)
                                           .method(u"Fail", &Probe::Fail)
                                           .method(u"Crash", &Probe::Crash)
                                           .method(u"Sleep", &Probe::Sleep)
                                           .method(u"Records", &Probe::Records)
                                           .method(u"Child", &Probe::Child)
                                           .method(u"NameOf", &Probe::NameOf)
                                           .get(u"Caller", &Probe::Caller)
                                           .build();
    return &table;
  }

 private:
  String name_;
};

}  // namespace

LV8_PLUGIN_CLASSES({u"LV8Test.Probe", u"{7C0D5E2A-91B3-4F6E-8A1D-3E5B7C9D0F21}", nullptr,
                    &lv8int::components::instance<Probe>})
