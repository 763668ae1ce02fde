#pragma once
// RemoteObject: a component made on a middle-tier server, as the client holds it. Every call
// goes to the server by name, with its arguments; what by-reference arguments get back is
// written to the caller's variables; the server's errors arrive as they were raised. Letting
// go of the last reference releases the server's object.
//
// The login component (ZRMSysBase.SysLogin) is special: its CheckLogin is the login that opens
// the thread's session on the server, and nothing else is served before it.
#include <memory>

#include "platform/automation/Object.h"
#include "platform/components/RemoteConnection.h"

namespace lv8int {

class RemoteObject : public Object {
 public:
  static constexpr char16_t kLoginProgID[] = u"ZRMSysBase.SysLogin";
  static constexpr char16_t kLoginMember[] = u"CheckLogin";

  // A new object of `progID` on `server`: 462 when the server does not answer, its error when
  // it cannot make one. This is how ComponentRegistry creates on another computer.
  static Ref<Object> create(StringView progID, StringView server);

  // An object the server holds under `id` (0: not made yet, as the login component).
  RemoteObject(std::shared_ptr<RemoteConnection> connection, uint64_t id, String progID);
  ~RemoteObject() override;

  Variant invoke(StringView name, InvokeKind kind, Args& args) override;
  Variant invokeId(DispId id, InvokeKind kind, Args& args) override;
  String typeName() const override;

  uint64_t id() const noexcept { return id_; }
  const RemoteConnection* connection() const noexcept { return connection_.get(); }

 private:
  uint64_t ensureMade();

  std::shared_ptr<RemoteConnection> connection_;
  uint64_t id_;
  String progID_;
};

}  // namespace lv8int
