#include "platform/xmlregistry/XMLRegistryKey.h"

#include <algorithm>

#include "platform/xmlregistry/XMLRegistryKeys.h"
#include "platform/xmlregistry/XMLRegistryValues.h"

namespace lv8int {
namespace {

[[noreturn]] void refuse(const String& what) { raiseError(err::InvalidProcedureCall, u"XMLRegistryKey", what); }

std::vector<String> levels(const String& path) {
  std::vector<String> out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(u'/', start);
    if (slash == String::npos) slash = path.size();
    if (slash > start) out.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return out;
}

template <class T>
void eraseRef(std::vector<Ref<T>>& list, const Ref<T>& item) {
  list.erase(std::find(list.begin(), list.end(), item));
}

}  // namespace

Ref<XMLRegistryValue> XMLRegistryKey::findValue(StringView name) const {
  auto it = valueIndex_.find(foldCase(name));
  return it == valueIndex_.end() ? nullptr : it->second;
}

Ref<XMLRegistryKey> XMLRegistryKey::findSubKey(StringView name) const {
  auto it = keyIndex_.find(foldCase(name));
  return it == keyIndex_.end() ? nullptr : it->second;
}

Ref<XMLRegistryKey> XMLRegistryKey::addSubKey(StringView name) {
  if (name.empty() || name.find(u'/') != StringView::npos) refuse(u"A key name may not be empty or contain \"/\".");
  XMLRegistryValue::checkText(name);
  String folded = foldCase(name);
  auto it = keyIndex_.find(folded);
  if (it != keyIndex_.end()) return it->second;
  if (depth_ >= kMaxDepth) refuse(u"The key path is too deep.");
  Ref<XMLRegistryKey> key = make<XMLRegistryKey>(String(name), depth_ + 1);
  subKeys_.push_back(key);
  keyIndex_.emplace(std::move(folded), key);
  return key;
}

void XMLRegistryKey::attachValue(const Ref<XMLRegistryValue>& value) {
  String folded = foldCase(value->Name());
  auto it = valueIndex_.find(folded);
  if (it != valueIndex_.end()) {
    std::replace(values_.begin(), values_.end(), it->second, value);
    it->second = value;
    return;
  }
  values_.push_back(value);
  valueIndex_.emplace(std::move(folded), value);
}

void XMLRegistryKey::clear() {
  default_.clear();
  values_.clear();
  valueIndex_.clear();
  subKeys_.clear();
  keyIndex_.clear();
}

void XMLRegistryKey::adopt(XMLRegistryKey& other) {
  default_ = std::move(other.default_);
  values_ = std::move(other.values_);
  valueIndex_ = std::move(other.valueIndex_);
  subKeys_ = std::move(other.subKeys_);
  keyIndex_ = std::move(other.keyIndex_);
  other.clear();
}

Ref<XMLRegistryKey> XMLRegistryKey::OpenKey(const String& path, bool create) {
  Ref<XMLRegistryKey> key(this);
  for (const String& level : levels(path)) {
    Ref<XMLRegistryKey> next = key->findSubKey(level);
    if (!next) {
      if (!create) return nullptr;
      next = key->addSubKey(level);
    }
    key = std::move(next);
  }
  return key;
}

Ref<XMLRegistryValues> XMLRegistryKey::Values() { return make<XMLRegistryValues>(Ref<XMLRegistryKey>(this)); }

Ref<XMLRegistryKeys> XMLRegistryKey::SubKeys() { return make<XMLRegistryKeys>(Ref<XMLRegistryKey>(this)); }

Ref<XMLRegistryValue> XMLRegistryKey::AddValue(const String& name, const String& text) {
  if (name.empty()) refuse(u"A value name may not be empty.");
  XMLRegistryValue::checkText(name);
  XMLRegistryValue::checkText(text);
  String folded = foldCase(name);
  auto it = valueIndex_.find(folded);
  if (it != valueIndex_.end()) {
    it->second->setText(text);
    return it->second;
  }
  Ref<XMLRegistryValue> value = make<XMLRegistryValue>(name, text);
  values_.push_back(value);
  valueIndex_.emplace(std::move(folded), value);
  return value;
}

void XMLRegistryKey::RemoveValue(const String& name) {
  auto it = valueIndex_.find(foldCase(name));
  if (it == valueIndex_.end()) return;
  eraseRef(values_, it->second);
  valueIndex_.erase(it);
}

Variant XMLRegistryKey::GetValue(const String& name, const Variant& defaultValue) {
  if (Ref<XMLRegistryValue> v = findValue(name)) return Variant(v->text());
  if (defaultValue.isMissing()) return Variant(String());
  return defaultValue;
}

void XMLRegistryKey::DeleteKey(const String& path) {
  std::vector<String> path_ = levels(path);
  if (path_.empty()) refuse(u"A key cannot delete itself.");
  Ref<XMLRegistryKey> parent(this);
  for (size_t i = 0; i + 1 < path_.size() && parent; ++i) parent = parent->findSubKey(path_[i]);
  if (!parent) return;
  auto it = parent->keyIndex_.find(foldCase(path_.back()));
  if (it == parent->keyIndex_.end()) return;
  eraseRef(parent->subKeys_, it->second);
  parent->keyIndex_.erase(it);
}

const DispatchTable* XMLRegistryKey::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<XMLRegistryKey>(u"XMLRegistryKey")
          .get(u"DefaultValue", &XMLRegistryKey::DefaultValue, {.id = DISPID_VALUE})
          .put(u"DefaultValue", &XMLRegistryKey::SetDefaultValue, {.id = DISPID_VALUE})
          .get(u"Name", &XMLRegistryKey::Name)
          .method(u"OpenKey", &XMLRegistryKey::OpenKey, {.required = 1})
          .get(u"Values", &XMLRegistryKey::Values)
          .get(u"SubKeys", &XMLRegistryKey::SubKeys)
          .method(u"AddValue", &XMLRegistryKey::AddValue, {.required = 1})
          .method(u"RemoveValue", &XMLRegistryKey::RemoveValue)
          .method(u"GetValue", &XMLRegistryKey::GetValue, {.required = 1})
          .method(u"DeleteKey", &XMLRegistryKey::DeleteKey)
          .build();
  return &table;
}

}  // namespace lv8int
