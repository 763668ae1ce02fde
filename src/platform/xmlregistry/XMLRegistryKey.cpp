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
  auto it = valueIndex_.find(name);
  return it == valueIndex_.end() ? nullptr : it->second;
}

Ref<XMLRegistryKey> XMLRegistryKey::findSubKey(StringView name) const {
  auto it = keyIndex_.find(name);
  return it == keyIndex_.end() ? nullptr : it->second;
}

Ref<XMLRegistryKey> XMLRegistryKey::addSubKey(StringView name) {
  if (name.empty() || name.find(u'/') != StringView::npos) refuse(u"A key name may not be empty or contain \"/\".");
  XMLRegistryValue::checkText(name);
  auto it = keyIndex_.find(name);
  if (it != keyIndex_.end()) return it->second;
  if (depth_ >= kMaxDepth) refuse(u"The key path is too deep.");
  Ref<XMLRegistryKey> key = make<XMLRegistryKey>(String(name), depth_ + 1);
  key->created_ = true;
  subKeys_.push_back(key);
  keyIndex_.emplace(key->name_, key);
  return key;
}

void XMLRegistryKey::attachValue(const Ref<XMLRegistryValue>& value) {
  value->setChanged(true);
  auto it = valueIndex_.find(value->Name());
  if (it != valueIndex_.end()) {
    std::replace(values_.begin(), values_.end(), it->second, value);
    valueIndex_.erase(it);
  } else {
    values_.push_back(value);
  }
  valueIndex_.emplace(value->name(), value);
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

void XMLRegistryKey::markClean() {
  std::vector<XMLRegistryKey*> pending{this};
  while (!pending.empty()) {
    XMLRegistryKey* key = pending.back();
    pending.pop_back();
    key->created_ = key->defaultChanged_ = false;
    key->removedValues_.clear();
    key->deletedKeys_.clear();
    for (const auto& value : key->values_) value->setChanged(false);
    for (const auto& sub : key->subKeys_) pending.push_back(sub.get());
  }
}

bool XMLRegistryKey::hasChanges() const {
  if (created_ || defaultChanged_ || !removedValues_.empty() || !deletedKeys_.empty()) return true;
  for (const auto& value : values_)
    if (value->changed()) return true;
  for (const auto& sub : subKeys_)
    if (sub->hasChanges()) return true;  // depth is bounded by kMaxDepth
  return false;
}

void XMLRegistryKey::absorb(XMLRegistryKey& disk) {
  if (!defaultChanged_) default_ = disk.default_;

  // Values in the file's order, so that a writer with no changes of its own ends up with the
  // file as it is: this process's own as it has them, the others as the file has them (the
  // objects handed out stay the ones in the key); then the ones only this process has made.
  std::vector<Ref<XMLRegistryValue>> values;
  Index<XMLRegistryValue> valueIndex;
  for (const auto& there : disk.values_) {
    const String& folded = there->name();
    if (valueIndex.count(folded)) continue;
    auto mine = valueIndex_.find(folded);
    Ref<XMLRegistryValue> value;
    if (mine != valueIndex_.end()) {
      value = mine->second;
      if (!value->changed()) {
        value->setText(there->text());
        value->setChanged(false);
      }
    } else if (!removedValues_.count(folded)) {
      value = there;
    }
    if (!value) continue;
    values.push_back(value);
    valueIndex.emplace(value->name(), std::move(value));
  }
  for (const auto& value : values_) {
    if (!value->changed()) continue;  // not in the file any more: another process removed it
    if (valueIndex.emplace(value->name(), value).second) values.push_back(value);
  }
  values_ = std::move(values);
  valueIndex_ = std::move(valueIndex);

  // Sub-keys alike. A key another process deleted stays only with changes of this process in
  // it; one this process deleted and made again holds only what this process put there.
  std::vector<Ref<XMLRegistryKey>> subKeys;
  Index<XMLRegistryKey> keyIndex;
  for (const auto& there : disk.subKeys_) {
    const String& folded = there->name_;
    if (keyIndex.count(folded)) continue;
    auto mine = keyIndex_.find(folded);
    const bool deleted = deletedKeys_.count(folded) > 0;
    Ref<XMLRegistryKey> key;
    if (mine != keyIndex_.end()) {
      key = mine->second;
      if (!deleted) key->absorb(*there);  // depth is bounded by kMaxDepth
    } else if (!deleted) {
      key = there;
    }
    if (!key) continue;
    subKeys.push_back(key);
    keyIndex.emplace(key->name_, std::move(key));
  }
  for (const auto& key : subKeys_) {
    if (keyIndex.count(key->name_)) continue;
    if (!key->created_) {
      if (!key->hasChanges()) continue;  // another process deleted it
      XMLRegistryKey none;
      key->absorb(none);
    }
    subKeys.push_back(key);
    keyIndex.emplace(key->name_, key);
  }
  subKeys_ = std::move(subKeys);
  keyIndex_ = std::move(keyIndex);
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
  auto it = valueIndex_.find(name);
  if (it != valueIndex_.end()) {
    it->second->setText(text);
    return it->second;
  }
  Ref<XMLRegistryValue> value = make<XMLRegistryValue>(name, text);
  value->setChanged(true);
  values_.push_back(value);
  valueIndex_.emplace(value->name(), value);
  return value;
}

void XMLRegistryKey::loadValue(String name, String text) {
  // One hash per value: names repeat rarely, so the object is made before the index is asked.
  Ref<XMLRegistryValue> value = make<XMLRegistryValue>(std::move(name), std::move(text));
  auto [it, added] = valueIndex_.emplace(value->name(), value);
  if (!added) {
    it->second->setText(value->text());
    return;
  }
  values_.push_back(std::move(value));
}

void XMLRegistryKey::RemoveValue(const String& name) {
  auto it = valueIndex_.find(name);
  if (it == valueIndex_.end()) return;
  Ref<XMLRegistryValue> removed = it->second;
  valueIndex_.erase(it);
  eraseRef(values_, removed);
  removedValues_.emplace(removed->name());
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
  auto it = parent->keyIndex_.find(path_.back());
  if (it == parent->keyIndex_.end()) return;
  Ref<XMLRegistryKey> deleted = it->second;
  parent->keyIndex_.erase(it);
  eraseRef(parent->subKeys_, deleted);
  parent->deletedKeys_.emplace(deleted->name_);
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
