#include "platform/files/Files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/files/IWriteFaults.h"

namespace lv8int::files {
namespace {

std::string folderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string namePart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder's entries with their folded names, for case resolution.
struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{}, ctime{};
  std::vector<std::pair<String, std::string>> entries;  // folded name, name

  bool describes(const struct stat& st) const {
    return dev == st.st_dev && ino == st.st_ino && mtime.tv_sec == st.st_mtim.tv_sec &&
           mtime.tv_nsec == st.st_mtim.tv_nsec && ctime.tv_sec == st.st_ctim.tv_sec &&
           ctime.tv_nsec == st.st_ctim.tv_nsec;
  }
  // The number of entries equal to `wanted` (0, 1, or 2 for "two or more") and the one found.
  int match(const String& wanted, std::string& found) const {
    int matches = 0;
    for (const auto& [folded, name] : entries) {
      if (folded != wanted) continue;
      found = name;
      if (++matches == 2) break;
    }
    return matches;
  }
};

// Listings are kept per thread and answer again only for the same folder with the same
// modification and change times. Only a listing taken well after the folder last changed is
// kept: a change within the file system's timestamp granularity of an earlier one could leave
// the times as they were, a later one cannot.
constexpr time_t kSettledSeconds = 3;
constexpr size_t kKeptListings = 64;

// The entry of `folder` ("" for the current one) equal to `name` without regard to case.
// Returns the number of such entries (0, 1, or 2 for "two or more") and the one found.
int findNoCase(const std::string& folder, const std::string& name, std::string& found) {
  thread_local std::unordered_map<std::string, Listing> kept;
  const std::string path = folder.empty() ? "." : folder;
  const String wanted = foldCase(fromUtf8(name));
  struct stat st;
  const bool known = ::stat(path.c_str(), &st) == 0;
  if (known) {
    auto it = kept.find(path);
    if (it != kept.end() && it->second.describes(st)) return it->second.match(wanted, found);
  }
  timespec listedAt{};
  ::clock_gettime(CLOCK_REALTIME, &listedAt);
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return 0;
  Listing listing;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view entryName(entry->d_name);
    if (entryName == "." || entryName == "..") continue;
    listing.entries.emplace_back(foldCase(fromUtf8(entryName)), std::string(entryName));
  }
  ::closedir(dir);
  const int matches = listing.match(wanted, found);
  kept.erase(path);
  if (known && listedAt.tv_sec - st.st_mtim.tv_sec > kSettledSeconds) {
    if (kept.size() >= kKeptListings) kept.clear();
    listing.dev = st.st_dev;
    listing.ino = st.st_ino;
    listing.mtime = st.st_mtim;
    listing.ctime = st.st_ctim;
    kept.emplace(path, std::move(listing));
  }
  return matches;
}

std::string resolveUtf8(const std::string& path) {
  // Nearly every path exists as written, and then so does each of its components: one lstat
  // answers, and only a miss walks the components.
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) == 0) return path;
  std::string out;
  size_t i = 0;
  if (path[0] == '/') {
    out = "/";
    i = 1;
  }
  // A miss is mostly a file not yet created in a folder that exists: the longest folder part
  // that exists as written (each of its components then exists as written too) is kept as it
  // is, and the walk starts after it.
  for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/', slash - 1)) {
    if (::lstat(path.substr(0, slash).c_str(), &st) == 0) {
      out = path.substr(0, slash + 1);
      i = slash + 1;
      break;
    }
  }
  bool asWritten = true;  // out is path's own beginning
  while (i <= path.size()) {
    size_t end = path.find('/', i);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(i, end - i);
    if (!component.empty() && component != "." && component != "..") {
      // The whole path as written is already known to be missing.
      const bool knownMissing = asWritten && end == path.size();
      if (knownMissing || ::lstat((out + component).c_str(), &st) != 0) {
        std::string found;
        int matches = findNoCase(out, component, found);
        if (matches == 0) return out + path.substr(i);  // not there yet: the rest as written
        if (matches > 1) return path;                   // ambiguous: nothing is resolved
        if (found != component) asWritten = false;
        component = found;
      }
    }
    out += component;
    if (end < path.size()) out += '/';
    i = end + 1;
  }
  return out;
}

// Creates each missing folder of `folder`; errno of the first failure, or 0.
int makeFolders(const std::string& folder) {
  std::string prefix;
  size_t i = 0;
  while (i < folder.size()) {
    size_t end = folder.find('/', i);
    if (end == std::string::npos) end = folder.size();
    prefix = folder.substr(0, end);
    if (!prefix.empty() && !isFolder(prefix)) {
      if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && isFolder(prefix))) return errno;
    }
    i = end + 1;
  }
  return 0;
}

