#include "typelib/SelfCheck.h"

#include <map>

#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "typelib/Conformance.h"
#include "typelib/Registration.h"

namespace lv8int::typelib {

namespace {

std::string pad(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

// Creates the class by ProgID or class identifier. A failure is the class's own start-up refusing in this
// environment unless nothing answers the name at all (429).
void tryCreate(const ClassDesc& desc, const DispatchTable* table, const String& name, bool byClsid,
               std::vector<std::string>& problems, std::vector<std::string>& notes) {
  std::string what = toUtf8(desc.name) + ": creating it as " + toUtf8(name);
  try {
    Ref<Object> obj = byClsid ? ComponentRegistry::instance().createByClsid(name)
                              : ComponentRegistry::instance().create(name);
    if (obj->dispatchTable() != table) {
      problems.push_back(what + " gives an object with another member table");
      return;
    }
    for (const MemberDesc& m : desc.defaultInterface.members)
      if (obj->memberId(m.name) == DISPID_UNKNOWN)
        problems.push_back(what + ": the object does not know " + toUtf8(m.name));
  } catch (const AutomationError& e) {
    std::string text = what + " raised " + std::to_string(e.number()) + ": " + toUtf8(e.description());
    if (e.number() == err::CannotCreateObject) {
      problems.push_back(text);
    } else {
      notes.push_back(text);
    }
  }
}

}  // namespace

SelfCheckReport selfCheck() { return selfCheck(typeLibrary(), implementations()); }

SelfCheckReport selfCheck(const TypeLibraryDesc& lib, const std::vector<Implementation>& impls) {
  SelfCheckReport r;

  std::map<String, const Implementation*> firstOf;
  for (const Implementation& impl : impls) firstOf.emplace(foldCase(impl.className), &impl);

  r.described = static_cast<int>(lib.classes.size());
  for (const ClassDesc& c : lib.classes)
    if (firstOf.count(foldCase(c.name))) ++r.implemented;

  r.lines.push_back("library " + toUtf8(lib.name) + " version " + toUtf8(lib.version()) + " " +
                    toUtf8(lib.libid));
  r.lines.push_back("classes: " + std::to_string(r.described) + " described, " + std::to_string(r.implemented) +
                    " implemented");

  std::vector<std::string> failures;
  for (const ClassDesc& c : lib.classes) {
    auto it = firstOf.find(foldCase(c.name));
    std::string head = "  " + pad(toUtf8(c.name), 15);
    if (it == firstOf.end()) {
      r.lines.push_back(head + "not implemented");
      continue;
    }
    const Implementation& impl = *it->second;
    std::vector<std::string> problems, notes;
    const DispatchTable* table = impl.table ? impl.table() : nullptr;
    if (table) {
      for (const String& d : unansweredMembers(c, *table)) problems.push_back(toUtf8(d));
    }
    for (const String& d : checkImplementation(impl)) problems.push_back(toUtf8(d));
    if (c.creatable && table) {
      if (!ComponentRegistry::instance().isRegistered(c.progID()))
        problems.push_back(toUtf8(c.name) + ": nothing is registered under " + toUtf8(c.progID()));
      else {
        tryCreate(c, table, c.progID(), false, problems, notes);
        tryCreate(c, table, c.clsid, true, problems, notes);
      }
    }
    if (problems.empty()) {
      std::string line = head + "ok, " + std::to_string(c.defaultInterface.members.size()) + " members";
      if (c.creatable) line += ", creatable as " + toUtf8(c.progID());
      r.lines.push_back(line);
    } else {
      r.lines.push_back(head + "FAILED");
      failures.insert(failures.end(), problems.begin(), problems.end());
    }
    for (const std::string& n : notes) r.lines.push_back("    note: " + n);
    r.warnings += static_cast<int>(notes.size());
  }

  // Registrations that no described class accounts for, and classes registered twice.
  std::map<String, int> count;
  for (const Implementation& impl : impls) ++count[foldCase(impl.className)];
  for (const auto& [key, n] : count) {
    const ClassDesc* desc = nullptr;
    for (const ClassDesc& c : lib.classes)
      if (equalsNoCase(c.name, key)) desc = &c;
    if (!desc || desc != firstOf[key]->desc) {
      failures.push_back(toUtf8(firstOf[key]->className) + ": registered but not in the type description");
    } else if (n > 1) {
      failures.push_back(toUtf8(desc->name) + ": registered " + std::to_string(n) + " times");
    }
  }

  for (const std::string& f : failures) r.lines.push_back("FAIL " + f);
  r.failures = static_cast<int>(failures.size());
  r.lines.push_back(r.failures == 0 ? "selfcheck passed"
                                    : "selfcheck failed: " + std::to_string(r.failures) + " problem(s)");
  return r;
}

}  // namespace lv8int::typelib
