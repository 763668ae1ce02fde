#pragma once
// MidTierServer: serves the middle-tier components registered on this computer to clients on
// other computers. A client logs in first (the login component's CheckLogin, which this server
// runs); the login opens a session bound to the user it answered for, and every later call of
// the session runs as that user (RemoteCaller). Nothing else is served without a session. A
// wrong password is answered slowly, the more slowly the more often it was wrong, and counted.
// When a session stays idle longer than the idle time-out (a client that went away or went
// silent), its objects are released; idle longer than the session time-out, the session ends
// and the client must log in again.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace lv8int {

struct MidTierServerOptions {
  std::string listen = "127.0.0.1:47080";
  // PEM files of the server's certificate (chain) and its private key; with a certificate the
  // server speaks TLS only. An empty key file takes the key from the certificate's file.
  std::string certificateFile;
  std::string keyFile;
  std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};
  std::chrono::milliseconds sessionTimeout{std::chrono::hours(12)};  // at least idleTimeout
  // The wait before a failed login is answered; doubled for each further failure of the same
  // login name, up to 8 times.
  std::chrono::milliseconds loginDelay{1000};
  size_t maxObjectsPerSession = 1000;
  size_t maxSessions = 1000;
  int maxRequestBytes = 16 << 20;
};

class MidTierServer {
 public:
  explicit MidTierServer(MidTierServerOptions options);
  ~MidTierServer();
  MidTierServer(const MidTierServer&) = delete;
  MidTierServer& operator=(const MidTierServer&) = delete;

  // Listens and serves on threads of its own; the port it listens on (the one chosen for port
  // 0). Raises 70 when it cannot listen, 75 when a certificate file cannot be read.
  int start();
  // Stops accepting calls, waits briefly for running ones and releases every session.
  void shutdown();

  struct Stats {
    uint64_t sessions = 0, objects = 0, failedLogins = 0;
  };
  Stats stats() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace lv8int