// The error of a failed write, with a description that names the file.
[[noreturn]] void raiseFor(int error, StringView file) {
  int32_t number = err::PathFileAccess;
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      number = err::PermissionDenied;
      break;
    case ENOSPC:
    case EDQUOT:
      number = 61;  // Disk full
      break;
    default:
      break;
  }
  raiseError(number, kDefaultErrorSource,
             standardDescription(number) + u": " + String(file) + u" could not be written (" +
                 fromUtf8(std::strerror(error)) + u").");
}

// Writes all of `bytes`; errno of a failure, or 0.
int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

// ".<name>.<pid>-<n>-<tick>.tmp": the pid tells a later save whether the writer still runs.
std::string temporaryPrefix(const std::string& target) { return "." + namePart(target) + "."; }

std::string temporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  auto tick = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  return folderPart(target) + temporaryPrefix(target) + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1)) + "-" + std::to_string(tick % 1000000) + ".tmp";
}

// Removes the temporary files that earlier saves of `target` left when they were killed
// between creating and renaming them. A file whose writer still runs (or whose pid is now
// another process's) is left alone.
void removeStaleTemporaries(const std::string& target) {
  const std::string folder = folderPart(target);
  const std::string prefix = temporaryPrefix(target);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name(entry->d_name);
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
    std::string_view rest = name.substr(prefix.size());
    size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10) continue;
    pid_t pid = 0;
    bool digits = true;
    for (char c : rest.substr(0, dash)) {
      if (c < '0' || c > '9') digits = false;
      else pid = pid * 10 + (c - '0');
    }
    if (!digits || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) != 0 && errno == ESRCH) stale.emplace_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : stale) ::unlink((folder + name).c_str());
}

// Only the process itself and the administrator can have made a link that the process may
// follow: a link owned by another user, or in a folder of another user, could send the write
// anywhere that user chooses.
bool trustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

// Refuses (70, naming `file`) a path that passes through a link someone else could have planted.
void refusePlantedLinks(const std::string& path, StringView file) {
  size_t end = 0;
  while (end < path.size()) {
    end = path.find('/', end + 1);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(0, end);
    struct stat link;
    if (component.empty() || ::lstat(component.c_str(), &link) != 0) break;  // the rest does not exist yet
    if (!S_ISLNK(link.st_mode)) continue;
    struct stat folder;
    const std::string parent = folderPart(component);
    const bool folderTrusted = ::stat(parent.empty() ? "." : parent.c_str(), &folder) == 0 && trustedOwner(folder.st_uid);
    if (!trustedOwner(link.st_uid) || !folderTrusted)
      raiseError(err::PermissionDenied, kDefaultErrorSource,
                 standardDescription(err::PermissionDenied) + u": " + String(file) + u" was not written: " +
                     fromUtf8(component) + u" is a symbolic link that belongs to another user or lies in another user's folder.");
  }
}

}  // namespace

String folderOf(StringView path) {
  size_t slash = path.rfind(u'/');
  return slash == StringView::npos ? String() : String(path.substr(0, slash + 1));
}

String fileName(StringView path) {
  size_t slash = path.rfind(u'/');
  return String(slash == StringView::npos ? path : path.substr(slash + 1));
}

String baseName(StringView path) {
  String name = fileName(path);
  size_t dot = name.rfind(u'.');
  if (dot != String::npos && dot > 0) name.resize(dot);
  return name;
}

String withTrailingSeparator(StringView path) {
  String out(path);
  if (!out.empty() && out.back() != u'/') out.push_back(u'/');
  return out;
}

String fromWindowsPath(StringView path) {
  String out(path);
  for (char16_t& c : out)
    if (c == u'\\') c = u'/';
  return out;
}

String resolve(StringView path) { return fromUtf8(resolveUtf8(toUtf8(path))); }

namespace {

// stat of the path as written, else of the path resolved (when resolving changes it).
bool statResolved(const std::string& path, struct stat& st) {
  if (::stat(path.c_str(), &st) == 0) return true;
  const std::string resolved = resolveUtf8(path);
  return resolved != path && ::stat(resolved.c_str(), &st) == 0;
}

}  // namespace

bool fileExists(StringView path) {
  struct stat st;
  return statResolved(toUtf8(path), st) && S_ISREG(st.st_mode);
}

bool folderExists(StringView path) {
  struct stat st;
  return !path.empty() && statResolved(toUtf8(path), st) && S_ISDIR(st.st_mode);
}

bool createFolderPath(StringView path) {
  if (path.empty()) return false;
  std::string folder = resolveUtf8(toUtf8(path));
  makeFolders(folder);
  return isFolder(folder);
}

std::optional<std::string> readFile(StringView path) { return readFileResolved(path).bytes; }

