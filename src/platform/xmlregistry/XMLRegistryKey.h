#pragma once
// XMLRegistryKey: a key of an XML registry, holding a default (unnamed) text value, named
// text values and sub-keys. Names are compared without regard to case and keep the spelling
// they were created with. Key paths separate levels with "/"; empty levels are skipped.
//
// Values read from a file stay as the file's UTF-8 text, in the parsed document the key shares,
// until a caller asks for a value's object; the index of value names is built on the first
// lookup. A loaded key is thus a compact table, and a store of many values loads without making
// an object per value.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/xmlregistry/XMLRegistryValue.h"

namespace lv8int {

class XMLRegistryValues;
class XMLRegistryKeys;

class XMLRegistryKey : public Object {
 public:
  // Levels below the root key a registry may have; deeper paths are refused (5).
  static constexpr int kMaxDepth = 512;

  explicit XMLRegistryKey(String name = {}, int depth = 0) : name_(std::move(name)), depth_(depth) {}

  String Name() const { return name_; }
  String DefaultValue() const { return default_; }
  void SetDefaultValue(const String& text) {
    XMLRegistryValue::checkText(text);
    default_ = text;
    defaultChanged_ = true;
  }
  // The key at `path` below this one ("" is this key). Without `create`, a missing key gives
  // no object; with it, missing keys are created along the path.
  Ref<XMLRegistryKey> OpenKey(const String& path, bool create);
  Ref<XMLRegistryValues> Values();
  Ref<XMLRegistryKeys> SubKeys();
  // Adds a value, or sets the text of the value of that name when there is one; returns it.
  Ref<XMLRegistryValue> AddValue(const String& name, const String& text);
  // Removes the value of that name, if any.
  void RemoveValue(const String& name);
  // The value's text, or `defaultValue` as given when there is no such value ("" if omitted).
  Variant GetValue(const String& name, const Variant& defaultValue);
  // Removes the key at `path` below this one with everything under it, if there is one.
  void DeleteKey(const String& path);

  // C++ side.
  Ref<XMLRegistryValue> findValue(StringView name) const;
  Ref<XMLRegistryKey> findSubKey(StringView name) const;
  // The values in order: the count, and the object at a position (made on the first request;
  // the same object every time after).
  size_t valueCount() const;
  Ref<XMLRegistryValue> valueAt(size_t position) const;
  // One value as the key keeps it: its object once one was asked for, before that the name and
  // text as UTF-8 in the loaded document (NUL-terminated, known to be writable).
  struct ValueSlot {
    const char* name8 = nullptr;
    const char* text8 = nullptr;
    Ref<XMLRegistryValue> object;
    uint32_t hash = 0;  // of the folded name, once indexed
  };
  // All values, for writing them out.
  const std::vector<ValueSlot>& valueSlots() const;
  const std::vector<Ref<XMLRegistryKey>>& subKeys() const noexcept { return subKeys_; }
  int depth() const noexcept { return depth_; }
  // Adds a sub-key, or returns the one of that name.
  Ref<XMLRegistryKey> addSubKey(StringView name);
  // Adds the value object itself, replacing one of the same name.
  void attachValue(const Ref<XMLRegistryValue>& value);
  // Content read from a file, not counted as changes. Values come as their UTF-8 name and text
  // in the document `source` (known to be writable), which the key keeps; a later value of a
  // name replaces the text of an earlier one.
  void loadDefault(String text) { default_ = std::move(text); }
  Ref<XMLRegistryKey> loadSubKey(StringView name);
  void loadValues(const std::vector<ValueSlot>& values, std::shared_ptr<const void> source);
  // Empties the key: no values, no sub-keys, empty default value.
  void clear();
  // Takes over the content of `other`, which is left empty, as content loaded: what this
  // process changed here before is forgotten.
  void adopt(XMLRegistryKey& other);

  // What this process changed since the registry was loaded or saved, for a save that merges
  // them into a file another process has written meanwhile. markClean forgets them for this
  // key and everything below it.
  void markClean();
  // Brings this key (as this process has it) and `disk` (the same key as the file now holds
  // it) together: what this process changed stays as it is here, everything else becomes as
  // on disk. Sub-keys that only `disk` has are taken over from it.
  void absorb(XMLRegistryKey& disk);

  const DispatchTable* dispatchTable() const override;

 private:
  String name_;
  int depth_;
  String default_;
  // The values in order, and their positions + 1 by folded name (open addressing, at most half
  // full; 0 is a free place). The index is built on the first lookup (merging names a file held
  // twice) and dropped when values are removed.
  mutable std::vector<ValueSlot> slots_;
  mutable std::vector<uint32_t> valueIndex_;
  std::shared_ptr<const void> source_;  // the document loaded values point into
  // By name without regard to case; each entry's key is a view of its own object's name.
  template <class T>
  using Index = std::unordered_map<StringView, Ref<T>, NoCaseHash, NoCaseEqual>;
  using NameSet = std::unordered_set<String, NoCaseHash, NoCaseEqual>;
  std::vector<Ref<XMLRegistryKey>> subKeys_;
  Index<XMLRegistryKey> keyIndex_;
  // Changes since the last load or save (see markClean).
  bool created_ = false;
  bool defaultChanged_ = false;
  NameSet removedValues_;
  NameSet deletedKeys_;

  bool hasChanges() const;
  // Builds the value index if there is none; npos when no value has the name.
  void index() const;
  size_t find(StringView name) const;
  size_t find(StringView name, uint32_t hash) const;
  void insertIndex(size_t position) const;
  Ref<XMLRegistryValue> materialise(size_t position) const;
  size_t appendValue(Ref<XMLRegistryValue> value);
  void setSlots(std::vector<ValueSlot> slots);
};

}  // namespace lv8int
