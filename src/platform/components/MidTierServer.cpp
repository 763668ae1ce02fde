#include "platform/components/MidTierServer.h"

#include <grpcpp/grpcpp.h>

#include <condition_variable>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <unordered_map>

#include "midtier.grpc.pb.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "platform/components/ClassRegistration.h"
#include "platform/components/MidTierSession.h"
#include "platform/components/RemoteCaller.h"
#include "platform/components/RemoteObject.h"
#include "platform/components/VariantCodec.h"
#include "platform/helpers/Helpers.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/registry/Registry.h"

namespace lv8int {

namespace {

constexpr char kSessionKey[] = "lv8-session";
constexpr char16_t kUserIDField[] = u"UserID";

std::string readPem(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || text.str().empty())
    raiseError(err::PathFileAccess, kDefaultErrorSource, u"The certificate file cannot be read: " + fromUtf8(path));
  return text.str();
}

std::string newToken() {
  std::random_device random;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 8; ++i) {
    const uint32_t r = random();
    for (int b = 0; b < 8; ++b) token.push_back(kHex[(r >> (4 * b)) & 0xF]);
  }
  return token;
}

// The library's objects live on one thread each and lock nothing, the registry among them. The
// serving threads run calls side by side, so each reads the registry's hives through a registry
// of its own (a thread that already has one, as a test's, keeps it).
void useThreadRegistry() {
  thread_local std::unique_ptr<Registry> own;
  if (own) return;
  IRegistry* earlier = IRegistry::exchangeCurrent(nullptr);
  if (earlier) {
    IRegistry::exchangeCurrent(earlier);
    return;
  }
  own = std::make_unique<Registry>(Registry::defaultMachineHivePath(), Registry::defaultUserHivePath());
  IRegistry::exchangeCurrent(own.get());
}

// Runs a member's work, turning whatever it throws into the reply's error: nothing a plug-in
// does ends the server.
template <class Reply, class Work>
void answer(Reply& reply, Work&& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    VariantCodec::encodeError(e, *reply.mutable_error());
  } catch (const std::exception& e) {
    VariantCodec::encodeError(AutomationError(err::AutomationFailure, kDefaultErrorSource,
                                              standardDescription(err::AutomationFailure) + u": " + fromUtf8(e.what())),
                              *reply.mutable_error());
  } catch (...) {
    VariantCodec::encodeError(AutomationError(err::AutomationFailure, kDefaultErrorSource,
                                              standardDescription(err::AutomationFailure)),
                              *reply.mutable_error());
  }
}

}  // namespace

struct MidTierServer::Impl final : midtier::MidTier::Service {
  MidTierServerOptions options;
  std::unique_ptr<grpc::Server> server;

  mutable std::mutex mutex;
  std::unordered_map<std::string, std::shared_ptr<MidTierSession>> sessions;
  std::unordered_map<String, int> failuresByLogin;  // consecutive failures per login name
  uint64_t failedLogins = 0;

  std::thread reaper;
  std::condition_variable stopReaper;
  bool stopping = false;

  explicit Impl(MidTierServerOptions o) : options(std::move(o)) {}

  // --- sessions ---

  std::shared_ptr<MidTierSession> sessionOf(const grpc::ServerContext& context) const {
    auto it = context.client_metadata().find(kSessionKey);
    if (it == context.client_metadata().end()) return {};
    std::lock_guard lock(mutex);
    auto s = sessions.find(std::string(it->second.data(), it->second.size()));
    return s == sessions.end() ? nullptr : s->second;
  }

  static grpc::Status noSession() {
    return grpc::Status(grpc::StatusCode::PERMISSION_DENIED,
                        "no session: log in first (the session may have ended after a time without calls)");
  }

  void endSession(const std::string& token) {
    std::shared_ptr<MidTierSession> ended;
    {
      std::lock_guard lock(mutex);
      auto it = sessions.find(token);
      if (it == sessions.end()) return;
      ended = std::move(it->second);
      sessions.erase(it);
    }
    ended->releaseAll();
  }

