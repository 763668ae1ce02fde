#include "platform/pe/PeFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/codepage/AnsiCodePage.h"
#include "platform/files/Files.h"
#include "platform/pe/LittleEndian.h"
#include "platform/pe/ResourceLanguage.h"

namespace lv8int::pe {

namespace {

// True when [at, at + size) lies inside b, without overflow.
bool inside(std::span<const uint8_t> b, uint64_t at, uint64_t size) { return at <= b.size() && size <= b.size() - at; }

void fail(String* error, StringView why) {
  if (error) *error = String(why);
}

// A resource directory holds three levels (type, name, language); entries beyond this many per
// directory are not looked at (the format's own limit is 2 x 65535).
constexpr uint32_t kMaxEntries = 0x20000;
// Directory entries a listing of the whole tree reads at most.
constexpr size_t kMaxVisits = 1u << 16;

}  // namespace

// The image: an anonymous private mapping that is made read-only once filled.
struct PeFile::Mapping {
  void* address = MAP_FAILED;
  size_t size = 0;
  ~Mapping() {
    if (address != MAP_FAILED) munmap(address, size);
  }
  bool allocate(size_t n) {
    size = n;
    address = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return address != MAP_FAILED;
  }
  bool seal() { return mprotect(address, size, PROT_READ) == 0; }
  uint8_t* data() { return static_cast<uint8_t*>(address); }
};

PeFile::~PeFile() = default;

std::unique_ptr<PeFile> PeFile::open(StringView path, String* error) {
  std::string native = toUtf8(files::resolve(files::fromWindowsPath(path)));
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    fail(error, u"cannot open the file");
    return nullptr;
  }
  struct stat st {};
  std::unique_ptr<PeFile> pe(new PeFile);
  pe->mapping_ = std::make_unique<Mapping>();
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) fail(error, u"not a regular file");
  if (ok && (st.st_size <= 0 || static_cast<uint64_t>(st.st_size) > kMaxFileSize)) {
    fail(error, st.st_size <= 0 ? u"empty file" : u"file too large for a resource module");
    ok = false;
  }
  if (ok && !pe->mapping_->allocate(static_cast<size_t>(st.st_size))) {
    fail(error, u"out of memory");
    ok = false;
  }
  size_t got = 0;
  while (ok && got < pe->mapping_->size) {
    ssize_t n = ::read(fd, pe->mapping_->data() + got, pe->mapping_->size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // shrank while being read: parse what is there
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (!ok || !pe->mapping_->seal()) {
    if (ok) fail(error, u"cannot protect the image");
    return nullptr;
  }
  pe->image_ = std::span<const uint8_t>(pe->mapping_->data(), got);
  if (!pe->parse(error)) return nullptr;
  return pe;
}

std::unique_ptr<PeFile> PeFile::fromBytes(std::string_view bytes, String* error) {
  std::unique_ptr<PeFile> pe(new PeFile);
  pe->mapping_ = std::make_unique<Mapping>();
  if (bytes.empty() || bytes.size() > kMaxFileSize) {
    fail(error, bytes.empty() ? u"empty file" : u"file too large for a resource module");
    return nullptr;
  }
  if (!pe->mapping_->allocate(bytes.size())) {
    fail(error, u"out of memory");
    return nullptr;
  }
  std::memcpy(pe->mapping_->data(), bytes.data(), bytes.size());
  if (!pe->mapping_->seal()) return nullptr;
  pe->image_ = std::span<const uint8_t>(pe->mapping_->data(), bytes.size());
  if (!pe->parse(error)) return nullptr;
  return pe;
}

bool PeFile::parse(String* error) {
  const auto& b = image_;
  if (!inside(b, 0, 0x40) || b[0] != 'M' || b[1] != 'Z') {
    fail(error, u"not a PE file (no MZ header)");
    return false;
  }
  uint32_t pe = readU32(b, 0x3C);
  if (!inside(b, pe, 24) || std::memcmp(&b[pe], "PE\0\0", 4) != 0) {
    fail(error, u"not a PE file (no PE signature)");
    return false;
  }
  uint16_t sectionCount = readU16(b, pe + 6);
  uint16_t optionalSize = readU16(b, pe + 20);
  uint64_t opt = uint64_t(pe) + 24;
  if (!inside(b, opt, optionalSize) || optionalSize < 2) {
    fail(error, u"truncated optional header");
    return false;
  }
  uint16_t magic = readU16(b, opt);
  uint32_t countAt, dirsAt;
  if (magic == 0x10B) {
    countAt = 92;
    dirsAt = 96;
  } else if (magic == 0x20B) {
    is64_ = true;
    countAt = 108;
    dirsAt = 112;
  } else {
    fail(error, u"unknown optional header (neither PE32 nor PE32+)");
    return false;
  }
  if (optionalSize < countAt + 4) {
    fail(error, u"truncated optional header");
    return false;
  }
  uint64_t sectionsAt = opt + optionalSize;
  if (!inside(b, sectionsAt, uint64_t(sectionCount) * 40)) {
    fail(error, u"truncated section table");
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    size_t s = sectionsAt + size_t(i) * 40;
    uint32_t rawSize = readU32(b, s + 16), rawOffset = readU32(b, s + 20);
    // Raw data cut off by the end of the file only counts as far as the file goes.
    if (rawOffset >= b.size()) rawSize = 0;
    else if (rawSize > b.size() - rawOffset) rawSize = static_cast<uint32_t>(b.size() - rawOffset);
    sections_.push_back({readU32(b, s + 12), rawSize, rawOffset});
  }
  uint32_t dirCount = readU32(b, opt + countAt);
  // A module without a resource directory loads; it just finds nothing.
  if (dirCount <= 2 || optionalSize < dirsAt + 3 * 8) return true;
  uint32_t rva = readU32(b, opt + dirsAt + 16), size = readU32(b, opt + dirsAt + 20);
  if (rva == 0 || size == 0) return true;
  for (const Section& s : sections_) {
    if (rva >= s.rva && rva - s.rva < s.rawSize) {
      resources_ = b.subspan(s.rawOffset + (rva - s.rva), s.rawSize - (rva - s.rva));
      resourcesRva_ = rva;
      break;
    }
  }
  if (resources_.size() < 16) {
    resources_ = {};
    fail(error, u"resource directory outside the file");
    return false;
  }
  return true;
}

std::span<const uint8_t> PeFile::atRva(uint32_t rva, uint32_t size) const {
  for (const Section& s : sections_) {
    if (rva >= s.rva && rva - s.rva < s.rawSize && size <= s.rawSize - (rva - s.rva))
      return image_.subspan(s.rawOffset + (rva - s.rva), size);
  }
  return {};
}

std::vector<PeFile::DirEntry> PeFile::directory(uint32_t offset) const {
  std::vector<DirEntry> out;
  const auto& r = resources_;
  if (!inside(r, offset, 16)) return out;
  uint32_t count = std::min<uint32_t>(uint32_t(readU16(r, offset + 12)) + readU16(r, offset + 14), kMaxEntries);
  // Entries past the end of the resource data are not there.
  count = static_cast<uint32_t>(std::min<uint64_t>(count, (r.size() - offset - 16) / 8));
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    size_t e = size_t(offset) + 16 + size_t(i) * 8;
    uint32_t name = readU32(r, e), target = readU32(r, e + 4);
    out.push_back({name & 0x7FFFFFFF, target & 0x7FFFFFFF, (target & 0x80000000u) != 0, (name & 0x80000000u) != 0});
  }
  return out;
}

