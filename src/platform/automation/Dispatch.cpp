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
  for (size_t i = 0; i < members_.size(); ++i) {
    byName_[members_[i].name].push_back(i);
    byId_[members_[i].id].push_back(i);
  }
}

const MemberInfo* DispatchTable::pick(const std::vector<size_t>& candidates, InvokeKind kind) const {
  const MemberInfo* fallback = nullptr;
  for (size_t i : candidates) {
    const MemberInfo& m = members_[i];
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
  auto it = byName_.find(name);
  if (it == byName_.end()) return nullptr;
  return pick(it->second, kind);
}

const MemberInfo* DispatchTable::find(DispId id, InvokeKind kind) const {
  auto it = byId_.find(id);
  if (it == byId_.end()) return nullptr;
  return pick(it->second, kind);
}

DispId DispatchTable::idOf(StringView name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? DISPID_UNKNOWN : members_[it->second.front()].id;
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
