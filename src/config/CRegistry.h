#pragma once
// CRegistry: reads one registry value. The caller fills in the key and value it means, then
// asks whether the key exists or reads the value. Library-internal.
#include <cstdint>

#include "platform/automation/Variant.h"

namespace lv8int {

class CRegistry : public Object {
 public:
  int32_t ClassKey() const { return classKey_; }
  void put_ClassKey(int32_t eKey) { classKey_ = eKey; }
  String SectionKey() const { return sectionKey_; }
  void put_SectionKey(const String& sSectionKey) { sectionKey_ = sSectionKey; }
  String ValueKey() const { return valueKey_; }
  void put_ValueKey(const String& sValueKey) { valueKey_ = sValueKey; }
  int32_t ValueType() const { return valueType_; }
  void put_ValueType(int32_t eValueType) { valueType_ = eValueType; }
  Variant Default() const { return default_; }
  void put_Default(const Variant& vDefault) { default_ = vDefault; }

  bool KeyExists() const;
  Variant Value();  // sets ValueType to the type found

 private:
  int32_t classKey_ = 0;
  String sectionKey_;
  String valueKey_;
  int32_t valueType_ = 0;
  Variant default_;
};

}  // namespace lv8int
