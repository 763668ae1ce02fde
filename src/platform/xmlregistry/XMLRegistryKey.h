#pragma once
// XMLRegistryKey: a key of an XML registry, holding a default (unnamed) text value, named
// text values and sub-keys. Names are compared without regard to case and keep the spelling
// they were created with. Key paths separate levels with "/"; empty levels are skipped.
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
  const std::vector<Ref<XMLRegistryValue>>& values() const noexcept { return values_; }
  const std::vector<Ref<XMLRegistryKey>>& subKeys() const noexcept { return subKeys_; }
  int depth() const noexcept { return depth_; }
  // Adds a sub-key, or returns the one of that name.
  Ref<XMLRegistryKey> addSubKey(StringView name);
  // Adds the value object itself, replacing one of the same name.
  void attachValue(const Ref<XMLRegistryValue>& value);
  // Adds a value read from a file (its text already known to be writable): a later value of
  // a name replaces the text of an earlier one. Not counted as a change.
  void loadValue(String name, String text);
  // Empties the key: no values, no sub-keys, empty default value.
  void clear();
  // Takes over the content of `other`, which is left empty.
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
  std::vector<Ref<XMLRegistryValue>> values_;
  // By name without regard to case; each entry's key is a view of its own object's name.
  template <class T>
  using Index = std::unordered_map<StringView, Ref<T>, NoCaseHash, NoCaseEqual>;
  using NameSet = std::unordered_set<String, NoCaseHash, NoCaseEqual>;
  Index<XMLRegistryValue> valueIndex_;
  std::vector<Ref<XMLRegistryKey>> subKeys_;
  Index<XMLRegistryKey> keyIndex_;
  // Changes since the last load or save (see markClean).
  bool created_ = false;
  bool defaultChanged_ = false;
  NameSet removedValues_;
  NameSet deletedKeys_;

  bool hasChanges() const;
};

}  // namespace lv8int
