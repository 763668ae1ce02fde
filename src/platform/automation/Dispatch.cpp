#include "platform/automation/Dispatch.h"

namespace lv8int {

DispatchTable::DispatchTable(String className, std::vector<MemberInfo> members)
    : className_(std::move(className)), members_(std::move(members)) {
  // Members without an explicit id share one id per name (get and put of a property); an id
  // given to any member of a name holds for all of them.
  DispId next = 1;
  std::unordered_map<String, DispId> assigned;
  for (const auto& m : members_)
    if (m.id != DISPID_UNKNOWN) assigned.emplace(foldCase(m.name), m.id);
  for (auto& m : members_) {
    String key = foldCase(m.name);
    if (m.id == DISPID_UNKNOWN) {
      auto it = assigned.find(key);
      if (it != assigned.end()) {
        m.id = it->second;
      } else {
        while (true) {
          bool used = false;
          for (const auto& o : members_)
            if (o.id == next) used = true;
          if (!used) break;
          ++next;
        }
        m.id = next++;
      }
    }
    assigned.emplace(key, m.id);
  }
  std::vector<std::vector<size_t>> groups;  // members per name, names in order of first use
  std::unordered_map<String, size_t, NoCaseHash, NoCaseEqual> groupOf;
  for (size_t i = 0; i < members_.size(); ++i) {
    auto [it, added] = groupOf.try_emplace(members_[i].name, groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
    byId_[members_[i].id].push_back(i);
  }
  size_t slots = 8;
  while (slots < groups.size() * 2) slots *= 2;
  nameSlots_.assign(slots, NameSlot{});
  const NoCaseHash hash;
  for (const std::vector<size_t>& group : groups) {
    NameSlot slot{hash(members_[group.front()].name), static_cast<uint32_t>(byNameMembers_.size()),
                  static_cast<uint32_t>(group.size())};
    byNameMembers_.insert(byNameMembers_.end(), group.begin(), group.end());
    size_t at = slot.hash & (slots - 1);
    while (nameSlots_[at].count != 0) at = (at + 1) & (slots - 1);
    nameSlots_[at] = slot;
  }
}

const DispatchTable::NameSlot* DispatchTable::findName(StringView name) const {
  if (nameSlots_.empty()) return nullptr;
  const size_t h = NoCaseHash{}(name);
  const size_t mask = nameSlots_.size() - 1;
  for (size_t at = h & mask; nameSlots_[at].count != 0; at = (at + 1) & mask) {
    const NameSlot& slot = nameSlots_[at];
    if (slot.hash == h && equalsNoCase(members_[byNameMembers_[slot.first]].name, name)) return &slot;
  }
  return nullptr;
}

const MemberInfo* DispatchTable::pick(const size_t* candidates, size_t count, InvokeKind kind) const {
  const MemberInfo* fallback = nullptr;
  for (size_t c = 0; c < count; ++c) {
    const MemberInfo& m = members_[candidates[c]];
    if (m.kind == kind) return &m;
    // A method call may read a property and a property read may call a method, as
    // late-bound callers pass both flags.
    bool getLike = kind == InvokeKind::Method || kind == InvokeKind::PropertyGet;
    bool memberGetLike = m.kind == InvokeKind::Method || m.kind == InvokeKind::PropertyGet;
    if (getLike && memberGetLike && !fallback) fallback = &m;
    // Put and put-by-reference answer each other (Let of an object's default value aside).
    bool putLike = kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef;
    bool memberPutLike = m.kind == InvokeKind::PropertyPut || m.kind == InvokeKind::PropertyPutRef;
    if (putLike && memberPutLike && !fallback) fallback = &m;
  }
  return fallback;
}

const MemberInfo* DispatchTable::find(StringView name, InvokeKind kind) const {
  const NameSlot* slot = findName(name);
  if (!slot) return nullptr;
  return pick(&byNameMembers_[slot->first], slot->count, kind);
}

const MemberInfo* DispatchTable::find(DispId id, InvokeKind kind) const {
  auto it = byId_.find(id);
  if (it == byId_.end()) return nullptr;
  return pick(it->second.data(), it->second.size(), kind);
}

DispId DispatchTable::idOf(StringView name) const {
  const NameSlot* slot = findName(name);
  return slot ? members_[byNameMembers_[slot->first]].id : DISPID_UNKNOWN;
}

Variant DispatchTable::call(Object& self, const MemberInfo& member, Args& args) const {
  if (static_cast<int>(args.size()) > member.arity) raiseError(err::WrongArgumentCount);
  const bool put = member.kind == InvokeKind::PropertyPut || member.kind == InvokeKind::PropertyPutRef;
  if (put && !args.empty() && static_cast<int>(args.size()) < member.arity) {
    // The assigned value binds to the last parameter; omitted optional indexes come before it.
    Args padded(args.begin(), args.end() - 1);
    padded.resize(static_cast<size_t>(member.arity) - 1, Variant::missing());
    padded.push_back(args.back());
    return call(self, member, padded);
  }
  for (int i = 0; i < member.required; ++i) {
    if (i >= static_cast<int>(args.size()) || args[static_cast<size_t>(i)].isMissing())
      raiseError(err::ArgumentNotOptional);
  }
  return member.thunk(self, args);
}

bool VectorEnumerator::next(Variant& item) {
  if (pos_ >= items_.size()) return false;
  item = items_[pos_++];
  return true;
}

void forEach(const Ref<Object>& collection, const std::function<void(const Variant&)>& body) {
  if (!collection) raiseError(err::ObjectNotSet);
  Args none;
  Variant e = collection->invokeId(DISPID_NEWENUM, InvokeKind::PropertyGet, none);
  Ref<Enumerator> en = e.isObject() ? query<Enumerator>(e.rawObject()) : Ref<Enumerator>();
  if (!en) raiseError(err::ActionNotSupported);
  Variant item;
  while (en->next(item)) body(item);
}

}  // namespace lv8int