  void reapIdle() {
    std::vector<std::shared_ptr<MidTierSession>> idle;
    {
      std::lock_guard lock(mutex);
      const auto now = MidTierSession::Clock::now();
      const auto objectsLimit = now - options.idleTimeout;
      const auto sessionLimit = now - std::max(options.sessionTimeout, options.idleTimeout);
      for (auto it = sessions.begin(); it != sessions.end();) {
        if (it->second->idleSince(sessionLimit)) {
          idle.push_back(std::move(it->second));
          it = sessions.erase(it);
        } else {
          if (it->second->idleSince(objectsLimit)) idle.push_back(it->second);
          ++it;
        }
      }
    }
    // Objects are let go of outside the lock: their destructors may take their time.
    for (auto& s : idle) s->releaseAll();
  }

  void runReaper() {
    const auto period = std::clamp<std::chrono::milliseconds>(options.idleTimeout / 4, std::chrono::milliseconds(20),
                                                              std::chrono::milliseconds(1000));
    std::unique_lock lock(mutex);
    while (!stopping) {
      stopReaper.wait_for(lock, period);
      if (stopping) break;
      lock.unlock();
      reapIdle();
      lock.lock();
    }
  }

  VariantCodec codecFor(const std::shared_ptr<MidTierSession>& session) {
    return VariantCodec(
        [session](const Ref<Object>& obj) -> uint64_t {
          if (!session)
            raiseError(err::UnsupportedAutomationType, kDefaultErrorSource,
                       standardDescription(err::UnsupportedAutomationType) + u": objects are not served before a login");
          return session->hold(obj);
        },
        [session](uint64_t id) -> Ref<Object> {
          if (!session) raiseError(err::ObjectRequired);
          return session->find(id);
        });
  }

  // --- the service ---

  grpc::Status Ping(grpc::ServerContext*, const midtier::PingRequest*, midtier::PingReply* reply) override {
    const Stats s = stats();
    reply->set_server(toUtf8(helpers::computerName()));
    reply->set_sessions(s.sessions);
    reply->set_objects(s.objects);
    reply->set_failed_logins(s.failedLogins);
    return grpc::Status::OK;
  }

  grpc::Status Login(grpc::ServerContext* context, const midtier::LoginRequest* request,
                     midtier::LoginReply* reply) override {
    useThreadRegistry();
    const String member = VariantCodec::fromBytes(request->member());
    String loginName;
    bool failed = false;
    answer(*reply, [&] {
      if (!equalsNoCase(member, RemoteObject::kLoginMember)) raiseError(err::MemberNotSupported);
      // Arguments of a login are plain values: no session holds objects for it yet.
      VariantCodec plain = codecFor(nullptr);
      Args args;
      for (const midtier::Argument& a : request->args()) args.push_back(plain.decode(a.value()));
      if (!args.empty()) loginName = foldCase(CStr(args[0]));
      Variant result;
      try {
        // The login runs for nobody: a component must not fall back on the server's own user.
        RemoteCaller::Scope caller{String()};
        Ref<Object> login = ComponentRegistry::instance().create(RemoteObject::kLoginProgID);
        result = login->invoke(member, InvokeKind::Method, args);
      } catch (const AutomationError&) {
        failed = true;
        throw;
      }
      Ref<Object> rs = recordsets::fromAnswer(result);
      const String user = CStr(recordsets::fieldValue(*rs, Variant(kUserIDField)));
      if (user.empty() || user == u"-1")
        raiseError(err::PermissionDenied, kDefaultErrorSource,
                   standardDescription(err::PermissionDenied) + u": the login answered without a user id");
      auto session = std::make_shared<MidTierSession>(user, options.maxObjectsPerSession);
      std::string token = newToken();
      {
        std::lock_guard lock(mutex);
        failuresByLogin.erase(loginName);
      }
      // A new login of the client ends its earlier session.
      if (auto old = context->client_metadata().find(kSessionKey); old != context->client_metadata().end())
        endSession(std::string(old->second.data(), old->second.size()));
      reapIdle();
      {
        std::lock_guard lock(mutex);
        if (sessions.size() >= options.maxSessions)
          raiseError(err::OutOfMemory, kDefaultErrorSource,
                     standardDescription(err::OutOfMemory) + u": the middle-tier server serves as many sessions as it may");
        sessions.emplace(token, session);
      }
      codecFor(session).encode(result, *reply->mutable_result());
      reply->set_session(token);
    });
    if (failed) {
      int failures;
      {
        std::lock_guard lock(mutex);
        ++failedLogins;
        // The table of names is bounded: a flood of made-up names cannot fill the memory.
        if (failuresByLogin.size() > 10000) failuresByLogin.clear();
        failures = ++failuresByLogin[loginName];
      }
      const int factor = 1 << std::min(failures - 1, 3);
      std::unique_lock lock(mutex);
      // Answered slowly, but at once when the server stops.
      stopReaper.wait_for(lock, options.loginDelay * factor, [&] { return stopping; });
    }
    return grpc::Status::OK;
  }

