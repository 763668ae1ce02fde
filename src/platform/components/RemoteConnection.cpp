#include "platform/components/RemoteConnection.h"

#include <grpcpp/grpcpp.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "midtier.grpc.pb.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/components/RemoteObject.h"
#include "platform/components/VariantCodec.h"

namespace lv8int {

namespace {

constexpr char kSessionKey[] = "lv8-session";
constexpr std::chrono::milliseconds kDefaultTimeout{30000};
// Replies as large as a recordset of a few hundred thousand records.
constexpr int kMaxReplyBytes = 256 << 20;

std::atomic<int64_t> timeoutOverride{0};

// This thread's connections by address.
thread_local std::map<std::string, std::shared_ptr<RemoteConnection>> connections;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    raiseError(err::PathFileAccess, kDefaultErrorSource,
               u"The certificates of the middle tier (LV8_MIDTIER_CA) cannot be read: " + fromUtf8(path));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

StringView trimmed(StringView text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

String secondsText(std::chrono::milliseconds ms) {
  return CStr(Variant(static_cast<double>(ms.count()) / 1000.0));
}

}  // namespace

struct RemoteConnection::Impl {
  std::shared_ptr<grpc::Channel> channel;
  std::unique_ptr<midtier::MidTier::Stub> stub;
  std::unique_ptr<VariantCodec> codec;
};

std::string RemoteConnection::address(StringView server) {
  std::string name = toUtf8(trimmed(server));
  auto bad = [&]() -> std::string {
    raiseError(err::InvalidProcedureCall, kDefaultErrorSource,
               u"\"" + String(server) + u"\" is no middle-tier server name (host or host:port)");
  };
  if (name.empty()) return bad();
  for (char c : name)
    if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '\\' || c == '@' || c == ',') return bad();
  auto validPort = [](const std::string& p) {
    if (p.empty() || p.size() > 5) return false;
    for (char c : p)
      if (c < '0' || c > '9') return false;
    return std::stoi(p) > 0 && std::stoi(p) <= 65535;
  };
  if (name.front() == '[') {
    const size_t close = name.find(']');
    if (close == std::string::npos) return bad();
    if (close + 1 == name.size()) return name + ":" + std::to_string(kDefaultPort);
    if (name[close + 1] != ':' || !validPort(name.substr(close + 2))) return bad();
    return name;
  }
  const size_t colon = name.find(':');
  if (colon == std::string::npos) return name + ":" + std::to_string(kDefaultPort);
  if (name.find(':', colon + 1) != std::string::npos) return "[" + name + "]:" + std::to_string(kDefaultPort);
  if (colon == 0 || !validPort(name.substr(colon + 1))) return bad();
  return name;
}

void RemoteConnection::setCallTimeout(std::chrono::milliseconds timeout) { timeoutOverride = timeout.count(); }

std::chrono::milliseconds RemoteConnection::callTimeout() {
  if (int64_t ms = timeoutOverride.load(); ms > 0) return std::chrono::milliseconds(ms);
  if (const char* v = std::getenv("LV8_MIDTIER_TIMEOUT"); v && *v) {
    char* end = nullptr;
    const double seconds = std::strtod(v, &end);
    if (end && *end == '\0' && seconds > 0 && seconds < 86400)
      return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  }
  return kDefaultTimeout;
}

std::shared_ptr<RemoteConnection> RemoteConnection::forServer(StringView server) {
  const std::string where = address(server);
  std::shared_ptr<RemoteConnection>& slot = connections[where];
  if (!slot) slot = std::make_shared<RemoteConnection>(String(trimmed(server)), where);
  return slot;
}

RemoteConnection::RemoteConnection(String server, std::string address)
    : server_(std::move(server)), impl_(std::make_unique<Impl>()) {
  std::shared_ptr<grpc::ChannelCredentials> credentials;
  if (const char* ca = std::getenv("LV8_MIDTIER_CA"); ca && *ca) {
    grpc::SslCredentialsOptions tls;
    tls.pem_root_certs = readFile(ca);
    credentials = grpc::SslCredentials(tls);
  } else {
    credentials = grpc::InsecureChannelCredentials();
  }
  grpc::ChannelArguments arguments;
  arguments.SetMaxReceiveMessageSize(kMaxReplyBytes);
  // Each thread's connection is its own: sessions are not shared between threads.
  arguments.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
  impl_->channel = grpc::CreateCustomChannel(address, credentials, arguments);
  impl_->stub = midtier::MidTier::NewStub(impl_->channel);
  impl_->codec = std::make_unique<VariantCodec>(
      [this](const Ref<Object>& obj) -> uint64_t {
        const auto* remote = dynamic_cast<const RemoteObject*>(obj.get());
        if (!remote || remote->connection() != this || remote->id() == 0)
          raiseError(err::UnsupportedAutomationType, kDefaultErrorSource,
                     standardDescription(err::UnsupportedAutomationType) +
                         u": only recordsets and objects of the same middle-tier server can be passed to it");
        return remote->id();
      },
      [this](uint64_t id) -> Ref<Object> { return make<RemoteObject>(shared_from_this(), id, String()); });
}


namespace {

// What a failed RPC means to the caller.
[[noreturn]] void raiseStatus(const grpc::Status& status, const grpc::Channel& channel, const String& server,
                              StringView what) {
  const String detail = fromUtf8(status.error_message());
  switch (status.error_code()) {
    case grpc::StatusCode::DEADLINE_EXCEEDED:
      // A server never reached is unavailable, however long the attempt took.
      if (const_cast<grpc::Channel&>(channel).GetState(false) == GRPC_CHANNEL_READY)
        raiseError(RemoteConnection::kCallTimedOut, kDefaultErrorSource,
                   u"This operation returned because the timeout period expired: " + String(what) + u" on the server " +
                       server + u" did not answer within " + secondsText(RemoteConnection::callTimeout()) +
                       u" seconds");
      [[fallthrough]];
    case grpc::StatusCode::UNAVAILABLE:
      raiseError(err::RemoteServerUnavailable, kDefaultErrorSource,
                 standardDescription(err::RemoteServerUnavailable) + u": " + server);
    case grpc::StatusCode::PERMISSION_DENIED:
    case grpc::StatusCode::UNAUTHENTICATED:
      raiseError(err::PermissionDenied, kDefaultErrorSource,
                 standardDescription(err::PermissionDenied) + u": the middle-tier server " + server + u" answered: " +
                     detail);
    case grpc::StatusCode::RESOURCE_EXHAUSTED:
      raiseError(err::OutOfMemory, kDefaultErrorSource,
                 standardDescription(err::OutOfMemory) + u": the middle-tier server " + server + u" answered: " + detail);
    default:
      raiseError(err::AutomationFailure, kDefaultErrorSource,
                 standardDescription(err::AutomationFailure) + u": the middle-tier server " + server + u" answered: " +
                     detail);
  }
}

void prepare(grpc::ClientContext& context, const std::string& session) {
  context.set_deadline(std::chrono::system_clock::now() + RemoteConnection::callTimeout());
  if (!session.empty()) context.AddMetadata(kSessionKey, session);
}

}  // namespace

RemoteConnection::Status RemoteConnection::ping() {
  grpc::ClientContext context;
  prepare(context, {});
  midtier::PingRequest request;
  midtier::PingReply reply;
  grpc::Status status = impl_->stub->Ping(&context, request, &reply);
  if (!status.ok()) raiseStatus(status, *impl_->channel, server_, u"Ping");
  return {fromUtf8(reply.server()), reply.sessions(), reply.objects(), reply.failed_logins()};
}

Variant RemoteConnection::login(StringView member, Args& args) {
  midtier::LoginRequest request;
  request.set_member(VariantCodec::toBytes(member));
  for (const Variant& a : args) {
    midtier::Argument* arg = request.add_args();
    impl_->codec->encode(a, *arg->mutable_value());
  }
  grpc::ClientContext context;
  // The old session ends with the new login; the server is told which one it was.
  prepare(context, session_);
  // A wrong password is answered slowly on purpose: the login gets more time than a call.
  context.set_deadline(std::chrono::system_clock::now() + callTimeout() + std::chrono::seconds(10));
  midtier::LoginReply reply;
  grpc::Status status = impl_->stub->Login(&context, request, &reply);
  if (!status.ok()) raiseStatus(status, *impl_->channel, server_, member);
  if (reply.has_error()) throw VariantCodec::decodeError(reply.error());
  session_ = reply.session();
  return impl_->codec->decode(reply.result());
}

uint64_t RemoteConnection::create(StringView progID) {
  midtier::CreateRequest request;
  request.set_prog_id(VariantCodec::toBytes(progID));
  grpc::ClientContext context;
  prepare(context, session_);
  midtier::CreateReply reply;
  grpc::Status status = impl_->stub->Create(&context, request, &reply);
  if (!status.ok()) raiseStatus(status, *impl_->channel, server_, progID);
  if (reply.has_error()) throw VariantCodec::decodeError(reply.error());
  if (reply.object() == 0) raiseError(err::CannotCreateObject);
  return reply.object();
}

Variant RemoteConnection::call(uint64_t object, StringView name, int32_t id, InvokeKind kind, Args& args) {
  midtier::CallRequest request;
  request.set_object(object);
  request.set_member(VariantCodec::toBytes(name));
  request.set_disp_id(id);
  request.set_kind(static_cast<uint32_t>(kind));
  for (const Variant& a : args) {
    midtier::Argument* arg = request.add_args();
    arg->set_by_ref(a.isByRef());
    impl_->codec->encode(a, *arg->mutable_value());
  }
  grpc::ClientContext context;
  prepare(context, session_);
  midtier::CallReply reply;
  grpc::Status status = impl_->stub->Call(&context, request, &reply);
  if (!status.ok()) raiseStatus(status, *impl_->channel, server_, name.empty() ? StringView(u"the default member") : name);
  if (reply.has_error()) throw VariantCodec::decodeError(reply.error());
  // Every value is decoded before any is written back: a malformed one changes nothing.
  std::vector<std::pair<size_t, Variant>> written;
  for (const midtier::WrittenBack& w : reply.written()) {
    if (w.index() >= args.size() || !args[w.index()].isByRef()) continue;
    written.emplace_back(w.index(), impl_->codec->decode(w.value()));
  }
  Variant result = impl_->codec->decode(reply.result());
  for (auto& [index, value] : written) args[index].assign(value);
  return result;
}

RemoteConnection::~RemoteConnection() {
  // A thread that ends (or a process that exits) ends its session at once rather than leaving
  // its objects to the server's idle time-out.
  if (session_.empty()) return;
  try {
    grpc::ClientContext context;
    prepare(context, session_);
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::milliseconds(500));
    midtier::LogoutRequest request;
    midtier::LogoutReply reply;
    (void)impl_->stub->Logout(&context, request, &reply);
  } catch (...) {
  }
}

void RemoteConnection::release(uint64_t object) noexcept {
  try {
    midtier::ReleaseRequest request;
    request.add_objects(object);
    grpc::ClientContext context;
    prepare(context, session_);
    // Nobody waits for a release: a server that is gone would only hold up the caller.
    context.set_deadline(std::chrono::system_clock::now() + std::min(callTimeout(), std::chrono::milliseconds(2000)));
    midtier::ReleaseReply reply;
    (void)impl_->stub->Release(&context, request, &reply);
  } catch (...) {
  }
}

}  // namespace lv8int
