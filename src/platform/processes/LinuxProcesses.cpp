#include "platform/processes/LinuxProcesses.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/automation/AutomationError.h"
#include "platform/windows/WindowStyle.h"

extern char** environ;

namespace lv8int {

namespace {

struct Child {
  uint64_t serial = 0;     // tells a child from an earlier one with the same process id
  bool ended = false;
  int32_t code = STILL_ACTIVE;
  bool released = false;   // forget the exit code as soon as it is known
  bool polled = false;     // no waiting thread: reaped by exitCode()
};

struct Children {
  std::mutex mutex;
  std::unordered_map<pid_t, Child> byPid;
  uint64_t nextSerial = 1;
};

Children& children() {
  // Never destroyed: waiting threads may still report after static destructors ran.
  static Children* c = new Children;
  return *c;
}

int32_t exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);  // as a shell reports it
  return -1;
}

// Records the end of a child (caller holds the lock).
void recordEnd(pid_t pid, uint64_t serial, int32_t code) {
  auto& table = children().byPid;
  auto it = table.find(pid);
  if (it == table.end() || it->second.serial != serial) return;
  if (it->second.released) {
    table.erase(it);
    return;
  }
  it->second.ended = true;
  it->second.code = code;
}

void waitFor(pid_t pid, uint64_t serial) {
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid, &status, 0);
  while (r < 0 && errno == EINTR);
  // Reaped by someone else (SIGCHLD ignored by the host): the child ended, its code is lost.
  const int32_t code = r == pid ? exitCodeOf(status) : -1;
  std::lock_guard lock(children().mutex);
  recordEnd(pid, serial, code);
}

bool folderMissing(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return false;
  struct stat st{};
  return ::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

}  // namespace

int32_t LinuxProcesses::errorNumber(int e) {
  switch (e) {
    case 0: return 0;
    case ENOENT: return 2;
    case ENOTDIR: case ELOOP: return 3;
    case EACCES: case EPERM: case EISDIR: return 5;
    case ENOMEM: case EAGAIN: return 8;
    case EINVAL: return 87;
    case ETXTBSY: return 32;
    case ENOEXEC: case ELIBBAD: return 193;
    case ENAMETOOLONG: case E2BIG: return 206;
    default: return 31;
  }
}

ProcessStart LinuxProcesses::start(const String& program, const std::vector<String>& arguments,
                                   int32_t windowStyle) {
  const std::string path = toUtf8(program);
  if (path.empty()) return {0, errorNumber(ENOENT)};
  if (path.find('\0') != std::string::npos) return {0, errorNumber(EINVAL)};

  std::vector<std::string> args{path};
  for (const String& a : arguments) {
    args.push_back(toUtf8(a));
    if (args.back().find('\0') != std::string::npos) return {0, errorNumber(EINVAL)};
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const std::string styleEntry =
      std::string(windowstyle::kEnvironmentVariable) + "=" + std::to_string(windowStyle);
  const std::string stylePrefix = std::string(windowstyle::kEnvironmentVariable) + "=";
  std::vector<char*> envp;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, stylePrefix.c_str(), stylePrefix.size()) != 0) envp.push_back(*e);
  envp.push_back(const_cast<char*>(styleEntry.c_str()));
  envp.push_back(nullptr);

  // The child starts with no blocked signals and with the signals a host commonly ignores
  // back at their defaults.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const bool searchPath = path.find('/') == std::string::npos;
  const int rc = searchPath ? ::posix_spawnp(&pid, path.c_str(), nullptr, &attr, argv.data(), envp.data())
                            : ::posix_spawn(&pid, path.c_str(), nullptr, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    if (rc == ENOENT && !searchPath && folderMissing(path)) return {0, 3};
    return {0, errorNumber(rc)};
  }

  uint64_t serial;
  {
    std::lock_guard lock(children().mutex);
    serial = children().nextSerial++;
    children().byPid[pid] = Child{serial};
  }
  try {
    std::thread(waitFor, pid, serial).detach();
  } catch (const std::system_error&) {
    std::lock_guard lock(children().mutex);
    children().byPid[pid].polled = true;
  }
  return {static_cast<int32_t>(pid), 0};
}

int32_t LinuxProcesses::exitCode(int32_t processId) {
  {
    std::lock_guard lock(children().mutex);
    auto& table = children().byPid;
    auto it = table.find(processId);
    if (it != table.end()) {
      Child& c = it->second;
      if (!c.ended && c.polled) {
        int status = 0;
        const pid_t r = ::waitpid(processId, &status, WNOHANG);
        if (r == processId) c.ended = true, c.code = exitCodeOf(status);
        else if (r < 0 && errno == ECHILD) c.ended = true, c.code = -1;
      }
      return c.ended ? c.code : STILL_ACTIVE;
    }
  }
  if (processId > 0 && (::kill(processId, 0) == 0 || errno == EPERM)) return STILL_ACTIVE;
  raiseError(err::InvalidProcedureCall);
}

void LinuxProcesses::release(int32_t processId) {
  std::lock_guard lock(children().mutex);
  auto& table = children().byPid;
  auto it = table.find(processId);
  if (it == table.end()) return;
  if (it->second.ended) table.erase(it);
  else it->second.released = true;
}

}  // namespace lv8int
