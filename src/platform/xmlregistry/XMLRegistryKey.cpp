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

constexpr size_t kNone = static_cast<size_t>(-1);

using ValueSlot = XMLRegistryKey::ValueSlot;

uint32_t hashOf(StringView name) {
  const size_t h = NoCaseHash{}(name);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// Calls `f` with the value's name as automation text: its object's, or the loaded UTF-8
// widened (a short ASCII name without allocating).
template <class F>
auto withName(const ValueSlot& slot, F&& f) {
  if (slot.object) return f(StringView(slot.object->name()));
  constexpr size_t kShort = 64;
  char16_t buffer[kShort];
  const char* s = slot.name8;
  size_t n = 0;
  for (; n < kShort && s[n] != 0 && static_cast<unsigned char>(s[n]) < 0x80; ++n) buffer[n] = static_cast<char16_t>(s[n]);
  if (s[n] == 0) return f(StringView(buffer, n));
  const String wide = fromUtf8(s);
  return f(StringView(wide));
}

bool sameName(const ValueSlot& a, const ValueSlot& b) {
  return withName(a, [&](StringView x) { return withName(b, [&](StringView y) { return equalsNoCase(x, y); }); });
}

String textOf(const ValueSlot& slot) { return slot.object ? slot.object->text() : fromUtf8(slot.text8); }

template <class T>
void eraseRef(std::vector<Ref<T>>& list, const Ref<T>& item) {
  list.erase(std::find(list.begin(), list.end(), item));
}

}  // namespace

Ref<XMLRegistryValue> XMLRegistryKey::findValue(StringView name) const {
  const size_t at = find(name);
  return at == kNone ? nullptr : materialise(at);
}

size_t XMLRegistryKey::valueCount() const {
  index();
  return slots_.size();
}

Ref<XMLRegistryValue> XMLRegistryKey::valueAt(size_t position) const {
  index();
  return materialise(position);
}

const std::vector<XMLRegistryKey::ValueSlot>& XMLRegistryKey::valueSlots() const {
  index();
  return slots_;
}

Ref<XMLRegistryValue> XMLRegistryKey::materialise(size_t position) const {
  ValueSlot& slot = slots_[position];
  if (!slot.object) slot.object = make<XMLRegistryValue>(fromUtf8(slot.name8), fromUtf8(slot.text8));
  return slot.object;
}

void XMLRegistryKey::index() const {
  if (!valueIndex_.empty()) return;
  size_t capacity = 8;
  while (capacity < slots_.size() * 2) capacity *= 2;
  valueIndex_.assign(capacity, 0);
  const size_t mask = capacity - 1;
  size_t kept = 0;
  for (size_t i = 0; i < slots_.size(); ++i) {
    ValueSlot& slot = slots_[i];
    if (!slot.object) slot.hash = withName(slot, hashOf);
    size_t at = slot.hash & mask;
    bool twice = false;
    for (uint32_t p; (p = valueIndex_[at]) != 0; at = (at + 1) & mask) {
      ValueSlot& earlier = slots_[p - 1];
      if (earlier.hash != slot.hash || !sameName(earlier, slot)) continue;
      // Only a file holds a name twice (before anything was asked of the key): the later
      // text counts, in the earlier place.
      if (earlier.object) {
        earlier.object->setText(textOf(slot));
        earlier.object->setChanged(false);
      } else {
        earlier.text8 = slot.text8;
      }
      twice = true;
      break;
    }
    if (twice) continue;
    if (kept != i) slots_[kept] = std::move(slot);
    valueIndex_[at] = static_cast<uint32_t>(++kept);
  }
  slots_.resize(kept);
}

size_t XMLRegistryKey::find(StringView name) const { return find(name, hashOf(name)); }

size_t XMLRegistryKey::find(StringView name, uint32_t hash) const {
  index();
  const size_t mask = valueIndex_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const uint32_t p = valueIndex_[at];
    if (p == 0) return kNone;
    const ValueSlot& slot = slots_[p - 1];
    if (slot.hash == hash && withName(slot, [&](StringView own) { return equalsNoCase(own, name); })) return p - 1;
  }
}

void XMLRegistryKey::insertIndex(size_t position) const {
  if ((position + 1) * 2 > valueIndex_.size()) {
    valueIndex_.clear();
    index();
    return;
  }
  const size_t mask = valueIndex_.size() - 1;
  size_t at = slots_[position].hash & mask;
  while (valueIndex_[at] != 0) at = (at + 1) & mask;
  valueIndex_[at] = static_cast<uint32_t>(position + 1);
}

size_t XMLRegistryKey::appendValue(Ref<XMLRegistryValue> value) {
  index();
  const uint32_t hash = hashOf(value->name());
  slots_.push_back({nullptr, nullptr, std::move(value), hash});
  insertIndex(slots_.size() - 1);
  return slots_.size() - 1;
}