  grpc::Status Logout(grpc::ServerContext* context, const midtier::LogoutRequest*, midtier::LogoutReply*) override {
    if (auto it = context->client_metadata().find(kSessionKey); it != context->client_metadata().end())
      endSession(std::string(it->second.data(), it->second.size()));
    return grpc::Status::OK;
  }

  // Runs `work` as a call of the request's session.
  template <class Work>
  grpc::Status inSession(grpc::ServerContext* context, Work&& work) {
    std::shared_ptr<MidTierSession> session = sessionOf(*context);
    if (!session) return noSession();
    useThreadRegistry();
    session->begin();
    {
      std::lock_guard calls(session->callMutex());
      RemoteCaller::Scope caller(session->userID());
      work(session);
    }
    session->end();
    return grpc::Status::OK;
  }

  grpc::Status Create(grpc::ServerContext* context, const midtier::CreateRequest* request,
                      midtier::CreateReply* reply) override {
    return inSession(context, [&](const std::shared_ptr<MidTierSession>& session) {
      answer(*reply, [&] {
        const String progID = VariantCodec::fromBytes(request->prog_id());
        // Only the plug-ins registered on this computer are served, never the classes of the
        // library itself.
        if (components::inprocServer(components::clsidOfProgID(progID)).empty())
          raiseError(err::CannotCreateObject, kDefaultErrorSource,
                     standardDescription(err::CannotCreateObject) + u": the class \"" + progID +
                         u"\" is not registered on the middle-tier server " + helpers::computerName());
        Ref<Object> obj = ComponentRegistry::instance().create(progID);
        reply->set_object(session->hold(obj));
      });
    });
  }

  grpc::Status Call(grpc::ServerContext* context, const midtier::CallRequest* request,
                    midtier::CallReply* reply) override {
    return inSession(context, [&](const std::shared_ptr<MidTierSession>& session) {
      answer(*reply, [&] {
        VariantCodec codec = codecFor(session);
        Ref<Object> obj = session->find(request->object());
        // By-reference arguments point into `values`, which does not move while the call runs.
        std::vector<Variant> values;
        values.reserve(static_cast<size_t>(request->args_size()));
        for (const midtier::Argument& a : request->args()) values.push_back(codec.decode(a.value()));
        Args args;
        args.reserve(values.size());
        for (int i = 0; i < request->args_size(); ++i)
          args.push_back(request->args(i).by_ref() ? Variant::byRef(values[static_cast<size_t>(i)])
                                                   : values[static_cast<size_t>(i)]);
        const auto kind = static_cast<InvokeKind>(request->kind());
        if (kind != InvokeKind::Method && kind != InvokeKind::PropertyGet && kind != InvokeKind::PropertyPut &&
            kind != InvokeKind::PropertyPutRef)
          raiseError(err::InvalidProcedureCall);
        Variant result = request->member().empty()
                             ? obj->invokeId(request->disp_id(), kind, args)
                             : obj->invoke(VariantCodec::fromBytes(request->member()), kind, args);
        midtier::CallReply done;
        codec.encode(result, *done.mutable_result());
        for (int i = 0; i < request->args_size(); ++i) {
          if (!request->args(i).by_ref()) continue;
          midtier::WrittenBack* w = done.add_written();
          w->set_index(static_cast<uint32_t>(i));
          codec.encode(values[static_cast<size_t>(i)], *w->mutable_value());
        }
        *reply = std::move(done);
      });
    });
  }

