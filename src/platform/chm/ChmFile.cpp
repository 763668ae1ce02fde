#include "platform/chm/ChmFile.h"

#include <chm_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lv8int::chm {

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

uint32_t le32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint16_t le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Text up to the first zero (a project setting or a #STRINGS entry).
std::string zeroTerminated(std::string_view b) { return std::string(b.substr(0, b.find('\0'))); }

int collect(chmFile*, chmUnitInfo* ui, void* context) {
  auto* names = static_cast<std::vector<std::string>*>(context);
  const std::string path(ui->path, strnlen(ui->path, sizeof ui->path));
  // Normal files only: internal entries start with "/#" or "/$", folders end with "/".
  if (path.size() > 1 && path[0] == '/' && path[1] != '#' && path[1] != '$' && path.back() != '/')
    names->push_back(path);
  return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::unique_ptr<ChmFile> ChmFile::open(const std::string& path) {
  std::unique_ptr<ChmFile> file(new ChmFile());
  file->handle_ = chm_open(path.c_str());
  if (!file->handle_ || !file->load()) return nullptr;
  return file;
}

std::unique_ptr<ChmFile> ChmFile::fromBytes(std::string_view bytes) {
  const char* dir = std::getenv("TMPDIR");
  std::string name = std::string(dir && *dir ? dir : "/tmp") + "/lv8chmXXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) return nullptr;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  if (done != bytes.size()) {
    std::remove(name.c_str());
    return nullptr;
  }
  std::unique_ptr<ChmFile> file(new ChmFile());
  file->tempPath_ = name;
  file->handle_ = chm_open(name.c_str());
  if (!file->handle_ || !file->load()) return nullptr;  // the destructor removes the file
  return file;
}

ChmFile::~ChmFile() {
  if (handle_) chm_close(handle_);
  if (!tempPath_.empty()) std::remove(tempPath_.c_str());
}

bool ChmFile::load() {
  chm_enumerate(handle_, CHM_ENUMERATE_ALL, collect, &entries_);
  std::sort(entries_.begin(), entries_.end());
  for (const std::string& e : entries_) folded_.emplace(lower(e), e);
  readSystem();
  readContextMap();
  return true;
}

std::optional<std::string> ChmFile::readRaw(const std::string& name) const {
  chmUnitInfo ui{};
  if (name.size() >= CHM_MAX_PATHLEN || chm_resolve_object(handle_, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS)
    return std::nullopt;
  if (ui.length > kMaxEntrySize) return std::nullopt;
  std::string bytes(static_cast<size_t>(ui.length), '\0');
  if (ui.length == 0) return bytes;
  const LONGINT64 got = chm_retrieve_object(handle_, &ui, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                            static_cast<LONGINT64>(ui.length));
  if (got <= 0) return std::nullopt;
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

std::optional<std::string> ChmFile::read(std::string_view name) const {
  std::string path(name);
  if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
  if (std::optional<std::string> b = readRaw(path)) return b;
  auto it = folded_.find(lower(path));
  if (it == folded_.end() || it->second == path) return std::nullopt;
  return readRaw(it->second);
}

std::string ChmFile::find(std::string_view reference) const {
  std::string ref(reference);
  // An entry's own name may hold "#" ("/_#_README_#_").
  if (!ref.empty() && ref[0] == '/' && std::binary_search(entries_.begin(), entries_.end(), ref)) return ref;
  // "ms-its:file.chm::/page.htm" and "mk:@MSITStore:file.chm::/page.htm" name a page inside.
  if (size_t sep = ref.find("::"); sep != std::string::npos) ref = ref.substr(sep + 2);
  if (size_t hash = ref.find('#'); hash != std::string::npos) ref.resize(hash);
  std::replace(ref.begin(), ref.end(), '\\', '/');
  if (ref.empty()) return {};
  if (ref[0] != '/') ref.insert(ref.begin(), '/');
  if (std::binary_search(entries_.begin(), entries_.end(), ref)) return ref;
  auto it = folded_.find(lower(ref));
  if (it != folded_.end()) return it->second;
  // A reference compiled with the project's own folder in front of it: the longest tail of
  // it that names an entry.
  for (size_t pos = ref.find('/', 1); pos != std::string::npos; pos = ref.find('/', pos + 1)) {
    auto tail = folded_.find(lower(std::string_view(ref).substr(pos)));
    if (tail != folded_.end()) return tail->second;
  }
  return {};
}

void ChmFile::readSystem() {
  std::optional<std::string> sys = readRaw("/#SYSTEM");
  if (!sys || sys->size() < 4) return;
  const std::string& b = *sys;
  auto asEntry = [](std::string s) {
    if (!s.empty() && s[0] != '/') s.insert(s.begin(), '/');
    return s;
  };
  // A version, then records of code, length and data.
  for (size_t at = 4; at + 4 <= b.size();) {
    const uint16_t code = le16(b, at);
    const uint16_t length = le16(b, at + 2);
    at += 4;
    if (length > b.size() - at) break;
    const std::string value = zeroTerminated(std::string_view(b).substr(at, length));
    switch (code) {
      case 0: contentsFile_ = asEntry(value); break;
      case 1: indexFile_ = asEntry(value); break;
      case 2: defaultTopic_ = asEntry(value); break;
      case 3: title_ = value; break;
      default: break;
    }
    at += length;
  }
  if (!contentsFile_.empty()) contentsFile_ = find(contentsFile_);
  if (!indexFile_.empty()) indexFile_ = find(indexFile_);
  if (!defaultTopic_.empty()) {
    std::string page = find(defaultTopic_);
    defaultTopic_ = page.empty() ? std::string() : page;
  }
  // Files compiled without the settings: the first contents or index file there is.
  for (const std::string& e : entries_) {
    const std::string l = lower(e);
    if (contentsFile_.empty() && l.size() > 4 && l.ends_with(".hhc")) contentsFile_ = e;
    if (indexFile_.empty() && l.size() > 4 && l.ends_with(".hhk")) indexFile_ = e;
  }
}

void ChmFile::readContextMap() {
  std::optional<std::string> ivb = readRaw("/#IVB");
  std::optional<std::string> strings = readRaw("/#STRINGS");
  if (!ivb || !strings || ivb->size() < 4) return;
  const std::string& b = *ivb;
  // The byte length of the pairs that follow, then pairs of context number and offset of the
  // topic's name in #STRINGS.
  const size_t length = std::min<size_t>(le32(b, 0), b.size() - 4);
  for (size_t at = 4; at + 8 <= 4 + length; at += 8) {
    const uint32_t id = le32(b, at);
    const uint32_t offset = le32(b, at + 4);
    if (offset >= strings->size()) continue;
    const std::string page = find(zeroTerminated(std::string_view(*strings).substr(offset)));
    if (!page.empty()) contextMap_.emplace(id, page);
  }
}

}  // namespace lv8int::chm