bool PeFile::matches(const DirEntry& entry, const ResourceName& name) const {
  if (entry.named == name.isId()) return false;
  if (!entry.named) return entry.id() == name.id();
  // The text is read only when its length is the one looked for (the loader compares texts
  // upper-cased character by character, so lengths agree).
  if (!inside(resources_, entry.name, 2) || readU16(resources_, entry.name) != name.text().size()) return false;
  return nameOf(entry).matches(name);
}

ResourceName PeFile::nameOf(const DirEntry& entry) const {
  if (!entry.named) return ResourceName(entry.id());
  const auto& r = resources_;
  if (!inside(r, entry.name, 2)) return ResourceName(String());
  uint16_t len = readU16(r, entry.name);
  if (!inside(r, uint64_t(entry.name) + 2, uint64_t(len) * 2)) return ResourceName(String());
  String text(len, u'\0');
  for (uint16_t k = 0; k < len; ++k) text[k] = static_cast<char16_t>(readU16(r, entry.name + 2 + size_t(k) * 2));
  return ResourceName(std::move(text));
}

std::optional<uint32_t> PeFile::subdirectory(uint32_t offset, const ResourceName& name) const {
  for (const DirEntry& d : directory(offset))
    if (d.isDirectory && matches(d, name)) return d.target;
  return std::nullopt;
}

std::optional<ResourceData> PeFile::dataEntry(uint32_t offset, uint16_t language) const {
  const auto& r = resources_;
  if (!inside(r, offset, 16)) return std::nullopt;
  uint32_t size = readU32(r, offset + 4);
  std::span<const uint8_t> bytes = atRva(readU32(r, offset), size);
  if (bytes.size() != size || size == 0) return std::nullopt;
  return ResourceData{bytes, language, readU32(r, offset + 8)};
}

std::optional<uint32_t> PeFile::nameDirectory(const ResourceName& type, const ResourceName& name) const {
  if (!hasResources()) return std::nullopt;
  auto t = subdirectory(0, type);
  if (!t) return std::nullopt;
  return subdirectory(*t, name);
}

std::vector<uint16_t> PeFile::languages(const ResourceName& type, const ResourceName& name) const {
  std::vector<uint16_t> out;
  if (auto n = nameDirectory(type, name))
    for (const DirEntry& d : directory(*n))
      if (!d.isDirectory && !d.named) out.push_back(d.id());
  return out;
}

