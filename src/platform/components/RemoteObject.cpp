#include "platform/components/RemoteObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Variant.h"

namespace lv8int {

namespace {

[[maybe_unused]] const bool installed = [] {
  ComponentRegistry::instance().setRemoteCreator(RemoteObject::create);
  return true;
}();

}  // namespace

Ref<Object> RemoteObject::create(StringView progID, StringView server) {
  std::shared_ptr<RemoteConnection> connection = RemoteConnection::forServer(server);
  if (equalsNoCase(progID, kLoginProgID)) {
    // Made on the server by the login itself; asking now tells an unreachable server at once.
    connection->ping();
    return make<RemoteObject>(connection, 0, String(progID));
  }
  const uint64_t id = connection->create(progID);
  return make<RemoteObject>(connection, id, String(progID));
}

RemoteObject::RemoteObject(std::shared_ptr<RemoteConnection> connection, uint64_t id, String progID)
    : connection_(std::move(connection)), id_(id), progID_(std::move(progID)) {}

RemoteObject::~RemoteObject() {
  if (id_ != 0) connection_->release(id_);
}

uint64_t RemoteObject::ensureMade() {
  if (id_ == 0) id_ = connection_->create(progID_);
  return id_;
}

Variant RemoteObject::invoke(StringView name, InvokeKind kind, Args& args) {
  if (id_ == 0 && equalsNoCase(progID_, kLoginProgID) && equalsNoCase(name, kLoginMember))
    return connection_->login(name, args);
  return connection_->call(ensureMade(), name, DISPID_UNKNOWN, kind, args);
}

Variant RemoteObject::invokeId(DispId id, InvokeKind kind, Args& args) {
  return connection_->call(ensureMade(), {}, id, kind, args);
}

String RemoteObject::typeName() const { return progID_.empty() ? String(u"RemoteObject") : progID_; }

}  // namespace lv8int
