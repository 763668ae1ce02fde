#include "typelib/Idl.h"

#include <cstdio>
#include <set>

namespace lv8int::typelib {

namespace {

std::string u8(StringView s) { return toUtf8(s); }

bool isBuiltin(StringView type) {
  static const std::set<String> builtin = {u"String", u"Long",   u"Integer", u"Boolean",  u"Date",
                                           u"Double", u"Single", u"Byte",    u"Currency", u"Variant",
                                           u"Object", u"IUnknown", u"Variant()"};
  return builtin.count(String(type)) != 0;
}

bool isClass(const TypeLibraryDesc& lib, StringView type) {
  for (const ClassDesc& c : lib.classes)
    if (c.name == type) return true;
  return false;
}

const EnumDesc* enumOf(const TypeLibraryDesc& lib, StringView type) {
  for (const EnumDesc& e : lib.enums)
    if (e.name == type) return &e;
  return nullptr;
}

std::string hexId(DispId id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(id));
  return buf;
}

// The default value a declaration writes for an omitted optional argument.
std::string defaultFor(const TypeLibraryDesc& lib, const ParamDesc& p) {
  if (!p.defaultValue.empty()) {
    for (const EnumDesc& e : lib.enums)
      for (const auto& [name, value] : e.values)
        if (name == p.defaultValue) return std::to_string(value);
    return u8(p.defaultValue);
  }
  if (p.type == u"Variant") return {};
  if (p.type == u"String") return "\"\"";
  return "0";
}

std::string param(const TypeLibraryDesc& lib, const ParamDesc& p) {
  std::string attrs = p.byRef ? "in, out" : "in";
  if (p.optional) {
    attrs += ", optional";
    std::string def = defaultFor(lib, p);
    if (!def.empty()) attrs += ", defaultvalue(" + def + ")";
  }
  return "[" + attrs + "] " + idlType(lib, p.type, p.byRef) + " " + u8(p.name);
}

std::string paramList(const TypeLibraryDesc& lib, const MemberDesc& m) {
  std::string out;
  for (const ParamDesc& p : m.params) {
    if (!out.empty()) out += ", ";
    out += param(lib, p);
  }
  if (!m.returnType.empty()) {
    if (!out.empty()) out += ", ";
    out += "[out, retval] " + idlType(lib, m.returnType, true);
  }
  return out;
}

std::string memberAttributes(const MemberDesc& m) {
  std::vector<std::string> attrs;
  if (m.id != DISPID_UNKNOWN) attrs.push_back("id(" + hexId(m.id) + ")");
  switch (m.kind) {
    case InvokeKind::PropertyGet: attrs.push_back("propget"); break;
    case InvokeKind::PropertyPut: attrs.push_back("propput"); break;
    case InvokeKind::PropertyPutRef: attrs.push_back("propputref"); break;
    case InvokeKind::Method: break;
  }
  if (m.id == DISPID_NEWENUM) attrs.push_back("restricted");
  if (m.hidden) attrs.push_back("hidden");
  if (attrs.empty()) return {};
  std::string out = "[";
  for (size_t i = 0; i < attrs.size(); ++i) out += (i ? ", " : "") + attrs[i];
  return out + "] ";
}

void writeInterface(std::string& out, const TypeLibraryDesc& lib, const InterfaceDesc& itf) {
  out += "    [\n      odl,\n      dual,\n      nonextensible,\n      oleautomation\n    ]\n";
  out += "    interface " + u8(itf.name) + " : IDispatch {\n";
  for (const MemberDesc& m : itf.members)
    out += "        " + memberAttributes(m) + "HRESULT " + u8(m.name) + "(" + paramList(lib, m) + ");\n";
  out += "    };\n\n";
}

void writeEvents(std::string& out, const TypeLibraryDesc& lib, const InterfaceDesc& itf) {
  out += "    [\n      nonextensible\n    ]\n";
  out += "    dispinterface " + u8(itf.name) + " {\n        properties:\n        methods:\n";
  // Event ids count from 1 in declaration order; sinks are reached by name.
  DispId id = 1;
  for (const MemberDesc& m : itf.members)
    out += "            [id(" + hexId(id++) + ")] void " + u8(m.name) + "(" + paramList(lib, m) + ");\n";
  out += "    };\n\n";
}

void writeCoclass(std::string& out, const ClassDesc& c) {
  std::string uuid = u8(c.clsid);
  if (uuid.size() > 2 && uuid.front() == '{' && uuid.back() == '}') uuid = uuid.substr(1, uuid.size() - 2);
  out += "    [\n      uuid(" + uuid + ")";
  if (c.global) out += ",\n      appobject";
  if (!c.creatable) out += ",\n      noncreatable";
  out += "\n    ]\n    coclass " + u8(c.name) + " {\n";
  out += "        [default] interface " + u8(c.defaultInterface.name) + ";\n";
  for (const String& other : c.alsoImplements) out += "        interface " + u8(other) + ";\n";
  if (c.events) out += "        [default, source] dispinterface " + u8(c.events->name) + ";\n";
  out += "    };\n\n";
}

std::set<String> outsideTypes(const TypeLibraryDesc& lib) {
  std::set<String> types;
  auto note = [&](const String& t) {
    if (!t.empty() && !isBuiltin(t) && !isClass(lib, t) && !enumOf(lib, t)) types.insert(t);
  };
  auto scan = [&](const InterfaceDesc& itf) {
    for (const MemberDesc& m : itf.members) {
      note(m.returnType);
      for (const ParamDesc& p : m.params) note(p.type);
    }
  };
  for (const ClassDesc& c : lib.classes) {
    scan(c.defaultInterface);
    for (const String& other : c.alsoImplements) types.insert(other);
  }
  for (const InterfaceDesc& e : lib.eventInterfaces) scan(e);
  return types;
}

}  // namespace

