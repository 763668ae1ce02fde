#include "platform/automation/ComponentRegistry.h"

#include "platform/automation/AutomationError.h"
#include "platform/helpers/Helpers.h"

namespace lv8int {

namespace {

// 429 keeps its number for callers; the text says which class and how to make it creatable.
[[noreturn]] void raiseNotRegistered(StringView what) {
  raiseError(err::CannotCreateObject, kDefaultErrorSource,
             standardDescription(err::CannotCreateObject) + u": " + String(what) +
                 u" is not registered on this computer; register the plug-in that provides it with "
                 u"\"lv8-regsvr <plug-in>.so\"");
}

}  // namespace

ComponentRegistry& ComponentRegistry::instance() {
  static ComponentRegistry registry;
  return registry;
}

void ComponentRegistry::registerClass(StringView progID, StringView clsid, ComponentFactory factory) {
  std::lock_guard lock(mutex_);
  if (!progID.empty()) byProgID_[foldCase(progID)] = factory;
  if (!clsid.empty()) byClsid_[foldCase(clsid)] = factory;
}

void ComponentRegistry::unregisterClass(StringView progID, StringView clsid) {
  std::lock_guard lock(mutex_);
  if (!progID.empty()) byProgID_.erase(foldCase(progID));
  if (!clsid.empty()) byClsid_.erase(foldCase(clsid));
}

bool ComponentRegistry::isRegistered(StringView progID) const {
  std::lock_guard lock(mutex_);
  return byProgID_.count(foldCase(progID)) != 0;
}

void ComponentRegistry::setResolver(Resolver resolver) {
  std::lock_guard lock(mutex_);
  resolver_ = std::move(resolver);
}

ComponentFactory ComponentRegistry::lookup(StringView progID, StringView clsid) {
  Resolver resolver;
  {
    std::lock_guard lock(mutex_);
    if (!progID.empty()) {
      auto it = byProgID_.find(foldCase(progID));
      if (it != byProgID_.end()) return it->second;
    }
    if (!clsid.empty()) {
      auto it = byClsid_.find(foldCase(clsid));
      if (it != byClsid_.end()) return it->second;
    }
    resolver = resolver_;
  }
  return resolver ? resolver(progID, clsid) : ComponentFactory();
}

Ref<Object> ComponentRegistry::create(StringView progID) {
  ComponentFactory f = lookup(progID, {});
  if (!f) raiseNotRegistered(u"the class \"" + String(progID) + u"\"");
  Ref<Object> obj = f();
  if (!obj) raiseError(err::CannotCreateObject);
  return obj;
}

Ref<Object> ComponentRegistry::createByClsid(StringView clsid) {
  ComponentFactory f = lookup({}, clsid);
  if (!f) raiseNotRegistered(u"the class identifier " + String(clsid));
  Ref<Object> obj = f();
  if (!obj) raiseError(err::CannotCreateObject);
  return obj;
}

void ComponentRegistry::setRemoteCreator(RemoteCreator creator) {
  std::lock_guard lock(mutex_);
  remoteCreator_ = std::move(creator);
}

Ref<Object> ComponentRegistry::createOnServer(StringView progID, StringView server) {
  if (server.empty() || equalsNoCase(server, helpers::computerName())) return create(progID);
  RemoteCreator creator;
  {
    std::lock_guard lock(mutex_);
    creator = remoteCreator_;
  }
  if (!creator) raiseError(err::RemoteServerUnavailable);
  Ref<Object> obj = creator(progID, server);
  if (!obj) raiseError(err::CannotCreateObject);
  return obj;
}

Ref<Object> ComponentRegistry::createInProcess(StringView progID, StringView clsid) {
  ComponentFactory f;
  {
    std::lock_guard lock(mutex_);
    if (!progID.empty()) {
      auto it = byProgID_.find(foldCase(progID));
      if (it != byProgID_.end()) f = it->second;
    }
    if (!f && !clsid.empty()) {
      auto it = byClsid_.find(foldCase(clsid));
      if (it != byClsid_.end()) f = it->second;
    }
  }
  return f ? f() : Ref<Object>();
}

ScopedComponent::ScopedComponent(StringView progID, StringView clsid, ComponentFactory factory)
    : progID_(progID), clsid_(clsid) {
  ComponentRegistry::instance().registerClass(progID, clsid, std::move(factory));
}

ScopedComponent::~ScopedComponent() { ComponentRegistry::instance().unregisterClass(progID_, clsid_); }

}  // namespace lv8int