  grpc::Status Release(grpc::ServerContext* context, const midtier::ReleaseRequest* request,
                       midtier::ReleaseReply*) override {
    return inSession(context, [&](const std::shared_ptr<MidTierSession>& session) {
      for (uint64_t id : request->objects()) {
        try {
          session->release(id);  // the destructor runs here, as the client's caller
        } catch (...) {
        }
      }
    });
  }

  Stats stats() const {
    std::lock_guard lock(mutex);
    Stats s;
    s.sessions = sessions.size();
    for (const auto& [token, session] : sessions) s.objects += session->objectCount();
    s.failedLogins = failedLogins;
    return s;
  }
};

MidTierServer::MidTierServer(MidTierServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

MidTierServer::~MidTierServer() { shutdown(); }

int MidTierServer::start() {
  std::shared_ptr<grpc::ServerCredentials> credentials;
  if (!impl_->options.certificateFile.empty()) {
    grpc::SslServerCredentialsOptions tls;
    const std::string chain = readPem(impl_->options.certificateFile);
    const std::string key =
        readPem(impl_->options.keyFile.empty() ? impl_->options.certificateFile : impl_->options.keyFile);
    tls.pem_key_cert_pairs.push_back({key, chain});
    credentials = grpc::SslServerCredentials(tls);
  } else {
    credentials = grpc::InsecureServerCredentials();
  }
  grpc::ServerBuilder builder;
  int port = 0;
  builder.AddListeningPort(impl_->options.listen, credentials, &port);
  builder.SetMaxReceiveMessageSize(impl_->options.maxRequestBytes);
  // A second server on a port in use fails instead of sharing the port with the first one.
  builder.AddChannelArgument(GRPC_ARG_ALLOW_REUSEPORT, 0);
  // The serving threads look up from their wait this often: a stop takes no longer.
  builder.SetSyncServerOption(grpc::ServerBuilder::SyncServerOption::CQ_TIMEOUT_MSEC, 100);
  builder.RegisterService(impl_.get());
  impl_->server = builder.BuildAndStart();
  if (!impl_->server || port == 0)
    raiseError(err::PermissionDenied, kDefaultErrorSource,
               u"The middle-tier server cannot listen on " + fromUtf8(impl_->options.listen) +
                   u" (the address is in use, not this computer's, or not allowed)");
  impl_->reaper = std::thread([this] { impl_->runReaper(); });
  return port;
}

void MidTierServer::shutdown() {
  if (!impl_->server) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->stopReaper.notify_all();
  // Calls still running after half a second are cancelled; a client that keeps its connection
  // open does not hold the stop up longer.
  impl_->server->Shutdown(std::chrono::system_clock::now() + std::chrono::milliseconds(500));
  if (impl_->reaper.joinable()) impl_->reaper.join();
  std::unordered_map<std::string, std::shared_ptr<MidTierSession>> sessions;
  {
    std::lock_guard lock(impl_->mutex);
    sessions.swap(impl_->sessions);
  }
  for (auto& [token, session] : sessions) session->releaseAll();
  impl_->server.reset();
}

MidTierServer::Stats MidTierServer::stats() const { return impl_->stats(); }

}  // namespace lv8int
