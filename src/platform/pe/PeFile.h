#pragma once
// A Windows PE file (PE32 or PE32+) opened for its resources, as the loader maps a resource
// DLL: headers and resource directory checked at every offset, the image held read-only in
// memory of its own (a file rewritten on disk while it is loaded changes nothing here, as a
// loaded DLL is locked on Windows). Resource bytes stay valid as long as the PeFile lives.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/automation/String.h"
#include "platform/pe/ResourceName.h"

namespace lv8int::pe {

struct ResourceData {
  std::span<const uint8_t> bytes;
  uint16_t language = 0;
  uint32_t codePage = 0;  // as the data entry records it; informative only
};

struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  uint32_t size = 0;
};

class PeFile {
 public:
  // Files larger than this are refused (resource DLLs are far smaller).
  static constexpr uint64_t kMaxFileSize = 512ull << 20;

  // Opens and checks a file; null with the reason in `error` when it is missing, unreadable or
  // not a PE file. Backslashes are separators and letter case is resolved as for other files.
  static std::unique_ptr<PeFile> open(StringView path, String* error = nullptr);
  // The same checks over bytes in memory (copied).
  static std::unique_ptr<PeFile> fromBytes(std::string_view bytes, String* error = nullptr);

  ~PeFile();
  PeFile(const PeFile&) = delete;
  PeFile& operator=(const PeFile&) = delete;

  bool is64() const noexcept { return is64_; }
  bool hasResources() const noexcept { return !resources_.empty(); }

  // The languages in which (type, name) exists, in directory order; empty when it does not.
  std::vector<uint16_t> languages(const ResourceName& type, const ResourceName& name) const;
  // The resource in the language the loader prefers (see ResourceLanguage.h) for the ANSI
  // code page in force, or exactly in `language`.
  std::optional<ResourceData> find(const ResourceName& type, const ResourceName& name) const;
  std::optional<ResourceData> find(const ResourceName& type, const ResourceName& name,
                                   uint16_t language) const;
  // Whether the file has any resource of the type (the loader's "type not found").
  bool hasType(const ResourceName& type) const;

  // String `id` of the string table (block id / 16 + 1, sixteen counted UTF-16 strings per
  // block; only the low 16 bits of `id` count). Nothing when its block does not exist or is
  // cut short before the string; a string that the block leaves empty is "".
  std::optional<String> loadString(uint32_t id) const;
  // Every non-empty string of the string table, by id, in the preferred language per block.
  std::vector<std::pair<uint16_t, String>> strings() const;

  // Every resource, in directory order.
  std::vector<ResourceEntry> entries() const;

 private:
  PeFile() = default;
  bool parse(String* error);
  struct Mapping;

  std::unique_ptr<Mapping> mapping_;
  std::span<const uint8_t> image_;
  std::span<const uint8_t> resources_;  // from the resource directory to its section's end
  uint32_t resourcesRva_ = 0;
  bool is64_ = false;
  struct Section {
    uint32_t rva, rawSize, rawOffset;
  };
  std::vector<Section> sections_;

  // Bytes at an RVA, or an empty span when [rva, rva + size) is not inside a section's file data.
  std::span<const uint8_t> atRva(uint32_t rva, uint32_t size) const;
  // A directory entry as stored: its name (a number, or the offset of a counted text) and
  // its target (a subdirectory or a data entry). Names are read only when compared or listed.
  struct DirEntry {
    uint32_t name;
    uint32_t target;  // offset in resources_
    bool isDirectory;
    bool named;
    uint16_t id() const { return static_cast<uint16_t>(name & 0xFFFF); }
  };
  std::vector<DirEntry> directory(uint32_t offset) const;
  bool matches(const DirEntry& entry, const ResourceName& name) const;
  ResourceName nameOf(const DirEntry& entry) const;
  // The language directory of (type, name).
  std::optional<uint32_t> nameDirectory(const ResourceName& type, const ResourceName& name) const;
  std::optional<ResourceData> dataEntry(uint32_t offset, uint16_t language) const;
  std::optional<uint32_t> subdirectory(uint32_t offset, const ResourceName& name) const;
};

}  // namespace lv8int::pe
