#pragma once
// Writes a compiled help file (.chm) with every entry stored uncompressed: the container the
// help viewer reads, without a compressor. The directory is a run of listing chunks; the
// project's settings go into #SYSTEM and its context numbers into #IVB and #STRINGS, where
// the viewer looks for them.
#include <cstdint>
#include <map>
#include <string>

namespace lv8demo {

class ChmWriter {
 public:
  // Adds a file entry ("/intro.htm", "/images/dot.png"); a leading "/" is added when missing.
  // A second entry of one name replaces the first.
  void add(std::string name, std::string bytes);
  // Project settings, entry names as in the project ("toc.hhc").
  void setContentsFile(std::string name) { contents_ = std::move(name); }
  void setIndexFile(std::string name) { index_ = std::move(name); }
  void setDefaultTopic(std::string name) { defaultTopic_ = std::move(name); }
  void setTitle(std::string title) { title_ = std::move(title); }
  void setLanguage(uint32_t lcid) { language_ = lcid; }
  // A context number and the entry it opens.
  void mapContext(uint32_t id, std::string entry) { contexts_[id] = std::move(entry); }

  // The whole file image.
  std::string image() const;

  // Listing chunks are this long; a chunk holds as many entries as fit.
  static constexpr uint32_t kChunkSize = 4096;

 private:
  std::map<std::string, std::string> files_;
  std::string contents_, index_, defaultTopic_, title_;
  uint32_t language_ = 0x0804;
  std::map<uint32_t, std::string> contexts_;
};

}  // namespace lv8demo