std::optional<ResourceData> PeFile::find(const ResourceName& type, const ResourceName& name) const {
  auto n = nameDirectory(type, name);
  if (!n) return std::nullopt;
  std::vector<uint16_t> langs;
  std::vector<uint32_t> targets;
  for (const DirEntry& d : directory(*n)) {
    if (d.isDirectory || d.named) continue;
    langs.push_back(d.id());
    targets.push_back(d.target);
  }
  if (langs.empty()) return std::nullopt;
  size_t chosen = chooseLanguage(langs, codepage::activeCodePage());
  if (auto data = dataEntry(targets[chosen], langs[chosen])) return data;
  // The preferred entry is damaged: take the first other that reads.
  for (size_t i = 0; i < langs.size(); ++i)
    if (auto data = dataEntry(targets[i], langs[i])) return data;
  return std::nullopt;
}

std::optional<ResourceData> PeFile::find(const ResourceName& type, const ResourceName& name,
                                         uint16_t language) const {
  auto n = nameDirectory(type, name);
  if (!n) return std::nullopt;
  for (const DirEntry& d : directory(*n))
    if (!d.isDirectory && !d.named && d.id() == language) return dataEntry(d.target, language);
  return std::nullopt;
}

bool PeFile::hasType(const ResourceName& type) const { return hasResources() && subdirectory(0, type).has_value(); }

namespace {

// String `index` (0 to 15) of a string-table block; nothing when the block ends before it.
std::optional<String> blockString(std::span<const uint8_t> block, unsigned index) {
  size_t at = 0;
  for (unsigned i = 0;; ++i) {
    if (at + 2 > block.size()) return std::nullopt;
    size_t len = readU16(block, at);
    at += 2;
    if (len * 2 > block.size() - at) return std::nullopt;
    if (i == index) {
      String s(len, u'\0');
      for (size_t k = 0; k < len; ++k) s[k] = static_cast<char16_t>(readU16(block, at + k * 2));
      return s;
    }
    at += len * 2;
  }
}

}  // namespace

std::optional<String> PeFile::loadString(uint32_t id) const {
  uint16_t low = static_cast<uint16_t>(id & 0xFFFF);
  auto block = find(ResourceName(RT_STRING), ResourceName(static_cast<uint16_t>((low >> 4) + 1)));
  if (!block) return std::nullopt;
  return blockString(block->bytes, low & 15);
}

std::vector<std::pair<uint16_t, String>> PeFile::strings() const {
  std::vector<std::pair<uint16_t, String>> out;
  if (!hasResources()) return out;
  auto t = subdirectory(0, ResourceName(RT_STRING));
  if (!t) return out;
  size_t budget = kMaxVisits;
  std::vector<DirEntry> blocks = directory(*t);
  for (const DirEntry& d : blocks) {
    if (!d.isDirectory || d.named || d.id() == 0) continue;
    std::vector<DirEntry> langs = directory(d.target);
    if (langs.size() > budget) break;
    budget -= langs.size();
    std::vector<uint16_t> ids;
    std::vector<uint32_t> targets;
    for (const DirEntry& l : langs) {
      if (l.isDirectory || l.named) continue;
      ids.push_back(l.id());
      targets.push_back(l.target);
    }
    if (ids.empty()) continue;
    size_t chosen = chooseLanguage(ids, codepage::activeCodePage());
    auto block = dataEntry(targets[chosen], ids[chosen]);
    if (!block) continue;
    for (unsigned i = 0; i < 16; ++i) {
      auto s = blockString(block->bytes, i);
      if (!s) break;
      uint32_t id = (uint32_t(d.id()) - 1) * 16 + i;
      if (!s->empty() && id <= 0xFFFF) out.emplace_back(static_cast<uint16_t>(id), std::move(*s));
    }
  }
  return out;
}

std::vector<ResourceEntry> PeFile::entries() const {
  std::vector<ResourceEntry> out;
  if (!hasResources()) return out;
  // Directories may share subdirectories and names may be long; a hostile file could make
  // the walk enormous, so entries and name characters read count against one budget.
  size_t budget = kMaxVisits;
  auto spend = [&budget](size_t n) {
    if (n > budget) return false;
    budget -= n;
    return true;
  };
  for (const DirEntry& t : directory(0)) {
    if (!t.isDirectory) continue;
    ResourceName type = nameOf(t);
    std::vector<DirEntry> names = directory(t.target);
    if (!spend(names.size() + type.text().size())) return out;
    for (const DirEntry& n : names) {
      if (!n.isDirectory) continue;
      ResourceName name = nameOf(n);
      std::vector<DirEntry> langs = directory(n.target);
      if (!spend(langs.size() + name.text().size())) return out;
      for (const DirEntry& l : langs) {
        if (l.isDirectory || l.named) continue;
        if (!spend(type.text().size() + name.text().size())) return out;
        if (auto data = dataEntry(l.target, l.id()))
          out.push_back({type, name, l.id(), static_cast<uint32_t>(data->bytes.size())});
      }
    }
  }
  return out;
}

}  // namespace lv8int::pe
