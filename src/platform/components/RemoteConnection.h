#pragma once
// RemoteConnection: this thread's link to one middle-tier server, and the session that its
// login opened there. The application object is per thread, and so is the login: each thread
// holds its own connection (and session) per server.
//
// A server is named as RemoteServerName names it: "host", "host:port" or "[v6 address]:port";
// without a port the middle tier's default port kDefaultPort is used. Calls fail after the call
// time-out (LV8_MIDTIER_TIMEOUT seconds in the environment, 30 by default) instead of waiting for
// a server that does not answer. With LV8_MIDTIER_CA naming a PEM file of certificates, the
// connection uses TLS and trusts servers those certificates sign; otherwise it is plain.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/Variant.h"

namespace lv8int {

class RemoteConnection : public std::enable_shared_from_this<RemoteConnection> {
 public:
  static constexpr uint16_t kDefaultPort = 47080;
  // RPC_E_TIMEOUT, as a call that outlasts its time-out fails.
  static constexpr int32_t kCallTimedOut = static_cast<int32_t>(0x8001011Fu);

  // This thread's connection to `server`, made on first use.
  static std::shared_ptr<RemoteConnection> forServer(StringView server);
  // "host:port" for a server name (the default port added when it has none); 5 for a name
  // that is no host.
  static std::string address(StringView server);
  // The time-out of every call; zero returns to the environment's or the default.
  static void setCallTimeout(std::chrono::milliseconds timeout);
  static std::chrono::milliseconds callTimeout();

  RemoteConnection(String server, std::string address);
  ~RemoteConnection();
  RemoteConnection(const RemoteConnection&) = delete;
  RemoteConnection& operator=(const RemoteConnection&) = delete;

  const String& server() const noexcept { return server_; }
  bool hasSession() const noexcept { return !session_.empty(); }

  struct Status {
    String server;
    uint64_t sessions = 0, objects = 0, failedLogins = 0;
  };
  // The server's state; 462 when it does not answer.
  Status ping();
  // The login component's check, run by the server, which opens a session for the user it
  // answers for (replacing this thread's earlier session there).
  Variant login(StringView member, Args& args);
  // A new object of the class on the server: its id there.
  uint64_t create(StringView progID);
  // A member of a server object by name (or by `id` when `name` is empty); by-reference
  // arguments get what the member wrote.
  Variant call(uint64_t object, StringView name, int32_t id, InvokeKind kind, Args& args);
  // Lets go of a server object; failures are ignored (the server releases it later anyway).
  void release(uint64_t object) noexcept;

 private:
  struct Impl;
  String server_;
  std::string session_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lv8int
