#pragma once
// XMLRegistryValue: one named text value of a registry key.
//
// A value handed out by Values.Item for a name the key does not hold is "pending": reading
// its Value raises error 5 (so a lookup sees "not found"), and the first write of its Value
// adds it to the key (so a caller can set a value whether or not it exists yet).
#include "platform/automation/Dispatch.h"

namespace lv8int {

class XMLRegistryKey;

class XMLRegistryValue : public Object {
 public:
  XMLRegistryValue(String name, String text) : name_(std::move(name)), text_(std::move(text)) {}
  // A pending value of `key`.
  XMLRegistryValue(String name, Ref<XMLRegistryKey> key);

  String Name() const { return name_; }
  const String& name() const noexcept { return name_; }
  String Value() const;
  void SetValue(const String& text);

  // False for a pending value that has not been written yet.
  bool exists() const;
  const String& text() const noexcept { return text_; }
  void setText(String text) {
    text_ = std::move(text);
    changed_ = true;
  }
  // Whether this process set the value since the registry was loaded or last saved.
  bool changed() const noexcept { return changed_; }
  void setChanged(bool changed) noexcept { changed_ = changed; }

  // Raises 5 for a text the file cannot hold: a NUL character, or half of a surrogate pair
  // (which UTF-8 cannot encode).
  static void checkText(StringView text);

  const DispatchTable* dispatchTable() const override;

 private:
  String name_;
  String text_;
  Ref<XMLRegistryKey> pendingKey_;  // set while pending
  bool changed_ = false;
};

}  // namespace lv8int