std::string idlType(const TypeLibraryDesc& lib, StringView type, bool byRef) {
  std::string base;
  if (type == u"String") base = "BSTR";
  else if (type == u"Long") base = "long";
  else if (type == u"Integer") base = "short";
  else if (type == u"Boolean") base = "VARIANT_BOOL";
  else if (type == u"Date") base = "DATE";
  else if (type == u"Double") base = "double";
  else if (type == u"Single") base = "float";
  else if (type == u"Byte") base = "unsigned char";
  else if (type == u"Currency") base = "CURRENCY";
  else if (type == u"Variant") base = "VARIANT";
  else if (type == u"Variant()") base = "SAFEARRAY(VARIANT)";
  else if (type == u"Object") base = "IDispatch*";
  else if (type == u"IUnknown") base = "IUnknown*";
  else if (enumOf(lib, type)) base = u8(type);
  else if (isClass(lib, type)) base = "_" + u8(type) + "*";
  else base = u8(type) + "*";
  return byRef ? base + "*" : base;
}

std::string toIdl(const TypeLibraryDesc& lib) {
  std::string out;
  out += "// " + u8(lib.name) + " " + u8(lib.version()) + ": the automation interface of the library.\n";
  std::string outside;
  for (const String& t : outsideTypes(lib)) outside += (outside.empty() ? "" : ", ") + u8(t);
  if (!outside.empty()) out += "// Types from outside the library: " + outside + ".\n";
  std::string libid = u8(lib.libid);
  if (libid.size() > 2 && libid.front() == '{') libid = libid.substr(1, libid.size() - 2);
  out += "[\n  uuid(" + libid + "),\n  version(" + u8(lib.version()) + ")\n]\n";
  out += "library " + u8(lib.name) + "\n{\n    importlib(\"stdole2.tlb\");\n\n";

  for (const ClassDesc& c : lib.classes) out += "    interface " + u8(c.defaultInterface.name) + ";\n";
  for (const InterfaceDesc& e : lib.eventInterfaces) out += "    dispinterface " + u8(e.name) + ";\n";
  out += "\n";

  for (const EnumDesc& e : lib.enums) {
    out += "    typedef enum " + u8(e.name) + " {\n";
    for (size_t i = 0; i < e.values.size(); ++i)
      out += "        " + u8(e.values[i].first) + " = " + std::to_string(e.values[i].second) +
             (i + 1 < e.values.size() ? ",\n" : "\n");
    out += "    } " + u8(e.name) + ";\n\n";
  }

  for (const ClassDesc& c : lib.classes) {
    writeInterface(out, lib, c.defaultInterface);
    if (c.events) writeEvents(out, lib, *c.events);
    writeCoclass(out, c);
  }
  out += "};\n";
  return out;
}

}  // namespace lv8int::typelib
