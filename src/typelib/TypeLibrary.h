#pragma once
// The automation description of the library: its classes with their identifiers, the default
// interfaces with their members in slot order, the event interfaces and the enumerations.
// Registration, the IDL listing and the conformance checks read it; nothing here executes a
// member.
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"

namespace lv8int::typelib {

// Type names are automation names: String, Long, Integer, Boolean, Date, Double, Currency,
// Byte, Variant, Object, IUnknown, "Variant()" for an array of Variants, a class of this
// library (CConfig), an enumeration of this library, or an outside type (XMLRegistry, IAddIn,
// CDatabaseEngine, Collection, IPictureDisp, IProgressBar).
struct ParamDesc {
  String name;
  String type;
  bool byRef = false;
  bool optional = false;
  String defaultValue;  // as written in a declaration ("0", "16", "eistpNormal"); empty: none
};

struct MemberDesc {
  String name;
  InvokeKind kind = InvokeKind::Method;
  DispId id = DISPID_UNKNOWN;  // fixed ids only: DISPID_VALUE, DISPID_NEWENUM
  std::vector<ParamDesc> params;  // a property put's value is the last parameter
  String returnType;              // empty: no result
  bool hidden = false;            // library-internal, kept in slot order

  int arity() const noexcept { return static_cast<int>(params.size()); }
  int requiredCount() const noexcept;
};

struct InterfaceDesc {
  String name;
  std::vector<MemberDesc> members;  // slot order; a property's get and put are two slots
};

struct ClassDesc {
  String name;
  String clsid;            // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
  bool creatable = false;  // clients may create it by ProgID or class identifier
  bool global = false;     // members callable without naming an object (application object)
  InterfaceDesc defaultInterface;
  const InterfaceDesc* events = nullptr;  // the event interface it raises, if any
  std::vector<String> alsoImplements;     // outside interfaces the class implements

  String progID() const;  // "LV8INT.<Class>"
};

struct EnumDesc {
  String name;
  std::vector<std::pair<String, int32_t>> values;
};

struct TypeLibraryDesc {
  String name;
  String libid;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  std::vector<ClassDesc> classes;
  std::vector<InterfaceDesc> eventInterfaces;
  std::vector<EnumDesc> enums;

  String version() const;  // "2.2"
};

// The library's description (built once; lives for the process).
const TypeLibraryDesc& typeLibrary();

// Lookups without regard to letter case; null when there is no such class.
const ClassDesc* findClass(StringView name);
const ClassDesc* findClassByProgID(StringView progID);
const ClassDesc* findClassByClsid(StringView clsid);
const EnumDesc* findEnum(StringView name);

// Names of the kinds as the descriptions and reports write them.
String kindName(InvokeKind kind);

}  // namespace lv8int::typelib
