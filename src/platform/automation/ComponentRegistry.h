#pragma once
// ComponentRegistry: creates automation objects by ProgID or class identifier. Classes compiled
// into the process register factories here; classes of plug-ins are found through their
// registration in the registry store and loaded on first use.
#include <functional>
#include <mutex>
#include <unordered_map>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"

namespace lv8int {

using ComponentFactory = std::function<Ref<Object>()>;

class ComponentRegistry {
 public:
  // The process-wide registry (factories are code, shared by every thread).
  static ComponentRegistry& instance();

  // Registers a factory under a ProgID and a class identifier ("{...}", compared without
  // regard to case); either may be empty. A later registration of the same name replaces it.
  void registerClass(StringView progID, StringView clsid, ComponentFactory factory);
  void unregisterClass(StringView progID, StringView clsid);
  bool isRegistered(StringView progID) const;

  // A new instance of the class; 429 when it cannot be created.
  Ref<Object> create(StringView progID);
  Ref<Object> createByClsid(StringView clsid);
  // A new instance made on the computer `server`: this computer's name (without regard to
  // case) or an empty name creates locally; any other server goes to the remote creator, and
  // raises 462 when there is none.
  Ref<Object> createOnServer(StringView progID, StringView server);
  // A new instance from the factories registered in this process only (not the resolver);
  // null when there is none.
  Ref<Object> createInProcess(StringView progID, StringView clsid);

  // Looks a ProgID or class identifier up beyond the registered factories (the registry
  // store and its plug-ins); set by the component loader. Returns a factory or nothing.
  using Resolver = std::function<ComponentFactory(StringView progID, StringView clsid)>;
  void setResolver(Resolver resolver);
  // Creates a class on another computer (the middle-tier client); set by the components layer.
  using RemoteCreator = std::function<Ref<Object>(StringView progID, StringView server)>;
  void setRemoteCreator(RemoteCreator creator);

 private:
  ComponentFactory lookup(StringView progID, StringView clsid);

  mutable std::mutex mutex_;
  std::unordered_map<String, ComponentFactory> byProgID_;
  std::unordered_map<String, ComponentFactory> byClsid_;
  Resolver resolver_;
  RemoteCreator remoteCreator_;
};

// Registers a factory for the length of a scope (tests, hosts that supply components).
class ScopedComponent {
 public:
  ScopedComponent(StringView progID, StringView clsid, ComponentFactory factory);
  ~ScopedComponent();
  ScopedComponent(const ScopedComponent&) = delete;
  ScopedComponent& operator=(const ScopedComponent&) = delete;

 private:
  String progID_, clsid_;
};

}  // namespace lv8int
