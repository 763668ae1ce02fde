#include "ChmWriter.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <vector>

namespace lv8demo {

namespace {

void put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put64(std::string& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}
void set32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A directory number: 7 bits a byte, highest first, the top bit set on all but the last.
std::string encint(uint64_t v) {
  std::string out(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

// A GUID in its stored form.
void putGuid(std::string& out, uint32_t a, uint16_t b, uint16_t c, const uint8_t (&d)[8]) {
  put32(out, a);
  put16(out, b);
  put16(out, c);
  for (uint8_t x : d) out += static_cast<char>(x);
}
constexpr uint8_t kItsfTail[8] = {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
constexpr uint8_t kItspTail[8] = {0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string asEntry(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name[0] != '/') name.insert(name.begin(), '/');
  return name;
}

struct DirEntry {
  std::string name;
  uint64_t offset = 0, length = 0;
};

}  // namespace

void ChmWriter::add(std::string name, std::string bytes) { files_[asEntry(std::move(name))] = std::move(bytes); }

std::string ChmWriter::image() const {
  std::map<std::string, std::string> files = files_;

  // #SYSTEM: a version, then records of code, length and zero-terminated text.
  std::string system;
  put32(system, 3);
  auto record = [&system](uint16_t code, const std::string& text) {
    if (text.empty()) return;
    if (text.size() >= 0xFFFF) throw std::length_error("project setting too long");
    put16(system, code);
    put16(system, static_cast<uint16_t>(text.size() + 1));
    system += text;
    system += '\0';
  };
  record(0, contents_);
  record(1, index_);
  record(2, defaultTopic_);
  record(3, title_);
  // Code 4: the language and flags (the viewer reads the language from it).
  put16(system, 4);
  put16(system, 32);
  put32(system, language_);
  system.append(28, '\0');
  files["/#SYSTEM"] = system;

  // The context map: #STRINGS holds the entry names (after a leading zero), #IVB the byte
  // length of its pairs, then pairs of context number and offset of the name in #STRINGS.
  if (!contexts_.empty()) {
    std::string strings(1, '\0'), ivb;
    put32(ivb, static_cast<uint32_t>(contexts_.size() * 8));
    for (const auto& [id, entry] : contexts_) {
      put32(ivb, id);
      put32(ivb, static_cast<uint32_t>(strings.size()));
      strings += entry;
      strings += '\0';
    }
    files["/#IVB"] = ivb;
    files["/#STRINGS"] = strings;
  }

  // Section 0 content: the entries one after another; folders are entries of no length.
  std::vector<DirEntry> entries;
  std::set<std::string> folders{"/"};
  std::string content;
  for (const auto& [name, bytes] : files) {
    for (size_t slash = name.find('/', 1); slash != std::string::npos; slash = name.find('/', slash + 1))
      folders.insert(name.substr(0, slash + 1));
    entries.push_back({name, content.size(), bytes.size()});
    content += bytes;
  }
  for (const std::string& f : folders) entries.push_back({f, 0, 0});
  // Listed in the order of their names without regard to case, as the viewer's lookup expects.
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const std::string la = lower(a.name), lb = lower(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });

  // Listing chunks: "PMGL", the free space at the end, 0, previous and next chunk, entries;
  // the chunk ends with quick references to every fifth entry and their count.
  constexpr size_t kChunkHeader = 20;
  constexpr uint32_t kDensity = 2, kQuickStep = 1 + (1 << kDensity);
  std::vector<std::string> chunks;
  std::vector<uint16_t> quick;
  std::string body;
  uint16_t inChunk = 0;
  auto close = [&] {
    std::string chunk = "PMGL";
    put32(chunk, 0);
    put32(chunk, 0);
    put32(chunk, chunks.empty() ? 0xFFFFFFFF : static_cast<uint32_t>(chunks.size() - 1));
    put32(chunk, 0xFFFFFFFF);  // the next chunk is set once it exists
    chunk += body;
    std::string tail;
    for (auto it = quick.rbegin(); it != quick.rend(); ++it) put16(tail, *it);
    put16(tail, inChunk);
    chunk.append(kChunkSize - chunk.size() - tail.size(), '\0');
    chunk += tail;
    set32(chunk, 4, static_cast<uint32_t>(kChunkSize - kChunkHeader - body.size()));
    if (!chunks.empty()) set32(chunks.back(), 16, static_cast<uint32_t>(chunks.size()));
    chunks.push_back(chunk);
    body.clear();
    quick.clear();
    inChunk = 0;
  };
  for (const DirEntry& e : entries) {
    const std::string coded = encint(e.name.size()) + e.name + encint(0) + encint(e.offset) + encint(e.length);
    auto fits = [&] {
      const bool quickRef = inChunk > 0 && inChunk % kQuickStep == 0;
      return kChunkHeader + body.size() + coded.size() + 2 * (quick.size() + (quickRef ? 1 : 0) + 1) <= kChunkSize;
    };
    if (!fits()) {
      if (inChunk == 0) throw std::length_error("entry name too long: " + e.name);
      close();
    }
    if (inChunk > 0 && inChunk % kQuickStep == 0) quick.push_back(static_cast<uint16_t>(body.size()));
    body += coded;
    ++inChunk;
  }
  if (inChunk > 0 || chunks.empty()) close();

  // Directory header ("ITSP").
  std::string dir = "ITSP";
  put32(dir, 1);
  put32(dir, 0x54);
  put32(dir, 0x0A);
  put32(dir, kChunkSize);
  put32(dir, kDensity);
  put32(dir, 1);            // depth: listing chunks only
  put32(dir, 0xFFFFFFFF);   // no index chunk
  put32(dir, 0);            // first listing chunk
  put32(dir, static_cast<uint32_t>(chunks.size() - 1));
  put32(dir, 0xFFFFFFFF);
  put32(dir, static_cast<uint32_t>(chunks.size()));
  put32(dir, language_);
  putGuid(dir, 0x5D02926A, 0x212E, 0x11D0, kItspTail);
  put32(dir, 0x54);
  for (int i = 0; i < 3; ++i) put32(dir, 0xFFFFFFFF);
  for (const std::string& c : chunks) dir += c;

  // File header ("ITSF", version 3), the header section table, the file-size section, the
  // directory, then the content.
  constexpr uint64_t kHeader = 0x60, kSizeSection = 0x18;
  const uint64_t dirAt = kHeader + kSizeSection, contentAt = dirAt + dir.size();
  const uint64_t total = contentAt + content.size();
  std::string out = "ITSF";
  put32(out, 3);
  put32(out, static_cast<uint32_t>(kHeader));
  put32(out, 1);
  put32(out, 0);  // time stamp: none, so that a build gives the same file each time
  put32(out, language_);
  putGuid(out, 0x7C01FD10, 0x7BAA, 0x11D0, kItsfTail);
  putGuid(out, 0x7C01FD11, 0x7BAA, 0x11D0, kItsfTail);
  put64(out, kHeader);
  put64(out, kSizeSection);
  put64(out, dirAt);
  put64(out, dir.size());
  put64(out, contentAt);
  put32(out, 0x01FE);
  put32(out, 0);
  put64(out, total);
  put32(out, 0);
  put32(out, 0);
  out += dir;
  out += content;
  return out;
}

}  // namespace lv8demo