void XMLRegistryKey::setSlots(std::vector<ValueSlot> slots) {
  slots_ = std::move(slots);
  valueIndex_.clear();
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

Ref<XMLRegistryKey> XMLRegistryKey::loadSubKey(StringView name) {
  Ref<XMLRegistryKey> key = addSubKey(name);
  key->created_ = false;
  return key;
}

void XMLRegistryKey::loadValues(const std::vector<ValueSlot>& values, std::shared_ptr<const void> source) {
  if (slots_.empty()) {
    slots_.reserve(values.size());  // the exact size: most keys are loaded once
  }
  slots_.insert(slots_.end(), values.begin(), values.end());
  valueIndex_.clear();
  source_ = std::move(source);
}

void XMLRegistryKey::attachValue(const Ref<XMLRegistryValue>& value) {
  value->setChanged(true);
  const size_t at = find(value->name());
  if (at != kNone)
    slots_[at].object = value;  // the same name folded: the same hash
  else
    appendValue(value);
}

void XMLRegistryKey::clear() {
  default_.clear();
  slots_.clear();
  valueIndex_.clear();
  source_.reset();
  subKeys_.clear();
  keyIndex_.clear();
}

void XMLRegistryKey::adopt(XMLRegistryKey& other) {
  default_ = std::move(other.default_);
  slots_ = std::move(other.slots_);
  valueIndex_ = std::move(other.valueIndex_);
  source_ = std::move(other.source_);
  subKeys_ = std::move(other.subKeys_);
  keyIndex_ = std::move(other.keyIndex_);
  other.clear();
  created_ = defaultChanged_ = false;
  removedValues_.clear();
  deletedKeys_.clear();
}

void XMLRegistryKey::markClean() {
  std::vector<XMLRegistryKey*> pending{this};
  while (!pending.empty()) {
    XMLRegistryKey* key = pending.back();
    pending.pop_back();
    key->created_ = key->defaultChanged_ = false;
    key->removedValues_.clear();
    key->deletedKeys_.clear();
    for (const auto& slot : key->slots_)
      if (slot.object) slot.object->setChanged(false);
    for (const auto& sub : key->subKeys_) pending.push_back(sub.get());
  }
}

bool XMLRegistryKey::hasChanges() const {
  if (created_ || defaultChanged_ || !removedValues_.empty() || !deletedKeys_.empty()) return true;
  for (const auto& slot : slots_)
    if (slot.object && slot.object->changed()) return true;
  for (const auto& sub : subKeys_)
    if (sub->hasChanges()) return true;  // depth is bounded by kMaxDepth
  return false;
}

void XMLRegistryKey::absorb(XMLRegistryKey& disk) {
  if (!defaultChanged_) default_ = disk.default_;

  // Values in the file's order, so that a writer with no changes of its own ends up with the
  // file as it is: this process's own as it has them, the others as the file has them (the
  // objects handed out stay the ones in the key); then the ones only this process has made.
  index();
  disk.index();
  std::vector<ValueSlot> values;
  values.reserve(disk.slots_.size() + slots_.size());
  std::vector<bool> taken(slots_.size());
  for (size_t d = 0; d < disk.slots_.size(); ++d) {
    const ValueSlot& there = disk.slots_[d];
    const size_t mine = withName(there, [&](StringView name) { return find(name, there.hash); });
    if (mine != kNone) {
      taken[mine] = true;
      Ref<XMLRegistryValue> value = materialise(mine);
      if (!value->changed()) {
        value->setText(textOf(there));
        value->setChanged(false);
      }
      values.push_back(slots_[mine]);
    } else if (!withName(there, [&](StringView name) { return removedValues_.count(name) > 0; })) {
      ValueSlot taken{nullptr, nullptr, disk.materialise(d), there.hash};  // the disk's document is not kept
      values.push_back(std::move(taken));
    }
  }
  for (size_t i = 0; i < slots_.size(); ++i)  // the others are not in the file any more: another process removed them
    if (!taken[i] && slots_[i].object && slots_[i].object->changed()) values.push_back(slots_[i]);
  setSlots(std::move(values));

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
  const size_t at = find(name);
  if (at != kNone) {
    Ref<XMLRegistryValue> value = materialise(at);
    value->setText(text);
    return value;
  }
  Ref<XMLRegistryValue> value = make<XMLRegistryValue>(name, text);
  value->setChanged(true);
  appendValue(value);
  return value;
}

void XMLRegistryKey::RemoveValue(const String& name) {
  const size_t at = find(name);
  if (at == kNone) return;
  removedValues_.emplace(withName(slots_[at], [](StringView own) { return String(own); }));
  // Out of the index by moving later entries of the same probe run back into the hole, then
  // the positions after the removed value one down.
  const size_t mask = valueIndex_.size() - 1;
  size_t hole = slots_[at].hash & mask;
  while (valueIndex_[hole] != at + 1) hole = (hole + 1) & mask;
  for (size_t next = (hole + 1) & mask; valueIndex_[next] != 0; next = (next + 1) & mask) {
    const size_t home = slots_[valueIndex_[next] - 1].hash & mask;
    // An entry may fill the hole when its home place is not between the hole and itself.
    const bool between = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
    if (between) continue;
    valueIndex_[hole] = valueIndex_[next];
    hole = next;
  }
  valueIndex_[hole] = 0;
  for (uint32_t& p : valueIndex_)
    if (p > at + 1) --p;
  slots_.erase(slots_.begin() + static_cast<ptrdiff_t>(at));
}

Variant XMLRegistryKey::GetValue(const String& name, const Variant& defaultValue) {
  const size_t at = find(name);
  if (at != kNone) return Variant(textOf(slots_[at]));
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
