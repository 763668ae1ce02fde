#include "platform/chm/ChmFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/chm/CompressedSection.h"

namespace lv8int::chm {

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

uint32_t le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint64_t le64(std::string_view b, size_t at) { return le32(b, at) | static_cast<uint64_t>(le32(b, at + 4)) << 32; }

uint16_t le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Text up to the first zero (a project setting or a #STRINGS entry).
std::string zeroTerminated(std::string_view b) { return std::string(b.substr(0, b.find('\0'))); }

// A directory number: 7 bits a byte, highest first, the top bit set on all but the last.
bool encint(std::string_view b, size_t& at, size_t end, uint64_t& value) {
  value = 0;
  while (at < end) {
    const auto c = static_cast<uint8_t>(b[at++]);
    if (value > (UINT64_MAX >> 7)) return false;
    value = value << 7 | (c & 0x7F);
    if (!(c & 0x80)) return true;
  }
  return false;
}

constexpr std::string_view kContent = "::DataSpace/Storage/MSCompressed/Content";
constexpr std::string_view kControlData = "::DataSpace/Storage/MSCompressed/ControlData";
constexpr std::string_view kResetTable =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

}  // namespace

ChmFile::ChmFile() = default;
ChmFile::~ChmFile() = default;

std::unique_ptr<ChmFile> ChmFile::open(const std::string& path) {
  // Not blocking: a named pipe or a device in place of the file must not stall the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  std::unique_ptr<ChmFile> file(new ChmFile());
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= kMaxFileSize;
  if (ok) {
    file->bytes_.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < file->bytes_.size()) {
      const ssize_t n = ::read(fd, file->bytes_.data() + done, file->bytes_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    file->bytes_.resize(done);  // a file cut short while read is judged as it was read
  }
  ::close(fd);
  if (!ok || !file->load()) return nullptr;
  return file;
}

std::unique_ptr<ChmFile> ChmFile::fromBytes(std::string_view bytes) {
  if (bytes.size() > kMaxFileSize) return nullptr;
  std::unique_ptr<ChmFile> file(new ChmFile());
  file->bytes_.assign(bytes);
  if (!file->load()) return nullptr;
  return file;
}

bool ChmFile::readDirectory() {
  const std::string_view b = bytes_;
  // File header: "ITSF", version 2 or 3, then the place of the directory; the third version
  // also gives the place of the content, which otherwise follows the directory.
  if (b.size() < 0x58 || b.substr(0, 4) != "ITSF") return false;
  const uint32_t version = le32(b, 4);
  if ((version != 2 && version != 3) || (version == 3 && b.size() < 0x60)) return false;
  const uint64_t dirAt = le64(b, 0x48), dirLength = le64(b, 0x50);
  if (dirAt > b.size() || dirLength > b.size() - dirAt) return false;
  contentOffset_ = version == 3 ? le64(b, 0x58) : dirAt + dirLength;
  if (contentOffset_ > b.size()) return false;

  // Directory header: "ITSP", then the chunk size and count; the chunks follow it.
  const std::string_view dir = b.substr(dirAt, dirLength);
  constexpr size_t kDirHeader = 0x54, kChunkHeader = 0x14;
  if (dir.size() < kDirHeader || dir.substr(0, 4) != "ITSP" || le32(dir, 4) != 1 || le32(dir, 8) != kDirHeader) return false;
  const uint64_t chunkSize = le32(dir, 0x10), chunks = le32(dir, 0x2C);
  if (chunkSize < kChunkHeader || chunkSize > dir.size() || chunks > (dir.size() - kDirHeader) / chunkSize) return false;

  // Every listing chunk ("PMGL") in turn, rather than following their links, which may loop.
  // An entry: name length, name, section, offset, length.
  for (uint64_t i = 0; i < chunks; ++i) {
    const std::string_view chunk = dir.substr(kDirHeader + i * chunkSize, chunkSize);
    if (chunk.substr(0, 4) != "PMGL") continue;
    const uint32_t free = le32(chunk, 4);
    if (free > chunk.size() - kChunkHeader) return false;
    const size_t end = chunk.size() - free;
    for (size_t at = kChunkHeader; at < end;) {
      uint64_t nameLength = 0;
      Entry e;
      if (!encint(chunk, at, end, nameLength) || nameLength > end - at) return false;
      std::string name(chunk.substr(at, nameLength));
      at += nameLength;
      if (!encint(chunk, at, end, e.section) || !encint(chunk, at, end, e.offset) || !encint(chunk, at, end, e.length))
        return false;
      directory_.emplace(std::move(name), e);
    }
  }
  return !directory_.empty();
}

bool ChmFile::load() {
  if (!readDirectory()) return false;
  // A file with compressed entries needs its compression tables whole.
  if (std::any_of(directory_.begin(), directory_.end(), [](const auto& e) { return e.second.section == 1; })) {
    auto raw = [this](std::string_view name) -> std::string_view {
      auto it = directory_.find(std::string(name));
      if (it == directory_.end() || it->second.section != 0) return {};
      const Entry& e = it->second;
      if (e.offset > bytes_.size() - contentOffset_ || e.length > bytes_.size() - contentOffset_ - e.offset) return {};
      return std::string_view(bytes_).substr(contentOffset_ + e.offset, e.length);
    };
    compressed_ = CompressedSection::create(raw(kControlData), raw(kResetTable), raw(kContent));
    if (!compressed_) return false;
  }
  for (const auto& [path, e] : directory_) {
    // Normal files only: internal entries start with "/#" or "/$", folders end with "/".
    if (path.size() > 1 && path[0] == '/' && path[1] != '#' && path[1] != '$' && path.back() != '/') {
      entries_.push_back(path);
      folded_.emplace(lower(path), path);
    }
  }
  readSystem();
  readContextMap();
  return true;
}

std::optional<std::string> ChmFile::readRaw(const std::string& name) const {
  auto it = directory_.find(name);
  if (it == directory_.end()) return std::nullopt;
  const Entry& e = it->second;
  if (e.length > kMaxEntrySize) return std::nullopt;
  if (e.section == 1) return compressed_->read(e.offset, e.length);
  if (e.section != 0) return std::nullopt;
  const uint64_t room = bytes_.size() - contentOffset_;
  if (e.offset > room || e.length > room - e.offset) return std::nullopt;
  return bytes_.substr(static_cast<size_t>(contentOffset_ + e.offset), static_cast<size_t>(e.length));
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
