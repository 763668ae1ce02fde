#pragma once
// A compiled help file (.chm) opened for reading: its entries, the project settings compiled
// into it (default topic, contents and index files, title) and its context-number map.
// The file is outside input: the headers, the directory, the compression tables and every
// entry are checked against the file's bounds before they are used, compressed data is decoded
// with bounded work, and entries are read only up to a size limit. A file that does not hold
// together is refused; an entry in a damaged part of it does not read. Not for use from two
// threads at once (compressed entries are decoded on first read and kept).
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lv8int::chm {

class CompressedSection;

class ChmFile {
 public:
  // Opens the file at `path` (UTF-8); null when it is not a readable compiled help file.
  static std::unique_ptr<ChmFile> open(const std::string& path);
  // Reads an image held in memory.
  static std::unique_ptr<ChmFile> fromBytes(std::string_view bytes);
  ~ChmFile();
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;

  // Entries larger than this are not read; larger files are refused.
  static constexpr uint64_t kMaxEntrySize = 64ull << 20;
  static constexpr uint64_t kMaxFileSize = 1ull << 30;

  // The names of the normal file entries ("/intro.htm"), without folders and internal files.
  const std::vector<std::string>& entries() const noexcept { return entries_; }
  // The bytes of an entry; the name is looked up as written, then without regard to case.
  std::optional<std::string> read(std::string_view name) const;
  // The entry name a page reference means ("intro.htm", "/a/b.htm#x", "ms-its:f.chm::/c.htm")
  // without its fragment, or "" when there is no such entry.
  std::string find(std::string_view reference) const;

  // Settings compiled from the project ("" when absent): entry names with a leading "/".
  const std::string& defaultTopic() const noexcept { return defaultTopic_; }
  const std::string& contentsFile() const noexcept { return contentsFile_; }
  const std::string& indexFile() const noexcept { return indexFile_; }
  const std::string& title() const noexcept { return title_; }
  // Context number -> entry name, from the compiled map of the project.
  const std::map<uint32_t, std::string>& contextMap() const noexcept { return contextMap_; }

 private:
  struct Entry {
    uint64_t section = 0, offset = 0, length = 0;
  };

  ChmFile();
  bool load();
  bool readDirectory();
  std::optional<std::string> readRaw(const std::string& name) const;
  void readSystem();
  void readContextMap();

  std::string bytes_;
  uint64_t contentOffset_ = 0;
  std::map<std::string, Entry> directory_;
  std::unique_ptr<CompressedSection> compressed_;
  std::vector<std::string> entries_;
  std::map<std::string, std::string> folded_;  // lower-case name -> name
  std::string defaultTopic_, contentsFile_, indexFile_, title_;
  std::map<uint32_t, std::string> contextMap_;
};

}  // namespace lv8int::chm
