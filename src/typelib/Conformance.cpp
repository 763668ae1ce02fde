#include "typelib/Conformance.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace lv8int::typelib {

namespace {

String label(const ClassDesc& desc, StringView member, InvokeKind kind) {
  return desc.name + u"." + String(member) + u" (" + kindName(kind) + u")";
}

String num(long long n) { return toString(n); }

// Positions (into `seq`) of a longest strictly increasing subsequence.
std::vector<size_t> longestIncreasing(const std::vector<size_t>& seq) {
  std::vector<size_t> tails;     // index into seq of the smallest tail of each length
  std::vector<size_t> prev(seq.size(), SIZE_MAX);
  for (size_t i = 0; i < seq.size(); ++i) {
    auto it = std::lower_bound(tails.begin(), tails.end(), seq[i],
                               [&](size_t t, size_t v) { return seq[t] < v; });
    if (it != tails.begin()) prev[i] = *(it - 1);
    if (it == tails.end()) tails.push_back(i);
    else *it = i;
  }
  std::vector<size_t> out;
  for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = prev[i]) out.push_back(i);
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

Differences compareMembers(const ClassDesc& desc, const DispatchTable& table) {
  Differences diffs;
  const std::vector<MemberDesc>& described = desc.defaultInterface.members;
  const std::vector<MemberInfo>& actual = table.members();

  if (table.className() != desc.name)
    diffs.push_back(desc.name + u": the member table is named " + table.className());

  // Pair each described slot with a table slot: same name and kind first, then same name with
  // another kind (reported as a wrong kind).
  constexpr size_t none = SIZE_MAX;
  std::vector<size_t> match(described.size(), none);
  std::vector<bool> used(actual.size(), false);
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < described.size(); ++i) {
      if (match[i] != none) continue;
      for (size_t j = 0; j < actual.size(); ++j) {
        if (used[j] || !equalsNoCase(actual[j].name, described[i].name)) continue;
        if (pass == 0 && actual[j].kind != described[i].kind) continue;
        match[i] = j;
        used[j] = true;
        break;
      }
    }
  }

  for (size_t i = 0; i < described.size(); ++i) {
    const MemberDesc& d = described[i];
    if (match[i] == none) {
      diffs.push_back(label(desc, d.name, d.kind) + u": missing (slot " + num(i + 1) + u")");
      continue;
    }
    const MemberInfo& m = actual[match[i]];
    String what = label(desc, d.name, d.kind);
    if (m.name != d.name) diffs.push_back(what + u": named " + m.name + u" in the member table");
    if (m.kind != d.kind) diffs.push_back(what + u": implemented as " + kindName(m.kind));
    if (d.id != DISPID_UNKNOWN && m.id != d.id) {
      diffs.push_back(what + u": dispatch id " + num(m.id) + u", described " + num(d.id));
    } else if (d.id == DISPID_UNKNOWN && (m.id == DISPID_VALUE || m.id == DISPID_NEWENUM)) {
      diffs.push_back(what + u": takes the reserved dispatch id " + num(m.id) + u", described without one");
    }
    if (m.hidden != d.hidden)
      diffs.push_back(what + (d.hidden ? u": described as library-internal (hidden), implemented as public"
                                       : u": implemented as hidden, described as public"));
    if (m.arity != d.arity() || m.required != d.requiredCount())
      diffs.push_back(what + u": takes " + num(m.arity) + u" arguments (" + num(m.required) +
                      u" required), described " + num(d.arity()) + u" (" + num(d.requiredCount()) +
                      u" required)");
  }

  for (size_t j = 0; j < actual.size(); ++j)
    if (!used[j])
      diffs.push_back(label(desc, actual[j].name, actual[j].kind) + u": not described (table slot " +
                      num(j + 1) + u")");

  // Slot order: the paired members that fall outside a longest run in table order.
  std::vector<size_t> describedSlot, tableSlot;
  for (size_t i = 0; i < described.size(); ++i) {
    if (match[i] == none) continue;
    describedSlot.push_back(i);
    tableSlot.push_back(match[i]);
  }
  std::vector<size_t> keep = longestIncreasing(tableSlot);
  std::vector<bool> inOrder(tableSlot.size(), false);
  for (size_t k : keep) inOrder[k] = true;
  for (size_t k = 0; k < tableSlot.size(); ++k) {
    if (inOrder[k]) continue;
    const MemberDesc& d = described[describedSlot[k]];
    diffs.push_back(label(desc, d.name, d.kind) + u": out of slot order (table slot " + num(tableSlot[k] + 1) +
                    u", described slot " + num(describedSlot[k] + 1) + u")");
  }
  return diffs;
}

Differences checkImplementation(const Implementation& impl) {
  Differences diffs;
  if (!impl.desc) {
    diffs.push_back(impl.className + u": registered but not in the type description");
    return diffs;
  }
  const ClassDesc& desc = *impl.desc;
  if (desc.creatable && !impl.factory)
    diffs.push_back(desc.name + u": creatable, but registered without a factory");
  if (!desc.creatable && impl.factory)
    diffs.push_back(desc.name + u": handed out by the library only, but registered with a factory");
  const DispatchTable* table = impl.table ? impl.table() : nullptr;
  if (!table) {
    diffs.push_back(desc.name + u": registered without a member table");
    return diffs;
  }
  Differences members = compareMembers(desc, *table);
  diffs.insert(diffs.end(), members.begin(), members.end());
  return diffs;
}

Differences checkRegistrations() {
  Differences diffs;
  std::map<String, int> seen;
  for (const Implementation& impl : implementations()) {
    String key = foldCase(impl.className);
    if (seen[key]++ == 0) {
      Differences d = checkImplementation(impl);
      diffs.insert(diffs.end(), d.begin(), d.end());
    }
  }
  for (const Implementation& impl : implementations()) {
    int& n = seen[foldCase(impl.className)];
    if (n > 1) {
      diffs.push_back(impl.className + u": registered " + num(n) + u" times");
      n = 1;
    }
  }
  return diffs;
}

Differences unansweredMembers(const ClassDesc& desc, const DispatchTable& table) {
  Differences diffs;
  for (const MemberDesc& d : desc.defaultInterface.members)
    if (!table.find(d.name, d.kind)) diffs.push_back(label(desc, d.name, d.kind) + u": not answered by name");
  return diffs;
}

}  // namespace lv8int::typelib