FileContent readFileResolved(StringView path) {
  // The path as written first; resolved only when that fails.
  std::string opened = toUtf8(path);
  int fd = ::open(opened.c_str(), O_RDONLY | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  if (fd < 0) {
    std::string resolved = resolveUtf8(opened);
    if (resolved != opened) {
      fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
      // Something that is there but cannot be opened as written says more than a miss.
      if (fd < 0 && (error == ENOENT || error == ENOTDIR)) error = errno;
    }
    opened = std::move(resolved);
  }
  FileContent content{std::nullopt, fromUtf8(opened), fd < 0 ? (error == ENOTDIR ? ENOENT : error) : 0};
  if (fd < 0) return content;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    content.error = EISDIR;
    ::close(fd);
    return content;
  }
  // Read straight into a buffer of the file's size (growing only if the file grows meanwhile):
  // no copy, and no reallocation of a large buffer per chunk.
  std::string out;
  constexpr off_t kFirstRead = off_t{64} << 20;  // a size claimed by a sparse or special file is not trusted
  out.resize(static_cast<size_t>(std::clamp<off_t>(st.st_size, 0, kFirstRead)) + 1);
  size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2);
    ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      content.error = errno;
      ::close(fd);
      return content;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(used);
  content.bytes = std::move(out);
  return content;
}

bool copyFile(StringView from, StringView to) {
  std::optional<std::string> bytes = readFile(from);
  if (!bytes) return false;
  try {
    writeFileAtomically(to, *bytes);
  } catch (const AutomationError&) {
    return false;
  }
  return true;
}

bool removeFile(StringView path) { return ::unlink(resolveUtf8(toUtf8(path)).c_str()) == 0; }

String currentDirectory() {
  std::string buffer(PATH_MAX, '\0');
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return String();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return withTrailingSeparator(fromUtf8(buffer));
}

bool setCurrentDirectory(StringView path) {
  return !path.empty() && ::chdir(resolveUtf8(toUtf8(path)).c_str()) == 0;
}

String absolutePath(StringView path) {
  if (path.empty() || path.front() == u'/') return String(path);
  String folder = currentDirectory();
  // Without a current folder there is nothing to take it from: kept as given.
  if (folder.empty()) return String(path);
  if (path.starts_with(u"./")) path.remove_prefix(2);
  return folder + String(path);
}

String libraryFolder() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname) return currentDirectory();
  std::string file = info.dli_fname;
  if (char* real = ::realpath(file.c_str(), nullptr)) {
    file = real;
    std::free(real);
  }
  return fromUtf8(folderPart(file));
}

void refuseLinksOfOthers(StringView path) { refusePlantedLinks(resolveUtf8(toUtf8(path)), path); }

void writeFileAtomically(StringView path, std::string_view bytes) {
  IWriteFaults& faults = IWriteFaults::current();
  std::string target = resolveUtf8(toUtf8(path));
  if (target.empty() || target.back() == '/') raiseError(err::PathFileAccess);

  // Replacing a link would cut it; the file it points to is what gets replaced, provided no
  // one else could have pointed it there.
  refusePlantedLinks(target, path);
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }

  const std::string folder = folderPart(target);
  if (!folder.empty() && !isFolder(folder)) {
    int error = faults.failure(WriteStep::CreateFolder, path);
    if (!error) error = makeFolders(folder);
    if (error) raiseFor(error, path);
  }

  struct stat old;
  const bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && S_ISDIR(old.st_mode)) raiseFor(EISDIR, path);
  removeStaleTemporaries(target);

  std::string temp;
  int fd = -1;
  int error = faults.failure(WriteStep::Open, path);
  for (int attempt = 0; !error && fd < 0 && attempt < 100; ++attempt) {
    temp = temporaryName(target);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) error = errno;
  }
  if (!error && fd < 0) error = EEXIST;
  if (error) raiseFor(error, path);

  auto abandon = [&](int e) {
    ::close(fd);
    ::unlink(temp.c_str());
    raiseFor(e, path);
  };

  if (hadOld) {
    // The replacement keeps the owner, group and mode of the file it replaces (a store that
    // the administrator saves stays its user's). Changing the owner is allowed to fail for
    // anyone but the administrator; the mode is set after it, as a change of owner clears
    // set-id bits.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // not permitted: the file becomes the writer's, as any new file would
    }
    ::fchmod(fd, old.st_mode & 07777);
  }
  if (int injected = faults.failure(WriteStep::Write, path)) {
    writeAll(fd, bytes.substr(0, bytes.size() / 2));
    abandon(injected);
  }
  if (int e = writeAll(fd, bytes)) abandon(e);
  error = faults.failure(WriteStep::Sync, path);
  if (!error && ::fsync(fd) != 0) error = errno;
  if (error) abandon(error);
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(temp.c_str());
    raiseFor(e, path);
  }

  error = faults.failure(WriteStep::Rename, path);
  if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    raiseFor(error, path);
  }

  // Makes the rename itself durable; a failure here leaves a complete file either way.
  int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace lv8int::files
